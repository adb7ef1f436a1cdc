#include "core/base/settings.h"

#include "core/base/ini_file.h"

namespace core {
namespace {

constexpr const char* kSettings = "settings";
constexpr const char* kOptions = "options";
constexpr std::size_t kFlagBuffer = 32;
// Any pattern the window takes fits whole: a UTF-16 unit is at most three bytes of UTF-8. Files
// written by older copies held at most 19 bytes there, which read as before.
constexpr std::size_t kMaskBuffer = Settings::kMaxPatternLength * 3 + 1;
constexpr std::size_t kPathBuffer = 260;
// A Title Case list longer than a rule's 127 bytes is refused when a filter is made, never cut here.
constexpr std::size_t kSmallWordsBuffer = 1024;
constexpr const char* kSmallWordsKey = "titleSmallWords";

// Only a value that starts with '0' turns a flag off: a missing key, an empty value, "1" or
// any other text turns it on.
int readFlag(const IniFile& ini, const char* section, const char* key) {
    const std::string text = ini.getString(section, key, kFlagBuffer);
    return (!text.empty() && text[0] == '0') ? 0 : 1;
}

}  // namespace

std::int32_t effectiveUndoLimit(std::int64_t value) {
    return value >= 1 && value <= Settings::kMaxUndoLimit ? static_cast<std::int32_t>(value)
                                                          : Settings::kDefaultUndoLimit;
}

void Settings::Load(const AppPaths& paths) {
    const IniFile ini(paths.settingsFile());
    recurse = readFlag(ini, kSettings, "recurse");
    confirm = readFlag(ini, kSettings, "confirm");
    undo = readFlag(ini, kSettings, "undo");
    regfiletype = readFlag(ini, kOptions, "regfiletype");
    mask = ini.getString(kSettings, "mask", kMaskBuffer);
    pluginsdir = ini.getString(kOptions, "pluginsdir", kPathBuffer);
    lastdir = ini.getString(kSettings, "lastdir", kPathBuffer);
    for (std::size_t i = 0; i < path.size(); ++i) {
        path[i] = ini.getString(kSettings, "path" + std::to_string(i), kPathBuffer);
    }
    limitUndo = readFlag(ini, kOptions, "limitUndo");
    undoLimit = effectiveUndoLimit(ini.getInt(kOptions, "undoLimit", 0));
    shortenNames = ini.getInt(kOptions, "shortenNames", 0) == 1 ? 1 : 0;
    tagOrder = ini.getInt(kOptions, "orderByTags", 0) == 1 ? 1 : 0;
    // Present and empty is a list the user emptied; only a missing key is the default.
    smallWords = ini.hasKey(kOptions, kSmallWordsKey) ? ini.getString(kOptions, kSmallWordsKey, kSmallWordsBuffer)
                                                      : std::string(kDefaultSmallWords);
    companionExtensions = ini.hasKey(kOptions, "companions") ? ini.getString(kOptions, "companions", kPathBuffer)
                                                             : std::string(kDefaultCompanionExtensions);
    folderFiles = ini.hasKey(kOptions, "folderFiles") ? ini.getString(kOptions, "folderFiles", kPathBuffer)
                                                      : std::string(kDefaultFolderFiles);
}

void Settings::Save(const AppPaths& paths) const {
    IniFile ini(paths.settingsFile());
    ini.setString(kSettings, "recurse", std::to_string(recurse));
    ini.setString(kSettings, "confirm", std::to_string(confirm));
    ini.setString(kSettings, "undo", std::to_string(undo));
    ini.setString(kOptions, "regfiletype", std::to_string(regfiletype));
    // The folder pop-up this key once switched was never built; the key stays, always 0, so a
    // braxen.ini keeps the keys every earlier copy of the program wrote, in the same order.
    ini.setString(kOptions, "directoryPopup", "0");
    ini.setString(kSettings, "mask", mask);
    ini.setString(kOptions, "pluginsdir", pluginsdir);
    ini.setString(kSettings, "lastdir", lastdir);
    for (std::size_t i = 0; i < path.size(); ++i) ini.setString(kSettings, "path" + std::to_string(i), path[i]);
    ini.setString(kOptions, "limitUndo", std::to_string(limitUndo));
    ini.setString(kOptions, "undoLimit", std::to_string(undoLimit));
    ini.setString(kOptions, kSmallWordsKey, smallWords);
    ini.setString(kOptions, "shortenNames", std::to_string(shortenNames));
    ini.setString(kOptions, "orderByTags", std::to_string(tagOrder));
    ini.setString(kOptions, "companions", companionExtensions);
    ini.setString(kOptions, "folderFiles", folderFiles);
    ini.save();
}

}  // namespace core
