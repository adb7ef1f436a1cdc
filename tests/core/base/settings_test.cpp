#include <gtest/gtest.h>

#include <cstring>

#include "core/base/ini_file.h"
#include "core/base/settings.h"
#include "support/temp_folder.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

using namespace core;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

Settings loadFrom(const std::string& ini) {
    TempFolder folder;
    if (!ini.empty()) writeFile(folder / "braxen.ini", ini);
    Settings settings;
    settings.Load(AppPaths::in(folder.path()));
    return settings;
}

TEST(Settings, NoFileAtAll) {
    const Settings s = loadFrom("");
    EXPECT_EQ(s.recurse, 1);
    EXPECT_EQ(s.confirm, 1);
    EXPECT_EQ(s.undo, 1);
    EXPECT_EQ(s.regfiletype, 1);
    EXPECT_EQ(s.limitUndo, 1);
    EXPECT_EQ(s.undoLimit, 50);
    EXPECT_EQ(s.mask, "");
    EXPECT_EQ(s.pluginsdir, "");
    for (const auto& path : s.path) EXPECT_EQ(path, "");
    EXPECT_EQ(s.smallWords, kDefaultSmallWords);
    // A file of an older copy has no list: the default; a list emptied by the user stays empty.
    EXPECT_EQ(loadFrom("[options]\r\nundoLimit=3\r\n").smallWords, kDefaultSmallWords);
    EXPECT_EQ(loadFrom("[options]\r\ntitleSmallWords=\r\n").smallWords, "");
    EXPECT_EQ(loadFrom("[options]\r\ntitleSmallWords= of the \r\n").smallWords, "of the");
    EXPECT_EQ(s.shortenNames, 0);
    EXPECT_EQ(loadFrom("[options]\r\nshortenNames=1\r\n").shortenNames, 1);
    EXPECT_EQ(loadFrom("[options]\r\nshortenNames=yes\r\n").shortenNames, 0);
    EXPECT_EQ(s.tagOrder, 0);
    EXPECT_EQ(loadFrom("[options]\r\norderByTags=1\r\n").tagOrder, 1);
    EXPECT_EQ(loadFrom("[options]\r\norderByTags=tags\r\n").tagOrder, 0);
    EXPECT_EQ(s.companionExtensions, Settings::kDefaultCompanionExtensions);
    EXPECT_EQ(loadFrom("[options]\r\ncompanions=\r\n").companionExtensions, "");
    EXPECT_EQ(loadFrom("[options]\r\nfolderFiles=cover.*\r\n").folderFiles, "cover.*");
}

TEST(Settings, FlagsAreOffOnlyWhenTheyStartWithZero) {
    const std::pair<const char*, int> cases[] = {
        {"recurse=", 1},  {"recurse=0", 0},    {"recurse=0x", 0}, {"recurse=no", 1},
        {"recurse=1", 1}, {"recurse = 0 ", 0}, {"RECURSE=0", 0},  {"other=0", 1},
    };
    for (const auto& [line, flag] : cases) {
        EXPECT_EQ(loadFrom(std::string("[settings]\r\n") + line + "\r\n").recurse, flag) << line;
    }
}

// Windows ends a profile's line at CR LF, LF or a CR alone, mixed as they come.
TEST(Settings, LinesEndAsWindowsEndsThem) {
    for (const char* ini : {"[settings]\rconfirm=0\rrecurse=0\r", "[settings]\nconfirm=0\r\nrecurse=0\r",
                            "[settings]\r\rconfirm=0\n\rrecurse=0"}) {
        const Settings s = loadFrom(ini);
        EXPECT_EQ(s.confirm, 0) << ini;
        EXPECT_EQ(s.recurse, 0) << ini;
    }
}

TEST(Settings, UndoLimitOutsideItsRangeIsTheDefault50) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"undoLimit=0", 50},
        {"undoLimit=abc", 50},
        {"", 50},
        {"undoLimit=7", 7},
        {"undoLimit=12abc", 12},
        {"undoLimit=1", 1},
        {"undoLimit=-5", 50},
        {"undoLimit=4294967295", 50},
        {"undoLimit=1000000", 1000000},
        {"undoLimit=1000001", 50},
        {"undoLimit=99999999999999", 50},
    };
    for (const auto& [line, limit] : cases) {
        EXPECT_EQ(loadFrom(std::string("[options]\r\n") + line + "\r\n").undoLimit, limit) << line;
    }
}

TEST(Settings, LongValuesAreCut) {
    const Settings s = loadFrom("[settings]\r\nmask=" + std::string(259, 'm') + std::string(259 * 2, 'n') +
                                "\r\nlastdir=" + std::string(300, 'l') +
                                "\r\n[options]\r\npluginsdir=" + std::string(258, 'p') + "é\r\n");
    EXPECT_EQ(s.mask.substr(0, 260), std::string(259, 'm') + "n") << "a pattern the window takes is kept whole";
    EXPECT_EQ(s.mask.size(), Settings::kMaxPatternLength * 3);
    EXPECT_EQ(s.lastdir, std::string(259, 'l'));
    EXPECT_EQ(s.pluginsdir, std::string(258, 'p')) << "cut before a character that would not fit whole";
}

TEST(Settings, FoldersKeepTheirSlots) {
    const Settings s = loadFrom("[settings]\r\npath0=\r\npath1=C:\\Music\\\r\npath9=D:\\last\\\r\n");
    EXPECT_EQ(s.path[0], "");
    EXPECT_EQ(s.path[1], "C:\\Music\\");
    EXPECT_EQ(s.path[9], "D:\\last\\");
}

TEST(Settings, SavedFromScratchInTheirOrder) {
    TempFolder folder;
    Settings s;
    s.recurse = 1;
    s.confirm = 0;
    s.undo = 1;
    s.regfiletype = 1;
    s.mask = "*.mp3";
    s.pluginsdir = "C:\\plugins\\";
    s.lastdir = "C:\\ren\\";
    s.path[0] = "C:\\Music\\";
    s.path[1] = "D:\\日本\\";
    s.limitUndo = 1;
    s.undoLimit = 7;
    s.tagOrder = 1;
    s.companionExtensions = "lrc";
    s.Save(AppPaths::in(folder.path()));
    EXPECT_EQ(readFile(folder / "braxen.ini"),
              "[settings]\r\nrecurse=1\r\nconfirm=0\r\nundo=1\r\nmask=*.mp3\r\nlastdir=C:\\ren\\\r\n"
              "path0=C:\\Music\\\r\npath1=D:\\日本\\\r\npath2=\r\npath3=\r\npath4=\r\npath5=\r\npath6="
              "\r\npath7=\r\n"
              "path8=\r\npath9=\r\n[options]\r\nregfiletype=1\r\ndirectoryPopup=0\r\npluginsdir=C:"
              "\\plugins\\\r\n"
              "limitUndo=1\r\nundoLimit=7\r\ntitleSmallWords=a an the and or of in on at to for by vs feat\r\n"
              "shortenNames=0\r\norderByTags=1\r\ncompanions=lrc\r\nfolderFiles=" +
                  std::string(Settings::kDefaultFolderFiles) + "\r\n");
    Settings back;
    back.Load(AppPaths::in(folder.path()));
    EXPECT_EQ(back.path[1], "D:\\日本\\");
    EXPECT_EQ(back.confirm, 0);
    EXPECT_EQ(back.undoLimit, 7);
    EXPECT_EQ(back.tagOrder, 1);
    EXPECT_EQ(back.companionExtensions, "lrc");
}

TEST(Settings, SaveKeepsOtherLinesAndReplacesInPlace) {
    TempFolder folder;
    writeFile(folder / "braxen.ini",
              "; written by hand\r\n[options]\r\nundoLimit = 9\r\nextra=keep "
              "me\r\n\r\n[mine]\r\nx=1\r\n");
    Settings s;
    s.Load(AppPaths::in(folder.path()));
    s.undoLimit = 11;
    s.Save(AppPaths::in(folder.path()));
    const std::string ini = readFile(folder / "braxen.ini");
    EXPECT_EQ(
        ini.substr(0, ini.find("[mine]")),
        "; written by hand\r\n[options]\r\nundoLimit=11\r\nextra=keep me\r\nregfiletype=1\r\n"
        "directoryPopup=0\r\npluginsdir=\r\nlimitUndo=1\r\ntitleSmallWords=a an the and or of in on at to for by vs "
        "feat\r\nshortenNames=0\r\norderByTags=0\r\ncompanions=" +
            std::string(Settings::kDefaultCompanionExtensions) + "\r\nfolderFiles=" + Settings::kDefaultFolderFiles +
            "\r\n\r\n");
    EXPECT_NE(ini.find("[mine]\r\nx=1\r\n[settings]\r\nrecurse=1"), std::string::npos) << ini;
}

// Saving changes only the values set: a byte order mark stays, so that what follows it reads the
// same (here a second mark, which keeps the section from being recognised).
TEST(Settings, SaveKeepsTheByteOrderMark) {
    TempFolder folder;
    const std::string bom = "\xEF\xBB\xBF";
    writeFile(folder / "braxen.ini", bom + bom + "[settings]\r\nconfirm=0\r\n");
    Settings s;
    s.Load(AppPaths::in(folder.path()));
    EXPECT_EQ(s.confirm, 1);
    s.Save(AppPaths::in(folder.path()));
    EXPECT_EQ(readFile(folder / "braxen.ini").substr(0, 16), bom + bom + "[settings]");
    Settings again;
    again.Load(AppPaths::in(folder.path()));
    EXPECT_EQ(again.confirm, 1);
}

// The same awkward files read by our reader and, on Windows, by the system's own.
const char* const kAwkwardFiles[] = {
    "[s]\r\nkey = value with spaces  \r\n",
    "[s]\r\nkey=\"quoted value\"\r\nk2='single'\r\nk3=\"open\r\nk4=\"a\" b\"\r\n",
    "[s]\r\nkey=first\r\nkey=second\r\n",
    "[S]\r\nKEY=upper\r\n",
    "; comment\r\n[s]\r\n;key=commented\r\nkey=real\r\n",
    "key=outside\r\n[other]\r\nkey=elsewhere\r\n",
    "[s]\r\n  key  =  \r\n",
    "[ s ]\r\nkey=spaced section\r\n",
    "[s]\nkey=unix lines\n",
    "[s]\r\nnoequals\r\nkey=after\r\n",
    "[s]\r\nkey==double\r\n",
};

TEST(IniFile, AwkwardFiles) {
    const char* const expected[] = {"value with spaces", "quoted value", "first", "upper",  "real", "", "",
                                    "spaced section",    "unix lines",   "after", "=double"};
    TempFolder folder;
    for (std::size_t i = 0; i < std::size(kAwkwardFiles); ++i) {
        writeFile(folder / "a.ini", kAwkwardFiles[i]);
        EXPECT_EQ(IniFile(folder / "a.ini").getString("s", "key", 260), expected[i]) << kAwkwardFiles[i];
    }
    writeFile(folder / "a.ini", kAwkwardFiles[1]);
    const IniFile ini(folder / "a.ini");
    EXPECT_EQ(ini.getString("s", "k2", 260), "single");
    EXPECT_EQ(ini.getString("s", "k3", 260), "\"open");
    EXPECT_EQ(ini.getString("missing", "key", 260), "");
}

#ifdef _WIN32
TEST(IniFile, AgreesWithTheSystemsReader) {
    TempFolder folder;
    const std::string path = folder / "a.ini";
    const std::wstring widePath(path.begin(), path.end());  // the temporary folder's path is ASCII
    const char* const keys[] = {"key", "k2", "k3", "k4", "KEY", ";key", "noequals"};
    for (const char* file : kAwkwardFiles) {
        writeFile(path, file);
        const IniFile ini(path);
        for (const char* section : {"s", "S", "other", "missing"}) {
            for (const char* key : keys) {
                wchar_t buffer[260] = {};
                const std::wstring wideSection(section, section + std::strlen(section));
                const std::wstring wideKey(key, key + std::strlen(key));
                GetPrivateProfileStringW(wideSection.c_str(), wideKey.c_str(), L"", buffer, 260, widePath.c_str());
                const std::wstring system(buffer);
                EXPECT_EQ(ini.getString(section, key, 260), std::string(system.begin(), system.end()))
                    << "file " << file << " section " << section << " key " << key;
            }
        }
    }
}
#endif

}  // namespace
