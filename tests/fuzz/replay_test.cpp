// Replays every input of the fuzz corpora through its target, so the findings of earlier fuzzing
// stay fixed in every regular run (under the sanitizers natively, and under Wine).
#include <gtest/gtest.h>

#include "fuzz/fuzz_targets.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"
#include "support/temp_folder.h"

namespace {

struct Target {
    const char* corpus;
    int (*run)(const std::uint8_t*, std::size_t);
};

void PrintTo(const Target& target, std::ostream* out) {
    *out << target.corpus;
}

class FuzzCorpus : public testing::TestWithParam<Target> {};

TEST_P(FuzzCorpus, InputsReadCleanly) {
    const std::string folder =
        platform::GetModuleFolder() + "fuzz_corpus" + platform::kPathSeparator + GetParam().corpus;
    platform::FindHandle find;
    platform::FindData data;
    int replayed = 0;
    for (bool more = find.first(folder + platform::kPathSeparator + "*", data); more; more = find.next(data)) {
        if (data.attributes & platform::AttrDirectory) continue;
        const std::string bytes = testing_support::readFile(folder + platform::kPathSeparator + data.name);
        SCOPED_TRACE(data.name);
        EXPECT_EQ(GetParam().run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), 0);
        ++replayed;
    }
    EXPECT_GE(replayed, 3) << "the corpus is missing from " << folder;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzCorpus,
                         testing::Values(Target{"filter_file", fuzzFilterFile},
                                         Target{"undo_database", fuzzUndoDatabase}, Target{"undo_index", fuzzUndoIndex},
                                         Target{"settings", fuzzSettings}, Target{"journal", fuzzJournal},
                                         Target{"id3v2_tag", fuzzId3v2Tag}),
                         [](const testing::TestParamInfo<Target>& info) { return std::string(info.param.corpus); });

}  // namespace
