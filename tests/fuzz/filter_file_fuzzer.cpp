// libFuzzer entry point; see scripts/fuzz.sh.
#include "fuzz/filter_file_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzzFilterFile(data, size);
}
