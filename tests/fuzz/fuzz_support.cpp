#include <cstdlib>
#include <random>

#include "fuzz/fuzz_targets.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace fuzzing {

const std::string& scratchFolder() {
    static const std::string folder = [] {
        const char* temp = std::getenv("TMPDIR");
#ifdef _WIN32
        if (!temp) temp = std::getenv("TEMP");
#endif
        std::random_device random;
        const std::string path =
            std::string(temp ? temp : "/tmp") + platform::kPathSeparator + "cw-fuzz-" + std::to_string(random());
        platform::createFolder(path);
        return path + platform::kPathSeparator;
    }();
    return folder;
}

void writeInput(const std::string& path, const std::uint8_t* data, std::size_t size) {
    platform::File file(path, platform::File::Mode::CreateWrite);
    file.write(data, size);
}

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace fuzzing
