#include "support/hard_folders.h"

#ifndef _WIN32

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace testing_support {

void makeDeepTree(const std::string& root, int depth, const std::string& name,
                  const std::function<void(int level, int folderFd)>& atLevel) {
    int fd = ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0) << root << ": " << std::strerror(errno);
    for (int level = 1; level <= depth; ++level) {
        if (::mkdirat(fd, name.c_str(), 0755) != 0 && errno != EEXIST) {
            ADD_FAILURE() << "level " << level << ": " << std::strerror(errno);
            break;
        }
        const int child = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        ::close(fd);
        fd = child;
        if (fd < 0) {
            ADD_FAILURE() << "level " << level << ": " << std::strerror(errno);
            return;
        }
        if (atLevel) atLevel(level, fd);
    }
    ::close(fd);
}

void touchAt(int folderFd, const std::string& name) {
    const int fd = ::openat(folderFd, name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << name << ": " << std::strerror(errno);
    ::close(fd);
}

void removeTree(const std::string& folder) {
    // GNU rm walks through descriptors, at any depth.
    const std::string command = "rm -rf -- '" + folder + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

namespace {

constexpr unsigned kOverride = (1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH);

bool capabilities(__user_cap_data_struct (&data)[2], bool set) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    // The raw calls: they change the calling thread alone.
    return ::syscall(set ? SYS_capset : SYS_capget, &header, data) == 0;
}

}  // namespace

PermissionsBind::PermissionsBind() {
    __user_cap_data_struct data[2];
    if (!capabilities(data, false)) {
        effective_ = ::geteuid() != 0;  // root passes over permissions, and this cannot tell it not to
        return;
    }
    if ((data[0].effective & kOverride) == 0) return;
    saved_[0] = data[0].effective;
    saved_[1] = data[1].effective;
    data[0].effective &= ~kOverride;
    dropped_ = capabilities(data, true);
    effective_ = dropped_;
}

PermissionsBind::~PermissionsBind() {
    if (!dropped_) return;
    __user_cap_data_struct data[2];
    if (!capabilities(data, false)) return;
    data[0].effective = saved_[0];
    data[1].effective = saved_[1];
    capabilities(data, true);
}

}  // namespace testing_support

#endif
