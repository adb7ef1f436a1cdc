#include <gtest/gtest.h>

#include "platform/libraries.h"
#include "platform/paths.h"

namespace {

#ifdef _WIN32
const char* kLibraryName = "platform_test_library.dll";
#else
const char* kLibraryName = "platform_test_library.so";
#endif

TEST(Library, LoadsLooksUpAndUnloads) {
    const std::string path = platform::GetModuleFolder() + kLibraryName;
    platform::LibraryHandle library = platform::loadLibrary(path);
    ASSERT_NE(library, nullptr) << path;
    auto answer = reinterpret_cast<int (*)()>(platform::findExport(library, "cw_test_answer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    EXPECT_EQ(platform::findExport(library, "no_such_export"), nullptr);
    platform::unloadLibrary(library);
}

TEST(Library, MissingOrBrokenFilesGiveNoHandle) {
    EXPECT_EQ(platform::loadLibrary(platform::GetModuleFolder() + "no_such_library.dll"), nullptr);
    // A file that is not a library at all.
    EXPECT_EQ(platform::loadLibrary(platform::modulePath() + ".missing"), nullptr);
    EXPECT_EQ(platform::findExport(nullptr, "cw_test_answer"), nullptr);
}

TEST(Library, PatternNamesThePlatformsLibraries) {
#ifdef _WIN32
    EXPECT_STREQ(platform::kLibraryPattern, "*.DLL");
#else
    EXPECT_STREQ(platform::kLibraryPattern, "*.so");
#endif
}

}  // namespace
