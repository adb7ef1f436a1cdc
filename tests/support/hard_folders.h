// Folders that are hard on a program, made for tests on POSIX: trees deeper than any path the
// system takes, and permissions that bind even root.
#pragma once

#ifndef _WIN32

#include <functional>
#include <string>

namespace testing_support {

// Makes `depth` folders named `name` under `root`, one inside the other, each made and entered
// through its parent's descriptor (mkdirat, openat), so it takes no longer than a shallow tree
// however long the paths get, and holds one descriptor at a time. `atLevel` is called in each
// folder made (level 1 is the first below root) with its descriptor, to put files there.
void makeDeepTree(const std::string& root, int depth, const std::string& name,
                  const std::function<void(int level, int folderFd)>& atLevel = {});
// Creates the empty file `name` in the folder open as `folderFd`.
void touchAt(int folderFd, const std::string& name);
// Removes a folder and everything in it at any depth (what std::filesystem cannot, past PATH_MAX).
void removeTree(const std::string& folder);

// While it lives, this process obeys file permissions even when it runs as root: the effective
// capabilities that pass over them (CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH) are dropped from the
// calling thread and given back at the end. A folder made unreadable with chmod is then
// unreadable to the program under test too. Nothing to do for any other user.
class PermissionsBind {
public:
    PermissionsBind();
    ~PermissionsBind();
    PermissionsBind(const PermissionsBind&) = delete;
    PermissionsBind& operator=(const PermissionsBind&) = delete;

    // False when root's capabilities could not be dropped: the test cannot make its fault.
    bool effective() const { return effective_; }

private:
    bool dropped_ = false;
    bool effective_ = true;
    unsigned saved_[2] = {0, 0};
};

}  // namespace testing_support

#endif
