// libFuzzer entry point of one target, chosen when the fuzzer is built (FUZZ_TARGET); see
// scripts/fuzz.sh.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return FUZZ_TARGET(data, size);
}
