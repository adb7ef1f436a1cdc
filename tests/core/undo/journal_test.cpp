#include <gtest/gtest.h>

#include <algorithm>

#include "core/persist/binary_io.h"
#include "core/persist/filter_archive.h"
#include "core/undo/database_writing.h"
#include "core/undo/journal.h"
#include "core/undo/journal_recovery.h"
#include "core/undo/undo_catalog.h"
#include "core/undo/undo_index.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"
#include "support/temp_folder.h"

namespace {

using namespace core;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

RuleList oneRule() {
    RuleList rules(1);
    rules[0].type = Append;
    rules[0].appendEnd() = "!";
    ruleDescription(rules[0]);
    return rules;
}

std::vector<IndexEntry> indexOf(const AppPaths& paths) {
    return parseIndex(platform::fileExists(paths.indexFile()) ? readFile(paths.indexFile()) : std::string());
}

std::vector<std::string> undoFolderFiles(const AppPaths& paths) {
    std::vector<std::string> names;
    platform::FindHandle find;
    platform::FindData data;
    for (bool more = find.first(paths.undoFolder() + "*", data); more; more = find.next(data)) {
        if (!(data.attributes & platform::AttrDirectory)) names.push_back(data.name);
    }
    return names;
}

// A whole journal's bytes, as the writer lays them out.
std::string journalBytes(std::time_t started, const std::vector<UndoEntry>& moves, std::vector<std::size_t>* ends) {
    TempFolder scratch;
    {
        platform::File file(scratch / "rules", platform::File::Mode::CreateWrite);
        writeInt(file, 0);  // a stand-in for the header, so the archive writes no stamp
        core::FilterWriter archive(file, 1, file.position());
        archive.writeRule(oneRule()[0]);
    }
    std::string bytes = formatJournalHeader(started) + readFile(scratch / "rules").substr(4);
    std::string folder;
    for (std::size_t i = 0; i < moves.size(); ++i) {
        // A folder made is whole as a step before its identity comes: the end of its own record.
        UndoEntry step = moves[i];
        if (step.kind == UndoEntry::Kind::FolderMade) step.id.reset();
        appendJournalEntry(bytes, folder, step, i);
        if (ends) ends->push_back(bytes.size());
        if (step.id.has_value() != moves[i].id.has_value()) appendJournalFolderIdentity(bytes, i, *moves[i].id);
    }
    return bytes;
}

UndoEntry folderStep(UndoEntry::Kind kind, const std::string& folder, const std::string& name,
                     std::optional<platform::FileId> id = std::nullopt) {
    UndoEntry entry{folder, kind == UndoEntry::Kind::FolderMade ? name : "",
                    kind == UndoEntry::Kind::FolderRemoved ? name : "", id};
    entry.kind = kind;
    return entry;
}

UndoEntry moveInto(const std::string& folder, const std::string& oldName, const std::string& newFolder,
                   const std::string& newName, platform::FileId id) {
    UndoEntry entry{folder, newName, oldName, id};
    entry.newFolder = newFolder;
    return entry;
}

TEST(JournalFormat, EveryCutKeepsTheWholeRecordsBeforeIt) {
    const std::vector<UndoEntry> moves = {
        {"/music/", "b.mp3", "a.mp3"},
        {"/music/", "d.mp3", "c.mp3"},
        {"/music/deep/", "\xff\xfe.mp3", "x:?.mp3", platform::FileId{7, 1ull << 40}},
        folderStep(UndoEntry::Kind::FolderMade, "/music/", "Artist", platform::FileId{7, 9, 11}),
        folderStep(UndoEntry::Kind::FolderMade, "/music/Artist/", "Album"),  // killed before its identity
        moveInto("/music/deep/", "e.mp3", "/music/Artist/Album/", "01 - E.mp3", platform::FileId{7, 12, 13}),
        folderStep(UndoEntry::Kind::FolderRemoved, "/music/", "deep", platform::FileId{7, 14, 0}),
        {"/music/", "f.mp3", "e.mp3"}};
    std::vector<std::size_t> ends;
    const std::string bytes = journalBytes(1234567890, moves, &ends);
    const auto whole = parseJournal(bytes);
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->started, 1234567890);
    EXPECT_EQ(whole->moves, moves);
    for (std::size_t i = 0; i < moves.size(); ++i) {
        EXPECT_EQ(whole->moves[i].id, moves[i].id) << i;
        EXPECT_EQ(whole->moves[i].newFolder, moves[i].newFolder) << i;
    }
    const std::size_t headerEnd = 24 + 72 + 784;  // the header and a Rule section of one Rule
    for (std::size_t cut = 0; cut < bytes.size(); ++cut) {
        const auto part = parseJournal(std::string_view(bytes).substr(0, cut));
        if (cut < headerEnd) {
            EXPECT_FALSE(part) << cut;
            continue;
        }
        ASSERT_TRUE(part) << cut;
        const auto whole = static_cast<std::size_t>(std::upper_bound(ends.begin(), ends.end(), cut) - ends.begin());
        ASSERT_EQ(part->moves.size(), whole) << cut;
        // The folder made has its identity once that record is whole too, not before.
        if (whole > 3) {
            EXPECT_EQ(part->moves[3].id.has_value(), cut >= ends[3] + 41) << cut;
        }
    }
}

TEST(JournalFormat, DamageEndsTheJournalWhereItIs) {
    const std::vector<UndoEntry> moves = {{"/m/", "b", "a"},
                                          {"/m/", "d", "c"},
                                          {"/m/", "f", "e"},
                                          folderStep(UndoEntry::Kind::FolderMade, "/m/", "A", platform::FileId{1, 2}),
                                          moveInto("/m/", "g", "/m/A/", "h", platform::FileId{1, 3}),
                                          folderStep(UndoEntry::Kind::FolderRemoved, "/m/", "B", platform::FileId{})};
    std::vector<std::size_t> ends;
    const std::string bytes = journalBytes(0, moves, &ends);
    struct Case {
        const char* what;
        std::size_t at;
        std::size_t movesLeft;
    };
    const Case cases[] = {
        {"magic", 0, 99},
        {"start time", 13, 99},
        {"filters", 30, 99},
        {"second move's name", ends[1] - 6, 1},
        {"third move's checksum", ends[2] - 1, 2},
        {"folder made's name", ends[3] - 5, 3},
        {"folder made's identity", ends[3] + 20, 4},  // then the next steps are not read either
        {"move into's new folder", ends[4] - 8, 4},
        {"folder removed's identity", ends[5] - 20, 5},
    };
    for (const Case& c : cases) {
        std::string damaged = bytes;
        damaged[c.at] = static_cast<char>(damaged[c.at] ^ 0x20);
        const auto content = parseJournal(damaged);
        if (c.movesLeft == 99) {
            EXPECT_FALSE(content) << c.what;
        } else {
            ASSERT_TRUE(content) << c.what;
            EXPECT_EQ(content->moves.size(), c.movesLeft) << c.what;
        }
    }
}

struct Music {
    TempFolder folder;
    std::string prefix = platform::withSeparator(folder.path());
    void add(const std::string& name) const { writeFile(prefix + name, name); }
    bool has(const std::string& name) const { return platform::fileExists(prefix + name); }
};

// Records and makes each move, as a run does; false when a move failed.
bool run(RunJournal& journal, const Music& music, const std::vector<std::pair<std::string, std::string>>& moves) {
    bool all = true;
    for (const auto& [from, to] : moves) {
        const auto id = platform::entryId(music.prefix + from);
        if (!id) {
            all = false;  // nothing there to move, nor to record
            continue;
        }
        const std::uint64_t record = journal.recordMove(music.prefix, from, to, *id);
        journal.waitDurable(record);
        bool made = true;
        try {
            platform::moveFile(music.prefix + from, music.prefix + to);
        } catch (const platform::FileError&) {
            made = all = false;
        }
        journal.moveMade(record, made);
    }
    return all;
}

TEST(RunJournal, FinishedRunBecomesAnOrdinaryDatabase) {
    TempFolder app;
    Music music;
    const AppPaths paths = AppPaths::in(app.path());
    for (const char* name : {"a.mp3", "c.mp3", "taken.mp3"}) music.add(name);
    RunJournal journal;
    journal.create(paths, oneRule());
    EXPECT_EQ(undoFolderFiles(paths), std::vector<std::string>{journal.name() + ".jnl"});
    EXPECT_FALSE(run(journal, music, {{"a.mp3", "b.mp3"}, {"c.mp3", "taken.mp3"}, {"c.mp3", "a.mp3"}}));
    const std::string name = journal.finish(false, 50);
    EXPECT_EQ(name, journal.name());
    EXPECT_EQ(undoFolderFiles(paths), std::vector<std::string>{name}) << "the journal is gone";
    const auto index = indexOf(paths);
    ASSERT_EQ(index.size(), 1u);
    EXPECT_EQ(index[0].name, name);
    EXPECT_NE(index[0].description.find(" - 2 files renamed, 0 unchanged, 0 failed."), std::string::npos);
    EXPECT_EQ(index[0].description.find("interrupted"), std::string::npos);
    std::vector<UndoEntry> entries;
    readUndoDatabase(paths.undoFolder() + name, entries);
    EXPECT_EQ(entries, (std::vector<UndoEntry>{{music.prefix, "b.mp3", "a.mp3"}, {music.prefix, "a.mp3", "c.mp3"}}));
    DatabaseProperties properties;
    ASSERT_TRUE(loadDatabaseProperties(nullptr, paths, name, properties));
    ASSERT_EQ(properties.rules.size(), 1u);
    EXPECT_EQ(properties.rules[0].appendEnd(), "!");
}

TEST(RunJournal, RunWithoutMovesLeavesNothing) {
    TempFolder app;
    Music music;
    const AppPaths paths = AppPaths::in(app.path());
    RunJournal journal;
    journal.create(paths, oneRule());
    EXPECT_FALSE(run(journal, music, {{"missing.mp3", "x.mp3"}}));
    EXPECT_EQ(journal.finish(false, 50), "");
    EXPECT_TRUE(undoFolderFiles(paths).empty());
    EXPECT_TRUE(indexOf(paths).empty());
}

TEST(JournalRecovery, KeepsOnlyTheMovesThatHappened) {
    TempFolder app;
    Music music;
    const AppPaths paths = AppPaths::in(app.path());
    for (const char* name : {"a.mp3", "c.mp3", "x.mp3", "y.mp3", "busy.mp3", "keep.mp3", "m.mp3", "other.mp3"}) {
        music.add(name);
    }
    std::string journalName;
    {
        RunJournal journal;
        journal.create(paths, oneRule());
        journalName = journal.name();
        // A chain, a swap through a third name, a failed move, and a last move recorded but never
        // made: the run dies between the record and the move.
        run(journal, music,
            {{"a.mp3", "b.mp3"},
             {"c.mp3", "a.mp3"},
             {"x.mp3", "t.mp3"},
             {"y.mp3", "x.mp3"},
             {"t.mp3", "y.mp3"},
             {"busy.mp3", "keep.mp3"}});
        // Another run got there first: it moved m.mp3 away and another file to the new name, so
        // this run's move failed. The disk alone would say it was made.
        journal.recordMove(music.prefix, "m.mp3", "n.mp3", *platform::entryId(music.prefix + "m.mp3"));
        platform::moveFile(music.prefix + "m.mp3", music.prefix + "q.mp3");
        platform::moveFile(music.prefix + "other.mp3", music.prefix + "n.mp3");
        journal.recordMove(music.prefix, "keep.mp3", "kept.mp3", *platform::entryId(music.prefix + "keep.mp3"));
        // Destroyed without finishing, as a process that is killed.
    }
    const JournalRecovery recovery = recoverJournals(paths, false, 50);
    EXPECT_TRUE(recovery.problems.empty()) << recovery.problems.front();
    ASSERT_EQ(recovery.recovered, std::vector<std::string>{journalName});
    EXPECT_EQ(undoFolderFiles(paths), std::vector<std::string>{journalName});
    const auto index = indexOf(paths);
    ASSERT_EQ(index.size(), 1u);
    const std::string& description = index[0].description;
    EXPECT_EQ(description.substr(description.find(" - ")), " - 5 file(s) renamed. (interrupted)");

    // Undo brings every file back to the name it had.
    UndoCatalog catalog(paths);
    catalog.refresh();
    const UndoOutcome outcome = catalog.undoDatabase(index[0]);
    EXPECT_EQ(outcome.failures, 0) << outcome.failureText;
    for (const char* name : {"a.mp3", "c.mp3", "x.mp3", "y.mp3", "busy.mp3", "keep.mp3"}) {
        EXPECT_TRUE(music.has(name)) << name;
    }
    EXPECT_FALSE(music.has("b.mp3"));
    EXPECT_FALSE(music.has("t.mp3"));
    EXPECT_TRUE(music.has("n.mp3") && music.has("q.mp3")) << "the other run's files stay where it put them";
}

TEST(JournalRecovery, AJournalWhoseFolderIsAwayIsKeptUntilItIsBack) {
    TempFolder app, drive;
    const AppPaths paths = AppPaths::in(app.path());
    const std::string mounted = drive / "usb", away = drive / "usb-away";
    platform::createFolder(mounted);
    writeFile(mounted + "/a.mp3", "a");
    {
        RunJournal journal;
        journal.create(paths, oneRule());
        const std::string folder = platform::withSeparator(mounted);
        const std::uint64_t record = journal.recordMove(folder, "a.mp3", "b.mp3", *platform::entryId(folder + "a.mp3"));
        journal.waitDurable(record);
        platform::moveFile(folder + "a.mp3", folder + "b.mp3");
    }
    platform::moveFile(mounted, away);
    // Away, then an empty mount point where the drive was: its files are at neither name, and the
    // journal still stays.
    for (int start = 0; start < 3; ++start) {
        if (start == 2) platform::createFolder(mounted);
        const JournalRecovery recovery = recoverJournals(paths, false, 50);
        ASSERT_EQ(recovery.waiting.size(), 1u);
        EXPECT_EQ(recovery.waiting[0].folder, platform::withSeparator(mounted));
        EXPECT_EQ(recovery.waiting[0].filesAway, start == 2);
        EXPECT_TRUE(recovery.recovered.empty());
    }
    platform::moveFile(mounted, drive / "empty");
    platform::moveFile(away, mounted);
    const JournalRecovery recovery = recoverJournals(paths, false, 50);
    EXPECT_TRUE(recovery.waiting.empty());
    EXPECT_EQ(recovery.recovered.size(), 1u);
    EXPECT_EQ(indexOf(paths).size(), 1u);
}

TEST(JournalRecovery, LeavesTheJournalOfARunInProgress) {
    TempFolder app;
    Music music;
    const AppPaths paths = AppPaths::in(app.path());
    music.add("a.mp3");
    RunJournal journal;
    journal.create(paths, oneRule());
    run(journal, music, {{"a.mp3", "b.mp3"}});
    const JournalRecovery recovery = recoverJournals(paths, false, 50);
    EXPECT_TRUE(recovery.recovered.empty());
    EXPECT_TRUE(recovery.problems.empty());
    EXPECT_TRUE(platform::fileExists(journal.path()));
    EXPECT_EQ(journal.finish(false, 50), journal.name()) << "the run finishes as if nothing had happened";
    EXPECT_EQ(indexOf(paths).size(), 1u);
}

TEST(JournalRecovery, EveryStageOfADyingFinish) {
    // The run can die while its database is written, after it is in place, or after it is
    // registered: each time recovery ends with one database, listed once.
    enum Stage { TemporaryWritten, DatabaseInPlace, Registered };
    for (const Stage stage : {TemporaryWritten, DatabaseInPlace, Registered}) {
        SCOPED_TRACE(stage);
        TempFolder app;
        Music music;
        const AppPaths paths = AppPaths::in(app.path());
        music.add("a.mp3");
        RunJournal journal;
        journal.create(paths, oneRule());
        const std::string name = journal.name();
        run(journal, music, {{"a.mp3", "b.mp3"}});
        const std::string database = paths.undoFolder() + name;
        writeDatabaseAs(paths, name, {{music.prefix, "b.mp3", "a.mp3"}}, "");
        if (stage == TemporaryWritten) {
            platform::moveFile(database, database + ".tmp");
            writeFile(database + ".tmp", readFile(database + ".tmp").substr(0, 100));
        }
        if (stage == Registered) registerDatabase(paths, IndexEntry{name, "finished"}, false, 50);
        journal.abandon();

        for (int again = 0; again < 2; ++again) {
            const JournalRecovery recovery = recoverJournals(paths, false, 50);
            EXPECT_TRUE(recovery.problems.empty());
            EXPECT_EQ(recovery.recovered.size(), again == 0 && stage != Registered ? 1u : 0u);
        }
        EXPECT_EQ(undoFolderFiles(paths), std::vector<std::string>{name});
        const auto index = indexOf(paths);
        ASSERT_EQ(index.size(), 1u);
        EXPECT_EQ(index[0].name, name);
        std::vector<UndoEntry> entries;
        readUndoDatabase(database, entries);
        EXPECT_EQ(entries, (std::vector<UndoEntry>{{music.prefix, "b.mp3", "a.mp3"}}));
    }
}

TEST(JournalRecovery, EmptyJournalsAreDroppedDamagedOrCraftedOnesSetAside) {
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    platform::createFolder(paths.undoFolder());
    writeFile(paths.undoFolder() + "AAAAAAAAAAAA.jnl", "");
    writeFile(paths.undoFolder() + "BBBBBBBBBBBB.jnl", "CWJOURNL garbage");
    writeFile(paths.undoFolder() + "CCCCCCCCCCCC.jnl", journalBytes(0, {{"relative/", "b.mp3", "a.mp3"}}, nullptr));
    writeFile(paths.undoFolder() + "DDDDDDDDDDDD.jnl", journalBytes(0, {{"/m/", "../b.mp3", "a.mp3"}}, nullptr));
    writeFile(paths.undoFolder() + "notours.jnl", "left alone");
    for (int start = 0; start < 2; ++start) {
        const JournalRecovery recovery = recoverJournals(paths, false, 50);
        EXPECT_TRUE(recovery.recovered.empty());
        EXPECT_TRUE(recovery.problems.empty());
        EXPECT_EQ(recovery.setAside.size(), start == 0 ? 3u : 0u) << "told once";
    }
    std::vector<std::string> files = undoFolderFiles(paths);
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"BBBBBBBBBBBB.jnl.bad", "CCCCCCCCCCCC.jnl.bad", "DDDDDDDDDDDD.jnl.bad",
                                               "notours.jnl"}));
    EXPECT_TRUE(indexOf(paths).empty());
}

TEST(JournalRecovery, AnIndexThatIsNotAcceptableKeepsTheJournal) {
    TempFolder app;
    Music music;
    const AppPaths paths = AppPaths::in(app.path());
    music.add("a.mp3");
    writeFile(paths.indexFile(), "not an index at all, but long enough to be read as one.......................");
    std::string journalPath;
    {
        RunJournal journal;
        journal.create(paths, oneRule());
        run(journal, music, {{"a.mp3", "b.mp3"}});
        journalPath = journal.path();
    }
    const JournalRecovery recovery = recoverJournals(paths, false, 50);
    ASSERT_EQ(recovery.problems.size(), 1u);
    EXPECT_NE(recovery.problems[0].find(paths.indexFile()), std::string::npos) << recovery.problems[0];
    EXPECT_TRUE(platform::fileExists(journalPath));

    platform::removeFile(paths.indexFile());
    EXPECT_EQ(recoverJournals(paths, false, 50).recovered.size(), 1u) << "recovered once the index is fixed";
    EXPECT_FALSE(platform::fileExists(journalPath));
}

// A run that organises: makes A/ and A/B/ in the music folder, moves old/x.mp3 into A/B/ and
// removes the emptied old/, journaled step by step as a run does; it is killed after `done`
// steps (the next one recorded, or also made, as asked), or finishes when none is left. Then
// recovery (or the finished run's database) and undo must give back exactly what was there: x.mp3
// in old/, no A/. A file the user puts into A/B/ after the run stays, with A/B/, and x.mp3 still
// goes back.
TEST(JournalRecovery, ARunThatMadeAndRemovedFoldersIsUndoneFromAnyStep) {
    enum Next { Nothing, Recorded, MadeNotTold, IdentityNotRecorded };
    struct Case {
        int done;  // of the four steps
        Next next;
        bool userFile;
        bool folderAStays;  // after undo
        int kept;           // folders made that undo leaves: A/B/ with the user's file, and A/ holding it
    };
    const Case cases[] = {
        {0, Nothing, false, false, 0}, {0, Recorded, false, false, 0},  {0, IdentityNotRecorded, false, false, 0},
        {1, Nothing, false, false, 0}, {1, Recorded, false, false, 0},  {1, IdentityNotRecorded, false, false, 0},
        {2, Nothing, false, false, 0}, {2, Recorded, false, false, 0},  {2, MadeNotTold, false, false, 0},
        {3, Nothing, false, false, 0}, {3, Recorded, false, false, 0},  {3, MadeNotTold, false, false, 0},
        {4, Nothing, false, false, 0}, {2, MadeNotTold, true, true, 2}, {3, MadeNotTold, true, true, 2},
        {4, Nothing, true, true, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("done " + std::to_string(c.done) + ", next " + std::to_string(c.next) +
                     (c.userFile ? ", a file of the user's" : ""));
        TempFolder app;
        Music music;
        const AppPaths paths = AppPaths::in(app.path());
        const std::string sep(1, platform::kPathSeparator);
        const std::string old = music.prefix + "old" + sep, a = music.prefix + "A" + sep, b = a + "B" + sep;
        platform::createFolder(music.prefix + "old");
        writeFile(old + "x.mp3", "x");
        const platform::FileId oldId = *platform::entryId(music.prefix + "old");
        {
            RunJournal journal;
            journal.create(paths, oneRule());
            // Each step: its record, then (unless the run dies first) the step and its telling.
            const auto step = [&](int number) {
                const bool last = number == c.done;
                if (last && c.next == Nothing) return false;
                const bool makes = number < 2;
                const std::string parent = number == 1 ? a : music.prefix;
                std::uint64_t record = 0;
                if (makes) record = journal.recordFolderMade(parent, number == 0 ? "A" : "B");
                if (number == 2)
                    record = journal.recordMoveInto(old, "x.mp3", b, "01 - x.mp3", *platform::entryId(old + "x.mp3"));
                if (number == 3) record = journal.recordFolderRemoved(music.prefix, "old", oldId);
                journal.waitDurable(record);
                if (last && c.next == Recorded) return false;
                if (makes) {
                    const std::string made = parent + (number == 0 ? "A" : "B");
                    EXPECT_TRUE(platform::createFolder(made));
                    if (last && c.next == IdentityNotRecorded) return false;
                    journal.folderMadeAs(record, *platform::entryId(made));
                } else if (number == 2) {
                    platform::MoveFolder from(old), into(b);
                    from.moveFileInto("x.mp3", into, "01 - x.mp3");
                } else {
                    EXPECT_TRUE(platform::removeEmptyFolder(music.prefix + "old"));
                }
                if (last) return false;
                journal.moveMade(record, true);
                return true;
            };
            int number = 0;
            while (number < 4 && step(number)) ++number;
            if (number == 4) {
                EXPECT_EQ(journal.finish(false, 50), journal.name());
            }  // else killed: destroyed without finishing
        }
        if (c.userFile) writeFile(b + "mine.txt", "mine");
        const JournalRecovery recovery = recoverJournals(paths, false, 50);
        EXPECT_TRUE(recovery.problems.empty()) << recovery.problems.front();
        EXPECT_TRUE(recovery.waiting.empty());
        EXPECT_TRUE(recovery.setAside.empty());
        UndoCatalog catalog(paths);
        catalog.refresh();
        if (catalog.hasDatabases()) {
            const UndoOutcome outcome = catalog.undoDatabase(catalog.entries()[0]);
            EXPECT_EQ(outcome.failures + outcome.folderFailures, 0) << outcome.finalText;
            EXPECT_EQ(outcome.undone, c.done >= 3 || (c.done == 2 && c.next == MadeNotTold) ? 1 : 0);
            EXPECT_EQ(outcome.foldersKept, c.kept) << outcome.finalText;
        }
        catalog.refresh();
        EXPECT_FALSE(catalog.hasDatabases()) << "nothing is left to undo";
        EXPECT_EQ(readFile(old + "x.mp3"), "x");
        EXPECT_FALSE(platform::fileExists(b + "01 - x.mp3"));
        EXPECT_EQ(platform::fileExists(music.prefix + "A"), c.folderAStays);
        if (c.userFile) {
            EXPECT_EQ(readFile(b + "mine.txt"), "mine");
        }
    }
}

}  // namespace
