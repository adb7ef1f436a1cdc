// The UI test program's own main: GoogleTest's, except for how the program ends.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::fflush(stdout);
    std::fflush(stderr);
    // Every result is written. Wine now and then faults while unloading its libraries from a
    // program that has driven other programs' windows (in RtlDeleteCriticalSection, as the
    // process exits after its last test passed), which would report a passed test as failed:
    // end here, without unloading anything.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(result));
    return result;
}
