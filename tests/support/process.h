// Runs a program to its end and collects what it wrote, for tests of whole programs.
#pragma once

#include <string>
#include <vector>

namespace testing_support {

struct ProcessResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// `arguments` are passed as they are (quoted as needed); `workingFolder` empty keeps ours.
ProcessResult runProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingFolder = std::string());

}  // namespace testing_support
