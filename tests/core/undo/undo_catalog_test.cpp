#include <gtest/gtest.h>

#include <functional>

#include "core/base/reporter.h"
#include "core/persist/binary_io.h"
#include "core/persist/braxen_exception.h"
#include "core/session/rename_session.h"
#include "core/undo/undo_catalog.h"
#include "platform/file_lock.h"
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
    RenameSession session(nullptr, rules, RunOptions{true, false, 50}, paths, reporter);
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
    EXPECT_EQ(outcome.finalText, "Undoing complete:\r\n\r\n3 files undone, 0 already back, 0 failed.");
    for (const char* original : {"a.mp3", "b.mp3", "c.mp3"}) EXPECT_EQ(readFile(dir + original), original);
    EXPECT_FALSE(platform::fileExists(paths.undoFolder() + name));
    EXPECT_TRUE(catalog.entries().empty());
}

// Last renamed first: a chain and a swap through a third name both come back.
TEST(Undo, ChainsAndSwapsComeBack) {
    struct Case {
        std::vector<std::string> originals;
        std::vector<std::pair<std::string, std::string>> renames;
    };
    const Case cases[] = {
        {{"a.mp3", "c.mp3"}, {{"a.mp3", "b.mp3"}, {"c.mp3", "a.mp3"}}},
        {{"a.mp3", "b.mp3"}, {{"a.mp3", "t.mp3"}, {"b.mp3", "a.mp3"}, {"t.mp3", "b.mp3"}}},
    };
    struct Killed {};
    // Each also with the undo killed after its first move back: the next one settles that from the
    // disk and finishes.
    for (const bool killed : {false, true})
        for (const Case& c : cases) {
            TempFolder files, app;
            const AppPaths paths = AppPaths::in(app.path());
            const std::string dir = files.path() + platform::kPathSeparator;
            for (const std::string& original : c.originals) writeFile(dir + original, "was " + original);
            const std::string name = run(paths, dir, c.renames);
            UndoCatalog catalog(paths);
            catalog.refresh();
            const IndexEntry entry = catalog.entries()[0];
            if (killed) {
                EXPECT_THROW(catalog.undoDatabase(entry, [](std::size_t) { throw Killed{}; }), Killed);
                EXPECT_TRUE(platform::fileExists(paths.undoFolder() + name + kUndoJournalExtension));
            }
            const UndoOutcome outcome = catalog.undoDatabase(entry);
            EXPECT_EQ(outcome.failures, 0) << outcome.failureText;
            EXPECT_EQ(outcome.undone, static_cast<int>(c.renames.size()));
            EXPECT_FALSE(platform::fileExists(paths.undoFolder() + name + kUndoJournalExtension));
            for (const std::string& original : c.originals) EXPECT_EQ(readFile(dir + original), "was " + original);
            EXPECT_FALSE(platform::fileExists(paths.undoFolder() + name));
            EXPECT_TRUE(catalog.entries().empty());
        }
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

// One that cannot be read is set aside, never deleted, and leaves the list, so it is told once.
TEST(UndoCatalog, UnreadableDatabaseIsSetAsideAndUndoesNothing) {
    const std::string head = formatUndoDatabase({}, "");
    std::string unknownVersion = head, countPastTheEnd = head;
    unknownVersion[4] = 9;
    countPastTheEnd[8 + kHeaderSlot] = 1;
    // One entry, "/m/" "b" "a": its texts from 109, the table from 120, its checksum at 128.
    const std::string one = formatUndoDatabase({{"/m/", "b", "a"}}, "");
    // Damage the checksum does not catch, since it was made again after it: the entries' own
    // checks catch it.
    const auto rechecked = [](std::string bytes) {
        std::string sum;
        appendLittle(sum, crc32(std::string_view(bytes).substr(0, 128)), 4);
        return bytes.replace(128, 4, sum);
    };
    std::string zeroInAName = one, lengthPastTheEntry = one, entryBeforeTheEntries = one, identityOff = one;
    zeroInAName[116] = '\0';
    lengthPastTheEntry[109] = 9;
    entryBeforeTheEntries[120] = 8;
    identityOff[84] ^= 1;  // the flag alone: only the checksum tells
    for (const std::string& bytes :
         {std::string("not a database"), unknownVersion, countPastTheEnd, rechecked(zeroInAName),
          rechecked(lengthPastTheEntry), rechecked(entryBeforeTheEntries), identityOff}) {
        TempFolder app;
        const AppPaths paths = AppPaths::in(app.path());
        platform::createFolder(paths.undoFolder());
        writeFile(paths.undoFolder() + "DDDDDDDDDDDD", bytes);
        registerDatabase(paths, {"DDDDDDDDDDDD", "broken"}, false, 50);
        UndoCatalog catalog(paths);
        catalog.refresh();
        EXPECT_THROW(catalog.undoDatabase(catalog.entries()[0]), UndoDatabaseSetAside);
        EXPECT_EQ(readFile(paths.undoFolder() + "DDDDDDDDDDDD.bad"), bytes);
        EXPECT_FALSE(platform::fileExists(paths.undoFolder() + "DDDDDDDDDDDD"));
        catalog.refresh();
        EXPECT_TRUE(catalog.entries().empty());
    }
}

TEST(UndoCatalog, CloseNeverWritesBackAnOldCopy) {
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    registerDatabase(paths, {"EEEEEEEEEEEE", "e"}, false, 50);
    UndoCatalog catalog(paths);
    catalog.refresh();
    registerDatabase(paths, {"FFFFFFFFFFFF", "registered meanwhile"}, false, 50);
    catalog.removeIndexEntry({"EEEEEEEEEEEE", "e"}, false);
    EXPECT_EQ(catalog.entries(), (std::vector<IndexEntry>{{"FFFFFFFFFFFF", "registered meanwhile"}}));
    catalog.close();
    catalog.refresh();
    EXPECT_EQ(catalog.entries().size(), 1u);
}

TEST(Undo, FailuresStayForAnotherTry) {
    TempFolder files, app;
    const AppPaths paths = AppPaths::in(app.path());
    const std::string dir = files.path() + platform::kPathSeparator;
    for (const char* name : {"a.mp3", "b.mp3", "c.mp3"}) writeFile(dir + name, name);
    const std::string name = run(paths, dir, {{"a.mp3", "A1.mp3"}, {"b.mp3", "B1.mp3"}, {"c.mp3", "C1.mp3"}});
    writeFile(dir + "b.mp3", "a newcomer in the way");

    UndoCatalog catalog(paths);
    catalog.refresh();
    const IndexEntry entry = catalog.entries()[0];
    UndoOutcome outcome = catalog.undoDatabase(entry);
    EXPECT_EQ(outcome.finalText,
              "Undoing complete:\r\n\r\nThe following files could not be undone:\r\n- from "
              "\"B1.mp3\" to \"b.mp3\" in \"" +
                  dir + "\"\r\n\r\n2 files undone, 0 already back, 1 failed.");
    EXPECT_EQ(catalog.entries(), std::vector<IndexEntry>{entry}) << "listed as before, same description";
    std::vector<UndoEntry> left;
    readUndoDatabase(paths.undoFolder() + name, left);
    EXPECT_EQ(left, (std::vector<UndoEntry>{{dir, "B1.mp3", "b.mp3"}}));

    platform::removeFile(dir + "b.mp3");
    // Cancelled before its first entry: what is left stays listed, for another undo.
    outcome = catalog.undoDatabase(entry, {}, {}, [] { return true; });
    EXPECT_EQ(outcome.notReached, 1);
    EXPECT_EQ(catalog.entries(), std::vector<IndexEntry>{entry});
    EXPECT_FALSE(platform::fileExists(dir + "b.mp3"));
    outcome = catalog.undoDatabase(entry);
    EXPECT_EQ(outcome.finalText, "Undoing complete:\r\n\r\n1 file undone, 0 already back, 0 failed.");
    for (const char* original : {"a.mp3", "b.mp3", "c.mp3"}) EXPECT_EQ(readFile(dir + original), original);
    EXPECT_FALSE(platform::fileExists(paths.undoFolder() + name));
    EXPECT_TRUE(catalog.entries().empty());
}

// What happened to a renamed file since its run decides its undo: only the file the run moved
// is moved back, and a second undo of a database waits for none.
TEST(Undo, OnlyTheRecordedFileIsMovedBack) {
    struct Case {
        const char* what;
        std::function<void(const std::string& dir, const std::string& journal, platform::FileLock& lock)> meddle;
        int undone, failures;
        const char* failureLine;  // empty for none; nullptr when the undo is refused
        bool journalSetAside = false;
    };
    const Case cases[] = {
        {"replaced",
         [](const std::string& dir, auto&, auto&) {
             // Saved over as editors do: a new file renamed in its place (a file created after the
             // old one is deleted may get its number back).
             writeFile(dir + "new", "another file");
             platform::removeFile(dir + "B1.mp3");
             platform::moveFile(dir + "new", dir + "B1.mp3");
         },
         1, 1, "- from \"B1.mp3\" to \"b.mp3\" in \"DIR\": changed since the run\r\n"},
        {"moved back by hand",
         [](const std::string& dir, auto&, auto&) { platform::moveFile(dir + "B1.mp3", dir + "b.mp3"); }, 2, 0, ""},
        {"being undone",
         [](const std::string&, const std::string& journal, platform::FileLock& lock) {
             ASSERT_TRUE(lock.tryLock(journal));
         },
         0, 0, nullptr},
        {"its undo's journal damaged",  // set aside, and the undo goes on
         [](const std::string&, const std::string& journal, auto&) { writeFile(journal, "not a journal"); }, 2, 0, "",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder files, app;
        const AppPaths paths = AppPaths::in(app.path());
        const std::string dir = files.path() + platform::kPathSeparator;
        for (const char* name : {"a.mp3", "b.mp3"}) writeFile(dir + name, name);
        const std::string name = run(paths, dir, {{"a.mp3", "A1.mp3"}, {"b.mp3", "B1.mp3"}});
        platform::FileLock otherUndo;
        c.meddle(dir, paths.undoFolder() + name + kUndoJournalExtension, otherUndo);
        UndoCatalog catalog(paths);
        catalog.refresh();
        if (!c.failureLine) {
            EXPECT_THROW(catalog.undoDatabase(catalog.entries()[0]), UndoInProgress);
            EXPECT_EQ(readFile(dir + "A1.mp3"), "a.mp3");
            continue;
        }
        const UndoOutcome outcome = catalog.undoDatabase(catalog.entries()[0]);
        EXPECT_EQ(outcome.undone, c.undone);
        EXPECT_EQ(outcome.failures, c.failures);
        std::string line = c.failureLine;
        if (line.find("DIR") != std::string::npos) line.replace(line.find("DIR"), 3, dir);
        EXPECT_EQ(outcome.failureText, line);
        EXPECT_EQ(readFile(dir + "a.mp3"), "a.mp3");
        EXPECT_EQ(platform::fileExists(dir + "b.mp3"), c.failures == 0) << "never the other file";
        const std::string journal = paths.undoFolder() + name + kUndoJournalExtension;
        EXPECT_FALSE(platform::fileExists(journal));
        EXPECT_EQ(platform::fileExists(journal + ".bad"), c.journalSetAside);
        EXPECT_EQ(outcome.finalText.find(journal + ".bad") != std::string::npos, c.journalSetAside) << "and told";
    }
}

#ifndef _WIN32
// On POSIX a name is bytes: whatever its encoding, and whatever Windows would think of it, the
// file gets exactly that name back.
TEST(Undo, NamesComeBackByteForByte) {
    TempFolder files, app;
    const AppPaths paths = AppPaths::in(app.path());
    const std::string dir = files.path() + platform::kPathSeparator;
    const std::string names[] = {"caf\xe9 \xe0 la cr\xe8me.mp3", "\x82\xa0\x82\xa2.mp3", "what: why?.mp3",
                                 "a*b\"c<d>e|f\\g.mp3"};
    std::vector<std::pair<std::string, std::string>> renames;
    for (const std::string& name : names) {
        writeFile(dir + name, name);
        renames.push_back({name, "plain" + std::to_string(renames.size()) + ".mp3"});
    }
    run(paths, dir, renames);
    UndoCatalog catalog(paths);
    catalog.refresh();
    const UndoOutcome outcome = catalog.undoDatabase(catalog.entries()[0]);
    EXPECT_EQ(outcome.failures, 0) << outcome.failureText;
    for (const std::string& name : names) EXPECT_EQ(readFile(dir + name), name);
}
#endif

// A damaged or crafted database never moves a file out of its recorded folder.
TEST(Undo, EntriesThatCouldLeaveTheirFolderAreRefused) {
    TempFolder outer, app;
    const AppPaths paths = AppPaths::in(app.path());
    const std::string sep(1, platform::kPathSeparator);
    const std::string dir = outer / "music" + sep;
    platform::createFolder(outer / "music");
    platform::createFolder(dir + "sub");
    writeFile(dir + "x.mp3", "x");
    writeFile(outer / "outside.mp3", "outside");
    writeFile(dir + "good2.mp3", "good");
    const auto ofKind = [](UndoEntry::Kind kind, std::string folder, std::string newName, std::string oldName,
                           std::string newFolder = {}) {
        UndoEntry entry{std::move(folder), std::move(newName), std::move(oldName)};
        entry.kind = kind;
        entry.newFolder = std::move(newFolder);
        return entry;
    };
    using Kind = UndoEntry::Kind;
    std::vector<UndoEntry> crafted = {
        ofKind(Kind::Move, dir, "x.mp3", "y.mp3", "music" + sep),
        ofKind(Kind::Move, dir + "sub" + sep, "x.mp3", "y.mp3", dir + "sub" + sep + ".." + sep),
        ofKind(Kind::Move, dir, "x.mp3", "y.mp3", outer / "music"),
        ofKind(Kind::FolderMade, dir, "sub", "x.mp3"),
        ofKind(Kind::FolderMade, dir, "..", ""),
        ofKind(Kind::FolderMade, dir, "sub", "", dir),
        ofKind(Kind::FolderRemoved, dir, "x.mp3", "gone"),
        ofKind(Kind::FolderRemoved, dir, "", "sub" + sep + "deeper"),
        ofKind(Kind::FolderRemoved, dir + "sub" + sep + ".." + sep, "", "made"),
        {dir, "x.mp3", ".." + sep + "escaped.mp3"},
        {dir, ".." + sep + "outside.mp3", "in.mp3"},
        {dir, "x.mp3", "sub" + sep + "y.mp3"},
        {dir, "x.mp3", ".."},
        {dir, "x.mp3", ""},
        {"music" + sep, "x.mp3", "y.mp3"},
        {dir + "sub" + sep + ".." + sep, "x.mp3", "y.mp3"},
        {outer / "music", "x.mp3", "y.mp3"},
        {dir, "good2.mp3", "good.mp3"},
    };
    platform::createFolder(paths.undoFolder());
    writeFile(paths.undoFolder() + "CRAFTEDDBXXX", formatUndoDatabase(crafted, ""));
    registerDatabase(paths, {"CRAFTEDDBXXX", "crafted"}, false, 50);

    UndoCatalog catalog(paths);
    catalog.refresh();
    const UndoOutcome outcome = catalog.undoDatabase(catalog.entries()[0]);
    EXPECT_EQ(outcome.undone, 1);
    EXPECT_EQ(outcome.failures, 11);
    EXPECT_EQ(outcome.folderFailures, 6) << "apart from the files";
    EXPECT_TRUE(platform::fileExists(dir + "sub")) << "no folder made is removed by an entry that is not safe";
    EXPECT_FALSE(platform::fileExists(dir + "made"));
    EXPECT_EQ(readFile(dir + "good.mp3"), "good");
    EXPECT_EQ(readFile(dir + "x.mp3"), "x");
    EXPECT_EQ(readFile(outer / "outside.mp3"), "outside");
    for (const std::string& absent :
         {outer / "escaped.mp3", dir + "in.mp3", dir + "y.mp3", dir + "sub" + sep + "y.mp3"}) {
        EXPECT_FALSE(platform::fileExists(absent)) << absent;
    }
    std::vector<UndoEntry> left;
    readUndoDatabase(paths.undoFolder() + "CRAFTEDDBXXX", left);
    EXPECT_EQ(left, std::vector<UndoEntry>(crafted.begin(), crafted.end() - 1));
}

TEST(UndoCatalog, IndexNamesThatAreNotOursTouchNoFile) {
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    platform::createFolder(paths.undoFolder());
    writeFile(app / "keep", "precious");
    const IndexEntry crafted{".." + std::string(1, platform::kPathSeparator) + "keep", "crafted"};
    registerDatabase(paths, crafted, false, 50);
    UndoCatalog catalog(paths);
    catalog.refresh();
    EXPECT_FALSE(catalog.databaseExists(crafted));
    EXPECT_THROW(catalog.undoDatabase(crafted), platform::FileError);
    DatabaseProperties properties;
    EXPECT_FALSE(loadDatabaseProperties(nullptr, paths, crafted.name, properties));
    catalog.removeIndexEntry(crafted, true);
    EXPECT_TRUE(catalog.entries().empty());
    EXPECT_EQ(readFile(app / "keep"), "precious");
}

}  // namespace
