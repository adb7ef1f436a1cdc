// Where the program keeps its files: the choice between a portable copy, the per-user folders and a
// named folder, on real folders, with some folders made unwritable by the folder preparer.
#include <gtest/gtest.h>

#include <set>

#include "core/base/app_paths.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/environment.h"
#include "support/temp_folder.h"

namespace {

using core::AppPaths;
using core::DataPlace;
using testing_support::TempFolder;
using testing_support::writeFile;

constexpr char sep = platform::kPathSeparator;

struct Folders {
    TempFolder root;
    std::string program = root / "program" + sep;
    std::string config = root / "config" + sep;
    std::string data = root / "data" + sep;
    std::string named = root / "named" + sep;
    Folders() { platform::createFolder(program); }

    AppPaths choose(const std::set<std::string>& locked, const std::string& namedFolder = std::string(),
                    bool sameUserFolder = false) {
        core::Surroundings s{program, namedFolder, DataPlace::Environment, config, sameUserFolder ? config : data};
        return AppPaths::choose(s, [&](const std::string& folder, std::string& why) {
            if (locked.count(folder)) {
                why = "locked";
                return false;
            }
            platform::createFolder(folder);
            return true;
        });
    }
};

TEST(AppPaths, PortableOrPerUserOrNamed) {
    enum Where { Program, User, Named };
    struct Case {
        const char* what;
        const char* nextToProgram;  // a file ("x") or folder ("x/") made next to the program, or ""
        bool programLocked, userLocked, named, namedLocked;
        Where where;
        DataPlace place;
        bool writable;
        bool noted;
    };
    const Case cases[] = {
        {"marker", "portable", false, false, false, false, Program, DataPlace::Portable, true, false},
        {"settings already there", "braxen.ini", false, false, false, false, Program, DataPlace::Portable, true, false},
        {"index already there", "braxen.idx", false, false, false, false, Program, DataPlace::Portable, true, false},
        {"undo folder already there", "undo/", false, false, false, false, Program, DataPlace::Portable, true, false},
        {"neither", "", false, false, false, false, User, DataPlace::PerUser, true, false},
        {"other files do not count", "readme.txt", false, false, false, false, User, DataPlace::PerUser, true, false},
        {"installed read-only", "", true, false, false, false, User, DataPlace::PerUser, true, false},
        {"portable but read-only", "portable", true, false, false, false, User, DataPlace::PerUser, true, true},
        {"named beats portable", "portable", false, false, true, false, Named, DataPlace::Environment, true, false},
        {"named beats per-user", "", false, false, true, false, Named, DataPlace::Environment, true, false},
        {"named but read-only", "", false, false, true, true, Named, DataPlace::Environment, false, true},
        {"nowhere", "portable", true, true, false, false, User, DataPlace::PerUser, false, true},
        {"per-user read-only", "", false, true, false, false, User, DataPlace::PerUser, false, true},
    };
    for (const Case& c : cases) {
        Folders s;
        const std::string made = c.nextToProgram;
        if (!made.empty() && made.back() == '/') {
            platform::createFolder(s.program + made.substr(0, made.size() - 1));
        } else if (!made.empty()) {
            writeFile(s.program + made, "");
        }
        std::set<std::string> locked;
        if (c.programLocked) locked.insert(s.program);
        if (c.userLocked) locked.insert({s.config, s.data});
        if (c.namedLocked) locked.insert(s.named);
        const AppPaths p = s.choose(locked, c.named ? s.named : std::string());

        const std::string dataFolder = c.where == Program ? s.program : c.where == Named ? s.named : s.data;
        const std::string configFolder = c.where == Program ? s.program : c.where == Named ? s.named : s.config;
        EXPECT_EQ(p.dataFolder, dataFolder) << c.what;
        EXPECT_EQ(p.configFolder, configFolder) << c.what;
        EXPECT_EQ(p.programFolder, s.program) << c.what;
        EXPECT_EQ(p.place, c.place) << c.what;
        EXPECT_EQ(p.dataWritable, c.writable) << c.what;
        EXPECT_EQ(!p.problem.empty(), c.noted) << c.what << ": " << p.problem;
        EXPECT_EQ(p.describe().find("Note: ") != std::string::npos, c.noted) << c.what;
        EXPECT_NE(p.describe().find(dataFolder), std::string::npos) << c.what;
    }
}

TEST(AppPaths, SettingsAndUndoRecordsInTheirOwnFolders) {
    Folders s;
    AppPaths p = s.choose({});
    EXPECT_EQ(p.settingsFile(), s.config + "braxen.ini");
    EXPECT_EQ(p.indexFile(), s.data + "braxen.idx");
    EXPECT_EQ(p.undoFolder(), s.data + "undo" + sep);
    EXPECT_NE(p.describe().find("Settings: " + s.config), std::string::npos) << p.describe();
    EXPECT_NE(p.describe().find("Undo records: " + s.data), std::string::npos) << p.describe();

    // Settings that cannot be saved do not stop undo, and the other way round.
    p = s.choose({s.config});
    EXPECT_TRUE(p.dataWritable);
    EXPECT_FALSE(p.configWritable);
    EXPECT_NE(p.problem.find(s.config), std::string::npos);
    p = s.choose({s.data});
    EXPECT_FALSE(p.dataWritable);
    EXPECT_TRUE(p.configWritable);

    // One folder for both, as on Windows: described once.
    p = s.choose({}, std::string(), true);
    EXPECT_NE(p.describe().find("Settings and undo records: " + s.config), std::string::npos) << p.describe();

    // A system that names no per-user folder leaves nowhere to write.
    core::Surroundings none{s.program, std::string(), DataPlace::Environment, std::string(), std::string()};
    p = AppPaths::choose(none);
    EXPECT_FALSE(p.dataWritable);
    EXPECT_FALSE(p.problem.empty());
}

TEST(AppPaths, FoldersAreCreatedAndProvedWritable) {
    TempFolder root;
    writeFile(root / "file", "");
    const std::string deep = root / "a" + sep + "b" + sep + "c" + sep;
    core::Surroundings s{root.path() + sep, deep, DataPlace::Option, std::string(), std::string()};
    AppPaths p = AppPaths::choose(s);
    EXPECT_TRUE(p.dataWritable) << p.problem;
    EXPECT_TRUE(platform::fileExists(deep));
    EXPECT_NE(p.describe().find("--data-dir"), std::string::npos);

    // A folder below a file can never exist, whoever runs the program.
    s.namedFolder = root / "file" + sep + "sub" + sep;
    p = AppPaths::choose(s);
    EXPECT_FALSE(p.dataWritable);
    EXPECT_EQ(p.dataFolder, s.namedFolder) << "a named folder is never swapped for another";
    EXPECT_NE(p.problem.find("cannot be written"), std::string::npos) << p.problem;
    EXPECT_FALSE(platform::fileExists(s.namedFolder));
}

TEST(AppPaths, LocateReadsTheSystem) {
    TempFolder root;
    testing_support::ScopedEnvironment environment;
    environment.set(AppPaths::kHomeVariable, root / "home");
    AppPaths p = AppPaths::locate();
    EXPECT_EQ(p.place, DataPlace::Environment);
    EXPECT_EQ(p.dataFolder, root / "home" + sep);
    EXPECT_EQ(p.programFolder, platform::GetModuleFolder());

    p = AppPaths::locate(root / "option");
    EXPECT_EQ(p.place, DataPlace::Option);
    EXPECT_EQ(p.indexFile(), root / "option" + sep + "braxen.idx");

#ifdef _WIN32
    environment.set("APPDATA", root / "roaming");
#else
    environment.set("XDG_CONFIG_HOME", root / "xdg-config");
    environment.set("XDG_DATA_HOME", root / "xdg-data");
#endif
    environment.set(AppPaths::kHomeVariable, std::string());  // empty counts as not set
    p = AppPaths::locate();
    ASSERT_EQ(p.place, DataPlace::PerUser) << "the test program's folder holds no data";
#ifdef _WIN32
    EXPECT_EQ(p.settingsFile(), root / "roaming" + sep + "Calderwynstrope" + sep + "braxen.ini");
    EXPECT_EQ(p.indexFile(), root / "roaming" + sep + "Calderwynstrope" + sep + "braxen.idx");
#else
    EXPECT_EQ(p.settingsFile(), root / "xdg-config/calderwynstrope/braxen.ini");
    EXPECT_EQ(p.indexFile(), root / "xdg-data/calderwynstrope/braxen.idx");
#endif
    EXPECT_TRUE(platform::fileExists(p.dataFolder));
}

}  // namespace
