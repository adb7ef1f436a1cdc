#include "fuzz/fuzz_targets.h"

#include "core/persist/braxen_exception.h"
#include "core/persist/filter_archive.h"
#include "core/plugins/plugin_manager.h"
#include "platform/files.h"
#include "platform/paths.h"

using fuzzing::check;

int fuzzFilterFile(const std::uint8_t* data, std::size_t size) {
    static const core::PluginManager noPlugins;
    static const std::string path = fuzzing::scratchFolder() + "filters.ren";
    fuzzing::writeInput(path, data, size);
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
