// A fresh folder for one test, removed with everything in it when the test ends.
#pragma once

#include <string>

namespace testing_support {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder's full path, without a final separator.
    const std::string& path() const { return path_; }
    // path() + separator + name.
    std::string operator/(const std::string& name) const;

private:
    std::string path_;
};

// Writes a file with the given bytes (UTF-8 path), replacing any file of that name.
void writeFile(const std::string& path, const std::string& bytes);
// The whole content of a file; fails the current test when it cannot be read.
std::string readFile(const std::string& path);

}  // namespace testing_support
