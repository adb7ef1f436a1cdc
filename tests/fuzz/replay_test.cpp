// Replays every input of the fuzz corpus through the fuzz target, so the findings of earlier
// fuzzing stay fixed in every regular run (under the sanitizers natively, and under Wine).
#include <gtest/gtest.h>

#include "fuzz/filter_file_target.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"
#include "support/temp_folder.h"

namespace {

TEST(FuzzCorpus, FilterFileInputsReadCleanly) {
    const std::string folder = platform::GetModuleFolder() + "fuzz_corpus" + platform::kPathSeparator + "filter_file";
    platform::FindHandle find;
    platform::FindData data;
    int replayed = 0;
    for (bool more = find.first(folder + platform::kPathSeparator + "*", data); more; more = find.next(data)) {
        if (data.attributes & platform::AttrDirectory) continue;
        const std::string bytes = testing_support::readFile(folder + platform::kPathSeparator + data.name);
        SCOPED_TRACE(data.name);
        EXPECT_EQ(fuzzFilterFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
        ++replayed;
    }
    EXPECT_GE(replayed, 3) << "the corpus is missing from " << folder;
}

}  // namespace
