#include <gtest/gtest.h>

#include <tuple>

#include "core/persist/binary_io.h"
#include "core/persist/braxen_exception.h"
#include "core/persist/filter_archive.h"
#include "core/undo/journal.h"
#include "core/undo/undo_database.h"
#include "core/undo/undo_index.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/search.h"
#include "support/temp_folder.h"

namespace {

using namespace core;
using BRAXEN::braxen_Exception;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

RuleList threeRules() {
    RuleList rules(3);
    for (int i = 0; i < 3; ++i) {
        rules[i].type = Append;
        rules[i].appendEnd() = std::to_string(i);
        ruleDescription(rules[i]);
    }
    return rules;
}

// The database of a run that made `moves`, written as every run writes it: from its journal, told
// the size of each entry (wrongly, by `skew` bytes, to see that a wrong size harms nothing).
std::string commitRun(const AppPaths& paths, const RuleList& rules, const std::vector<UndoEntry>& moves,
                      bool limitUndo = false, std::int32_t undoLimit = 50, std::uint64_t skew = 0) {
    RunJournal journal;
    journal.create(paths, rules);
    for (const UndoEntry& move : moves) {
        journal.moveMade(
            journal.recordMove(move.folder, move.oldName, move.newName, move.id.value_or(platform::FileId{})), true,
            compactEntrySize(move.folder, move.newName, move.oldName) + skew);
    }
    return journal.finish(limitUndo, undoLimit);
}

// Every database and journal record is summed: the sum must be zlib's, however long the bytes,
// wherever they start and in however many pieces they come.
TEST(Checksum, IsZlibsCrc32AtEveryLengthAndInPieces) {
    EXPECT_EQ(crc32(""), 0u);
    EXPECT_EQ(crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(crc32(std::string(64, 'a')), 0x89B46555u);
    const auto bitByBit = [](std::string_view bytes) {
        std::uint32_t crc = 0xFFFFFFFFu;
        for (const char c : bytes) {
            crc ^= static_cast<unsigned char>(c);
            for (int k = 0; k < 8; ++k) crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
        }
        return crc ^ 0xFFFFFFFFu;
    };
    std::string bytes(5000, '\0');
    std::uint32_t seed = 12345;
    for (char& c : bytes) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 23);
    for (std::size_t start : {0, 1, 7, 15}) {
        for (std::size_t length = 0; length + start <= bytes.size(); length += length < 300 ? 1 : 97) {
            const std::string_view piece = std::string_view(bytes).substr(start, length);
            ASSERT_EQ(crc32(piece), bitByBit(piece)) << start << " " << length;
            const std::size_t cut = length / 3;
            ASSERT_EQ(crc32(piece.substr(cut), crc32(piece.substr(0, cut))), bitByBit(piece)) << start << " " << length;
        }
    }
}

TEST(UndoDates, ShortAndLongForms) {
    std::tm t{};
    t.tm_year = 99;
    t.tm_mon = 2;
    t.tm_mday = 7;
    t.tm_wday = 0;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 2;
    EXPECT_EQ(shortDateTime(t), "3/7/99 9:05:02");
    EXPECT_EQ(longDateTime(t), "Sunday, March 07, 1999 9:05:02");
    t.tm_year = 126;
    t.tm_mon = 11;
    t.tm_mday = 24;
    t.tm_wday = 4;
    t.tm_hour = 23;
    EXPECT_EQ(shortDateTime(t), "12/24/26 23:05:02");
    EXPECT_EQ(longDateTime(t), "Thursday, December 24, 2026 23:05:02");
}

UndoEntry ofKind(UndoEntry::Kind kind, std::string folder, std::string newName, std::string oldName,
                 std::optional<platform::FileId> id, std::string newFolder = {}) {
    UndoEntry entry{std::move(folder), std::move(newName), std::move(oldName), id};
    entry.kind = kind;
    entry.newFolder = std::move(newFolder);
    return entry;
}

// The database of a run that took `steps` of every kind, written from its journal as a run writes it.
std::string commitSteps(const AppPaths& paths, const std::vector<UndoEntry>& steps) {
    RunJournal journal;
    journal.create(paths, threeRules());
    for (const UndoEntry& step : steps) {
        const platform::FileId id = step.id.value_or(platform::FileId{});
        std::uint64_t record = 0;
        if (step.kind == UndoEntry::Kind::FolderMade) {
            record = journal.recordFolderMade(step.folder, step.newName);
            if (step.id) journal.folderMadeAs(record, id);
        } else if (step.kind == UndoEntry::Kind::FolderRemoved) {
            record = journal.recordFolderRemoved(step.folder, step.oldName, id);
        } else if (!step.newFolder.empty()) {
            record = journal.recordMoveInto(step.folder, step.oldName, step.newFolder, step.newName, id);
        } else {
            record = journal.recordMove(step.folder, step.oldName, step.newName, id);
        }
        journal.moveMade(record, true, compactEntrySize(step));
    }
    return journal.finish(false, 50);
}

// Each kind of entry reads back as it was written, by both writers; a database needs version 7
// only for an entry of folders, and keeps version 6 (LayoutEntriesThenFilters gives its bytes)
// otherwise.
TEST(UndoDatabase, FolderEntriesNeedVersion7AndOthersKeepVersion6) {
    using Kind = UndoEntry::Kind;
    const UndoEntry plain{"/m/", "b.mp3", "a.mp3", platform::FileId{1, 2, 3}};
    const UndoEntry into = ofKind(Kind::Move, "/m/old/", "01 - A.mp3", "a.mp3", platform::FileId{1, 4, 5}, "/m/X/Y/");
    const UndoEntry made = ofKind(Kind::FolderMade, "/m/X/", "Y", "", platform::FileId{1, 6, 7});
    const UndoEntry madeUntold = ofKind(Kind::FolderMade, "/m/", "X", "", std::nullopt);
    const UndoEntry removed = ofKind(Kind::FolderRemoved, "/m/", "", "old", platform::FileId{1, 8, 0});
    struct Case {
        std::vector<UndoEntry> entries;
        std::uint32_t version;
    };
    const Case cases[] = {
        {{plain}, 6}, {{plain, into}, 7}, {{madeUntold, made, into, removed}, 7}, {{removed}, 7}, {{made, plain}, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entries.size());
        TempFolder app;
        const AppPaths paths = AppPaths::in(app.path());
        const std::string formatted = formatUndoDatabase(c.entries, "rules");
        const std::string committed = readFile(paths.undoFolder() + commitSteps(paths, c.entries));
        for (const std::string& bytes : {formatted, committed}) {
            EXPECT_EQ(u32At(bytes, 4), c.version);
            const std::vector<UndoEntry> read = parseUndoDatabase(bytes).entries;
            ASSERT_EQ(read, c.entries);
            for (std::size_t i = 0; i < read.size(); ++i) {
                EXPECT_EQ(read[i].kind, c.entries[i].kind) << i;
                EXPECT_EQ(read[i].newFolder, c.entries[i].newFolder) << i;
                EXPECT_EQ(read[i].id, c.entries[i].id) << i;
            }
        }
        EXPECT_EQ(committed.substr(0, committed.size() - 3 * 784 - 72), formatted.substr(0, formatted.size() - 5))
            << "the same entries, from the journal or from a list";
    }
    // The entries of a version 7 database that do not need it, written again, are version 6's.
    EXPECT_EQ(formatUndoDatabase({plain}, ""),
              formatUndoDatabase(parseUndoDatabase(formatUndoDatabase({plain}, "")).entries, ""));
    EXPECT_THROW(UndoDatabaseLayout(1, compactEntrySize(into)).addEntry(into), std::logic_error);
}

TEST(UndoDatabase, LayoutEntriesThenFilters) {
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    const std::string name =
        commitRun(paths, threeRules(),
                  {{"C:\\music\\", "new1.mp3", "old1.mp3", platform::FileId{5, 0x1234567890, 0x77}},
                   {"C:\\music\\", "new2.mp3", "old2.mp3"}});
    const std::string bytes = readFile(paths.undoFolder() + name);
    ASSERT_EQ(bytes.size(), 2640u);  // 84 + 2 x 56 + 2 x 8 + 4 + 72 + 3 x 784
    EXPECT_EQ(bytes.substr(0, 8), std::string("\1\0\0\0\6\0\0\0", 8));
    EXPECT_EQ(bytes.substr(8, 31), "Calderwynstrope - UNDO Database");
    EXPECT_EQ(bytes.substr(72, 12), std::string("\2\0\0\0\xc4\0\0\0\0\0\0\0", 12)) << "count, table at 196";
    EXPECT_EQ(bytes.substr(84, 56), std::string("\1\5\0\0\0\0\0\0\0\x90\x78\x56\x34\x12\0\0\0\x77\0\0\0\0\0\0\0"
                                                "\x09\0C:\\music\\\x08\0new1.mp3\x08\0old1.mp3",
                                                56))
        << "which file was moved, then the texts";
    EXPECT_EQ(bytes.substr(196, 16), std::string("\x54\0\0\0\0\0\0\0\x8c\0\0\0\0\0\0\0", 16));
    EXPECT_EQ(u32At(bytes, 212), crc32(bytes.substr(0, 212))) << "the checksum of all before it";
    EXPECT_EQ(bytes.substr(216, 4), std::string("\2\0\0\0", 4)) << "the Rule section has no stamp";
    EXPECT_EQ(bytes.substr(220, 40), "Calderwynstrope - Filter Definition File");
    const std::vector<UndoEntry> moves = {
        {"C:\\music\\", "new1.mp3", "old1.mp3", platform::FileId{5, 0x1234567890, 0x77}},
        {"C:\\music\\", "new2.mp3", "old2.mp3"}};
    EXPECT_EQ(readFile(paths.undoFolder() + commitRun(paths, threeRules(), moves, false, 50, 1)), bytes)
        << "told the wrong sizes, the journal is read twice";

    std::vector<UndoEntry> read = {{"stale", "x", "y"}};
    readUndoDatabase(paths.undoFolder() + name, read);
    EXPECT_EQ(read, (std::vector<UndoEntry>{{"C:\\music\\", "new1.mp3", "old1.mp3"},
                                            {"C:\\music\\", "new2.mp3", "old2.mp3"}}));
    EXPECT_EQ(read[0].id->stamp, 0x77u);

    // The same run as version 5 wrote it, with no birth stamps and no checksum, reads the same.
    const std::string version5 = bytes.substr(0, 4) + std::string("\5\0\0\0", 4) + bytes.substr(8, 68) +
                                 std::string("\xb4\0\0\0\0\0\0\0", 8) + bytes.substr(84, 17) + bytes.substr(109, 48) +
                                 bytes.substr(165, 31) + std::string("\x54\0\0\0\0\0\0\0\x84\0\0\0\0\0\0\0", 16) +
                                 bytes.substr(216);
    writeFile(paths.undoFolder() + name, version5);
    readUndoDatabase(paths.undoFolder() + name, read);
    EXPECT_EQ(read, (std::vector<UndoEntry>{{"C:\\music\\", "new1.mp3", "old1.mp3"},
                                            {"C:\\music\\", "new2.mp3", "old2.mp3"}}));
    EXPECT_EQ(read[0].id->stamp, 0u);
    EXPECT_EQ(read[0].id, (platform::FileId{5, 0x1234567890}));

    DatabaseProperties properties;
    ASSERT_TRUE(loadDatabaseProperties(nullptr, paths, name, properties));
    EXPECT_EQ(properties.count, 2u);
    EXPECT_EQ(properties.size, 2620u);
    EXPECT_EQ(properties.version, 5u);
    EXPECT_EQ(properties.verified, 2u);
    EXPECT_EQ(properties.header, "Calderwynstrope - UNDO Database");
    EXPECT_EQ(properties.folder, "C:\\music\\");
    EXPECT_EQ(properties.rules, threeRules());
    EXPECT_LE(std::abs(static_cast<double>(properties.created - platform::now())), 60.0);
}

// Databases in the fixed slots of earlier versions read, and count their verified entries, as
// they always have.
TEST(UndoDatabase, EarlierVersionsReadAsTheyWere) {
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    platform::createFolder(paths.undoFolder());
    writeFilterFile(app / "filters.ren", threeRules());
    const std::string rules = readFile(app / "filters.ren").substr(4);
    const std::vector<UndoEntry> entries = {{"/music/", "new.mp3", "old.mp3", platform::FileId{7, 9}},
                                            {"/music/", std::string(300, 'n'), "o.mp3"}};
    for (std::uint32_t version = 1; version <= 4; ++version) {
        SCOPED_TRACE(version);
        const std::size_t slot = version % 2 ? 260 : 1040;
        std::string bytes;
        appendLittle(bytes, 1, 4);
        appendLittle(bytes, version, 4);
        bytes += kUndoHeaderText;
        bytes.resize(72, '\0');
        appendLittle(bytes, entries.size(), 4);
        for (const UndoEntry& entry : entries) {
            for (const std::string& text : {entry.folder, entry.newName, entry.oldName}) {
                bytes += text.substr(0, slot);
                bytes.resize(bytes.size() + slot - std::min(slot, text.size()), '\0');
            }
            if (version < 3) continue;
            appendLittle(bytes, entry.id ? 1 : 0, 8);
            appendLittle(bytes, entry.id ? entry.id->volume : 0, 8);
            appendLittle(bytes, entry.id ? entry.id->index : 0, 8);
        }
        writeFile(paths.undoFolder() + "OLDVERSIONXX", bytes + rules);
        std::vector<UndoEntry> read;
        readUndoDatabase(paths.undoFolder() + "OLDVERSIONXX", read);
        ASSERT_EQ(read.size(), 2u);
        EXPECT_EQ(read[0], entries[0]);
        EXPECT_EQ(read[0].id.has_value(), version >= 3);
        EXPECT_EQ(read[1].newName, slot == 260 ? std::string(260, 'n') : entries[1].newName) << "a full slot";
        DatabaseProperties properties;
        ASSERT_TRUE(loadDatabaseProperties(nullptr, paths, "OLDVERSIONXX", properties));
        EXPECT_EQ(properties.version, version);
        EXPECT_EQ(properties.verified, version >= 3 ? 1u : 0u);
        EXPECT_EQ(properties.rules, threeRules());
    }
}

TEST(UndoDatabase, NothingRenamedWritesNothing) {
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    EXPECT_EQ(commitRun(paths, threeRules(), {}, true), "");
    platform::FindHandle find;
    platform::FindData data;
    for (bool more = find.first(paths.undoFolder() + "*", data); more; more = find.next(data)) {
        EXPECT_TRUE(data.name == "." || data.name == "..") << data.name << " left in the undo folder";
    }
    EXPECT_FALSE(platform::fileExists(paths.indexFile()));
}

// Whichever single bit of the head, the entries, the table or the checksum is flipped, the
// database is refused before undo could move a file by it.
TEST(UndoDatabase, AnyFlippedBitBeforeTheFiltersIsRefused) {
    UndoEntry made{"/m/", "A", "", platform::FileId{1, 6, 7}}, into{"/m/", "e.mp3", "d.mp3", platform::FileId{1, 8, 9}};
    made.kind = UndoEntry::Kind::FolderMade;
    into.newFolder = "/m/A/";
    for (const std::string& bytes : {formatUndoDatabase({{"/m/", "b.mp3", "a.mp3", platform::FileId{1, 2, 3}},
                                                         {"/m/", "d.mp3", "c.mp3", platform::FileId{1, 4, 5}}},
                                                        ""),
                                     formatUndoDatabase({made, into}, "")}) {
        const std::uint64_t checked = UndoDatabaseReader(std::string_view(bytes)).head().rulesAt;
        ASSERT_EQ(checked, bytes.size());
        int accepted = 0;
        for (std::size_t bit = 0; bit < 8 * checked; ++bit) {
            std::string flipped = bytes;
            flipped[bit / 8] = static_cast<char>(flipped[bit / 8] ^ (1 << (bit % 8)));
            try {
                const UndoDatabaseReader reader{std::string_view(flipped)};
                ++accepted;
                ADD_FAILURE() << "bit " << bit << " flipped was read";
            } catch (const braxen_Exception& error) {
                EXPECT_TRUE(error.cause() == 115 || error.cause() == 116) << error.cause();
            }
        }
        EXPECT_EQ(accepted, 0);
    }
}

TEST(UndoDatabase, LongTextsUseTheWideLayoutInsteadOfBeingCut) {
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    const std::string deep = "/" + std::string(100, 'd') +
                             "/日本語の長いフォルダ名前です日本語の長いフォルダ名前です/" + std::string(120, 'e') + "/";
    ASSERT_GT(deep.size(), 259u);
    const std::string name = commitRun(paths, {}, {{deep, "new.mp3", "old.mp3"}});
    const std::string bytes = readFile(paths.undoFolder() + name);
    EXPECT_EQ(bytes.substr(4, 4), std::string("\6\0\0\0", 4));
    EXPECT_EQ(bytes.size(), 84u + 31 + deep.size() + 14 + 8 + 4 + 72);
    std::vector<UndoEntry> read;
    readUndoDatabase(paths.undoFolder() + name, read);
    EXPECT_EQ(read, (std::vector<UndoEntry>{{deep, "new.mp3", "old.mp3"}}));
    DatabaseProperties properties;
    ASSERT_TRUE(loadDatabaseProperties(nullptr, paths, name, properties));
    EXPECT_EQ(properties.count, 1u);
    EXPECT_EQ(properties.folder, deep);
}

TEST(UndoDatabase, TheRunsFolderIsTheOneAllItsEntriesLieIn) {
    for (const auto& [a, b, common] : {std::tuple{"C:\\m\\x\\", "C:\\m\\y\\", "C:\\m\\"},
                                       {"/m/ab/", "/m/ac/", "/m/"},
                                       {"/m/", "/m/sub/", "/m/"},
                                       {"C:\\a\\", "D:\\a\\", ""}}) {
        EXPECT_EQ(commonFolder(a, b), common) << a << " " << b;
    }
}

TEST(UndoDatabase, ReadersRefuseOtherFiles) {
    TempFolder folder;
    writeFilterFile(folder / "filters.ren", threeRules());
    std::vector<UndoEntry> entries;
    try {
        readUndoDatabase(folder / "filters.ren", entries);
        FAIL();
    } catch (const braxen_Exception& error) {
        // The filter file's version 2 is one an undo database may have now; its header is not.
        EXPECT_EQ(error.cause(), 115);
    }
    std::string bytes = readFile(folder / "filters.ren");
    bytes[4] = 8;  // the first version this program does not know
    writeFile(folder / "v8", bytes);
    try {
        readUndoDatabase(folder / "v8", entries);
        FAIL();
    } catch (const braxen_Exception& error) {
        EXPECT_EQ(error.cause(), 116);
    }
    // A database whose count runs past its end.
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    const std::string name = commitRun(paths, {}, {{"f/", "n", "o"}});
    std::string db = readFile(paths.undoFolder() + name);
    db[72] = 100;
    writeFile(paths.undoFolder() + name, db);
    try {
        readUndoDatabase(paths.undoFolder() + name, entries);
        FAIL();
    } catch (const braxen_Exception& error) {
        EXPECT_EQ(error.cause(), 115);
    }
    EXPECT_THROW(readUndoDatabase(folder / "missing", entries), platform::FileError);

    DatabaseProperties properties;
    EXPECT_FALSE(loadDatabaseProperties(nullptr, paths, "NOSUCHDATABA", properties));
    writeFile(paths.undoFolder() + "NOSTAMPXXXXX", std::string(200, '\0'));
    EXPECT_FALSE(loadDatabaseProperties(nullptr, paths, "NOSTAMPXXXXX", properties));
}

TEST(UndoDatabase, PluginRulesNeedTheirPluginForPropertiesOnly) {
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    Rule plugin;
    plugin.type = Plugin;
    plugin.extra = 2000;
    plugin.pluginPath = "gone.dll";
    const std::string name = commitRun(paths, {plugin}, {{"f/", "n", "o"}});
    std::vector<UndoEntry> entries;
    readUndoDatabase(paths.undoFolder() + name, entries);
    EXPECT_EQ(entries.size(), 1u);
    DatabaseProperties properties;
    try {
        loadDatabaseProperties(nullptr, paths, name, properties);
        FAIL();
    } catch (const braxen_Exception& error) {
        EXPECT_EQ(error.cause(), 114);
    }
}

TEST(UndoDatabase, ForeignIndexIsRaisedAndTheDatabaseStaysUnregistered) {
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    writeFile(paths.indexFile(), std::string(100, 'x'));
    RunJournal journal;
    journal.create(paths, {});
    journal.moveMade(journal.recordMove("/f/", "o", "n", platform::FileId{}), true);
    try {
        journal.finish(true, 5);
        FAIL();
    } catch (const braxen_Exception& error) {
        EXPECT_EQ(error.cause(), 115);
    }
    EXPECT_TRUE(platform::fileExists(paths.undoFolder() + journal.name()));
    EXPECT_TRUE(platform::fileExists(journal.path())) << "kept, to be recovered at the next start";
    EXPECT_EQ(readFile(paths.indexFile()), std::string(100, 'x'));
}

TEST(UndoDatabase, CommitsUnderTheLimit) {
    TempFolder app;
    const AppPaths paths = AppPaths::in(app.path());
    std::vector<std::string> names;
    for (int run = 0; run < 5; ++run)
        names.push_back(commitRun(paths, {}, {{"f/", "n" + std::to_string(run), "o"}}, true, 3));
    UndoIndex index(paths.indexFile());
    index.open();
    std::vector<IndexEntry> list;
    index.readAll(list);
    ASSERT_EQ(list.size(), 3u);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(list[i].name, names[i + 2]);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(platform::fileExists(paths.undoFolder() + names[i]), i >= 2);
}

}  // namespace
