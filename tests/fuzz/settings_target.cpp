#include "core/base/ini_file.h"
#include "core/base/settings.h"
#include "fuzz/fuzz_targets.h"

using fuzzing::check;

int fuzzSettings(const std::uint8_t* data, std::size_t size) {
    using namespace core;
    static const AppPaths paths = AppPaths::in(fuzzing::scratchFolder());
    fuzzing::writeInput(paths.settingsFile(), data, size);

    Settings settings;
    settings.Load(paths);
    check(settings.undoLimit >= 1 && settings.undoLimit <= Settings::kMaxUndoLimit);
    for (int flag : {settings.recurse, settings.confirm, settings.undo, settings.regfiletype, settings.limitUndo,
                     settings.shortenNames}) {
        check(flag == 0 || flag == 1);
    }
    // A pattern the window takes fits whole: 259 UTF-16 units, at most three bytes each.
    check(settings.mask.size() <= Settings::kMaxPatternLength * 3 && settings.lastdir.size() < 260 &&
          settings.pluginsdir.size() < 260);
    check(settings.smallWords.size() < 1024);
    for (const std::string& path : settings.path) check(path.size() < 260);

    // Saved over the same file, whatever else it holds, the numbers and flags read back as they
    // were.
    settings.Save(paths);
    Settings again;
    again.Load(paths);
    check(again.undoLimit == settings.undoLimit && again.limitUndo == settings.limitUndo &&
          again.recurse == settings.recurse && again.confirm == settings.confirm && again.undo == settings.undo &&
          again.shortenNames == settings.shortenNames);
    return 0;
}
