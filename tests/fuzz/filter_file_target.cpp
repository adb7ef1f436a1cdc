#include "fuzz/filter_file_target.h"

#include <cstdlib>
#include <random>
#include <string>

#include "core/persist/braxen_exception.h"
#include "core/persist/filter_archive.h"
#include "core/plugins/plugin_manager.h"
#include "platform/files.h"
#include "platform/paths.h"

namespace {

// One scratch file per process, in the temporary folder.
const std::string& scratchPath() {
    static const std::string path = [] {
        const char* folder = std::getenv("TMPDIR");
#ifdef _WIN32
        if (!folder) folder = std::getenv("TEMP");
#endif
        std::random_device random;
        return std::string(folder ? folder : "/tmp") + platform::kPathSeparator + "cw-fuzz-" +
               std::to_string(random()) + ".ren";
    }();
    return path;
}

void check(bool condition) {
    if (!condition) std::abort();  // a broken invariant is a finding, like a crash
}

}  // namespace

int fuzzFilterFile(const std::uint8_t* data, std::size_t size) {
    static const core::PluginManager noPlugins;
    const std::string& path = scratchPath();
    {
        platform::File file(path, platform::File::Mode::CreateWrite);
        file.write(data, size);
    }
    core::RuleList rules;
    try {
        core::readFilterFile(&noPlugins, path, rules);
    } catch (const BRAXEN::braxen_Exception& error) {
        check(error.cause() == 114 || error.cause() == 115 || error.cause() == 116);
        return 0;
    }
    // Whatever was accepted must survive a save and a load.
    core::writeFilterFile(path, rules);
    core::RuleList again;
    core::readFilterFile(&noPlugins, path, again);
    check(again.size() == rules.size());
    for (std::size_t i = 0; i < rules.size(); ++i) {
        check(again[i].type == rules[i].type && again[i].option == rules[i].option && again[i].extra == rules[i].extra);
    }
    return 0;
}
