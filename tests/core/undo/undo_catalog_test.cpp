#include <gtest/gtest.h>

#include "core/app/reporter.h"
#include "core/persist/braxen_exception.h"
#include "core/session/rename_session.h"
#include "core/undo/undo_catalog.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "support/recording_reporter.h"
#include "support/temp_folder.h"

namespace {

using namespace core;
using testing_support::readFile;
using testing_support::RecordingReporter;
using testing_support::TempFolder;
using testing_support::writeFile;

// Renames pairs (old -> new) in one run with undo on; returns the database name.
std::string run(const AppPaths& paths, const std::string& folder,
                const std::vector<std::pair<std::string, std::string>>& renames) {
    RecordingReporter reporter;
    const RuleList rules;
    RenameSession session(nullptr, rules, true, false, 50, paths, reporter);
    for (const auto& [from, to] : renames) EXPECT_TRUE(session.renameFile(from, folder, to)) << from;
    return session.finish();
}

TEST(Undo, RestoresEveryNameAndDeletesTheDatabase) {
    TempFolder files, app;
    const AppPaths paths = AppPaths::in(app.path());
    const std::string dir = files.path() + platform::kPathSeparator;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) writeFile(dir + name, name);
    const std::string name = run(paths, dir, {{"a.mp3", "A1.mp3"}, {"b.mp3", "B1.mp3"}, {"c.mp3", "日本.mp3"}});

    UndoCatalog catalog(paths);
    catalog.refresh();
    ASSERT_EQ(catalog.entries().size(), 1u);
    EXPECT_TRUE(catalog.databaseExists(catalog.entries()[0]));
    std::size_t total = 0, lastDone = 0;
    const UndoOutcome outcome = catalog.undoDatabase(
        catalog.entries()[0], [&](std::size_t done) { lastDone = done; }, [&](std::size_t n) { total = n; });
    EXPECT_EQ(total, 3u);
    EXPECT_EQ(lastDone, 3u);
    EXPECT_EQ(outcome.failures, 0);
    EXPECT_EQ(outcome.finalText, "Undoing complete:\r\n\r\n3 files were successfully undone.");
    for (const char* original : {"a.mp3", "b.mp3", "c.mp3"}) EXPECT_EQ(readFile(dir + original), original);
    EXPECT_FALSE(platform::fileExists(paths.undoFolder() + name));
    EXPECT_TRUE(catalog.entries().empty());
}

TEST(Undo, InRenameOrderWithFailuresListed) {
    TempFolder files, app;
    const AppPaths paths = AppPaths::in(app.path());
    const std::string dir = files.path() + platform::kPathSeparator;
    writeFile(dir + "a.mp3", "A");
    writeFile(dir + "c.mp3", "C");
    run(paths, dir, {{"a.mp3", "b.mp3"}, {"c.mp3", "a.mp3"}});

    UndoCatalog catalog(paths);
    catalog.refresh();
    const UndoOutcome outcome = catalog.undoDatabase(catalog.entries()[0]);
    EXPECT_EQ(outcome.failures, 1);
    EXPECT_EQ(outcome.failureText, "- from \"b.mp3\" to \"a.mp3\" in \"" + dir + "\"\r\n");
    EXPECT_EQ(outcome.finalText,
              "Undoing complete:\r\n\r\nThe following files could not be undone:\r\n- from "
              "\"b.mp3\" to \"a.mp3\" in \"" +
                  dir + "\"\r\n\r\n1 files were successfully undone.");
    EXPECT_EQ(readFile(dir + "b.mp3"), "A") << "could not go back: a.mp3 was taken";
    EXPECT_EQ(readFile(dir + "c.mp3"), "C");
    EXPECT_TRUE(catalog.entries().empty()) << "the database is deleted anyway";
}

TEST(UndoCatalog, RemovesTheFirstEqualEntryAndMissingFilesAreNoObstacle) {
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    platform::createFolder(paths.undoFolder());
    {
        UndoIndex index(paths.indexFile());
        index.open();
        index.rewrite({{"AAAAAAAAAAAA", "same"}, {"AAAAAAAAAAAA", "same"}, {"BBBBBBBBBBBB", "other"}});
    }
    writeFile(paths.undoFolder() + "BBBBBBBBBBBB", "db");
    UndoCatalog catalog(paths);
    catalog.refresh();
    ASSERT_EQ(catalog.entries().size(), 3u);
    catalog.removeIndexEntry({"AAAAAAAAAAAA", "same"}, true);  // its file is already gone
    EXPECT_EQ(catalog.entries().size(), 2u);
    catalog.removeIndexEntry({"BBBBBBBBBBBB", "other"}, true);
    EXPECT_FALSE(platform::fileExists(paths.undoFolder() + "BBBBBBBBBBBB"));
    catalog.removeIndexEntry({"CCCCCCCCCCCC", "absent"}, true);  // nothing to do
    catalog.refresh();
    EXPECT_EQ(catalog.entries(), (std::vector<IndexEntry>{{"AAAAAAAAAAAA", "same"}}));
}

TEST(UndoCatalog, MissingIndexIsCreatedEmptyAndForeignOneRaises) {
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    UndoCatalog catalog(paths);
    catalog.refresh();
    EXPECT_FALSE(catalog.hasDatabases());
    EXPECT_TRUE(platform::fileExists(paths.indexFile()));
    writeFile(paths.indexFile(), "garbage that is no index at all........................................!");
    EXPECT_THROW(catalog.refresh(), BRAXEN::braxen_Exception);
    EXPECT_TRUE(catalog.entries().empty());
}

TEST(UndoCatalog, UnreadableDatabaseStaysListedAndUndoesNothing) {
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    platform::createFolder(paths.undoFolder());
    writeFile(paths.undoFolder() + "DDDDDDDDDDDD", "not a database");
    {
        UndoIndex index(paths.indexFile());
        index.open();
        index.rewrite({{"DDDDDDDDDDDD", "broken"}});
    }
    UndoCatalog catalog(paths);
    catalog.refresh();
    EXPECT_THROW(catalog.undoDatabase(catalog.entries()[0]), BRAXEN::braxen_Exception);
    catalog.refresh();
    EXPECT_EQ(catalog.entries().size(), 1u);
}

TEST(UndoCatalog, CloseWritesBackOnlyAfterAChange) {
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    {
        UndoIndex index(paths.indexFile());
        index.open();
        index.rewrite({{"EEEEEEEEEEEE", "e"}});
    }
    const std::string before = readFile(paths.indexFile());
    UndoCatalog catalog(paths);
    catalog.refresh();
    catalog.close();
    EXPECT_EQ(readFile(paths.indexFile()), before);
}

}  // namespace
