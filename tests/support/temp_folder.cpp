#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <random>

#include "platform/files.h"
#include "platform/paths.h"

namespace fs = std::filesystem;

namespace testing_support {
namespace {

fs::path toPath(const std::string& utf8) {
    return fs::u8path(utf8);
}

std::string fromPath(const fs::path& path) {
    return path.u8string();
}

}  // namespace

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / ("cwtest-" + std::to_string(random()) + "-" + std::to_string(counter++));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            // The long form, so that comparisons with what the program reports hold.
            path_ = platform::fullPath(fromPath(fs::canonical(candidate)));
            return;
        }
    }
    ADD_FAILURE() << "cannot create a temporary folder in " << fromPath(base);
}

TempFolder::~TempFolder() {
    if (path_.empty()) return;
    std::error_code error;
    // Read-only files cannot be deleted on Windows; clear the bit first.
    for (auto it = fs::recursive_directory_iterator(toPath(path_), error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, error);
        platform::setAttributes(fromPath(it->path()), 0);
    }
    fs::remove_all(toPath(path_), error);
}

std::string TempFolder::operator/(const std::string& name) const {
    return path_ + platform::kPathSeparator + name;
}

void writeFile(const std::string& path, const std::string& bytes) {
    platform::File file(path, platform::File::Mode::CreateWrite);
    file.write(bytes.data(), bytes.size());
}

std::string readFile(const std::string& path) {
    try {
        platform::File file(path, platform::File::Mode::Read);
        std::string bytes(static_cast<std::size_t>(file.length()), '\0');
        bytes.resize(file.read(bytes.data(), bytes.size()));
        return bytes;
    } catch (const platform::FileError& error) {
        ADD_FAILURE() << "cannot read " << path << ": " << error.message();
        return std::string();
    }
}

}  // namespace testing_support
