#include <gtest/gtest.h>

#include <cstdlib>

#include "core/persist/filter_archive.h"
#include "core/rules/id3_tag.h"
#include "core/rules/rule.h"
#include "core/session/rename_session.h"
#include "support/binary.h"
#include "support/tag_files.h"
#include "support/temp_folder.h"

namespace {

using namespace core;
using testing_support::TempFolder;
using testing_support::writeFile;

struct Tag {
    std::string title, artist, album, year, comment;
    int genre = 17;
};

// The 128 tag bytes, every field zero-filled to its width (or cut to it).
std::string tagBytes(const Tag& tag) {
    std::string bytes = "TAG";
    const auto put = [&](const std::string& text, std::size_t width) {
        std::string field = text.substr(0, width);
        field.resize(width, '\0');
        bytes += field;
    };
    put(tag.title, 30);
    put(tag.artist, 30);
    put(tag.album, 30);
    put(tag.year, 4);
    put(tag.comment, 30);
    bytes += static_cast<char>(tag.genre);
    return bytes;
}

std::string audio(std::size_t size) {
    std::string bytes(size, '\x55');
    if (size >= 2) bytes[0] = '\xFF', bytes[1] = '\xFB';  // a frame sync, as MP3 data starts
    return bytes;
}

// base after the ID3 rule, for a file holding `content`, of an album the run found `albumDiscs`
// discs of.
std::string applyTo(const std::string& content, const std::string& format, std::int32_t mask,
                    std::uint32_t albumDiscs = 0) {
    TempFolder folder;
    writeFile(folder / "song.mp3", content);
    std::string base = "old base";
    applyId3(folder / "song.mp3", base, format, mask, 0, albumDiscs);
    return base;
}

TEST(Id3, BuildsTheBaseFromTheTag) {
    const Tag full{"Song", "Artist", "Album", "1999", "Comment", 17};
    Tag noArtist = full;
    noArtist.artist = "";
    Tag empty{"", "", "", "", "", 0};
    Tag spaces = full;
    spaces.title = "  Song   ";
    Tag long30 = full;
    long30.title = std::string(30, 'T');
    Tag latin1 = full;
    latin1.artist = "Bj\xF6rk";
    latin1.title = "J\xF3ga \x96 live";
    Tag utf8 = full;
    utf8.artist = "坂本龍一";
    Tag percent = full;
    percent.artist = "100%1 %%";
    Tag genre255 = full;
    genre255.genre = 255;

    struct Case {
        Tag tag;
        const char* format;
        std::int32_t mask;
        const char* base;
    };
    const Case cases[] = {
        {full, "%1 - %2", 0, "Artist - Song"},
        {noArtist, "%1 - %2", 0, "Unknown Artist - Song"},
        {noArtist, "%1 - %2", Id3Artist, "old base"},
        {noArtist, "%2", Id3Title, "Song"},
        {empty, "%1|%2|%3|%4|%5|%6", 0, "Unknown Artist|Untitled|Unknown Album|Unknown Year|No Comment|Blues"},
        {empty, "%1", Id3Comment, "old base"},
        {full, "%6", 0, "Rock"},
        {genre255, "%1", 0, "old base"},  // no known genre: never used
        {full, "100%% %2", 0, "100% Song"},
        {full, "%%1", 0, "Artist"},
        {full, "%%%%2 %7 %", 0, "Song %7 %"},
        {spaces, "[%2]", 0, "[  Song]"},  // trailing white space goes, leading stays
        {long30, "%2", Id3Title, "TTTTTTTTTTTTTTTTTTTTTTTTTTTTTT"},
        {latin1, "%1 - %2", 0, "Björk - Jóga – live"},
        {utf8, "%1", 0, "坂本龍一"},
        {percent, "%1 %2", 0, "100%1 %% Song"},  // tag text is never expanded again
        {full, "%1%2%3%4%5%6", 0x3F, "ArtistSongAlbum1999CommentRock"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(applyTo(audio(1000) + tagBytes(c.tag), c.format, c.mask), c.base)
            << "format " << c.format << " mask " << c.mask;
    }
}

TEST(Id3, FilesWithoutAUsableTagKeepTheBase) {
    const std::string tag = tagBytes(Tag{"Song", "Artist", "", "", "", 1});
    const std::pair<std::string, const char*> cases[] = {
        {audio(5000), "no tag at all"},
        {tag, "exactly 128 bytes: no room for audio, so no tag"},
        {"", "empty file"},
        {audio(500) + "TAB" + tag.substr(3), "wrong identifier"},
        {audio(500) + "tag" + tag.substr(3), "identifier in lower case"},
        {audio(500) + tag + "x", "tag not at the very end"},
    };
    for (const auto& [content, why] : cases) EXPECT_EQ(applyTo(content, "%1", 0), "old base") << why;
    EXPECT_EQ(applyTo("x" + tag, "%1", 0), "Artist") << "129 bytes hold a tag";

    std::string base = "old base";
    applyId3("/no/such/folder/song.mp3", base, "%1", 0);
    EXPECT_EQ(base, "old base");
}

TEST(Id3, ReaderKeepsEveryField) {
    TempFolder folder;
    writeFile(folder / "a.mp3", audio(300) + tagBytes(Tag{"T", "A", "Al", "2001", "C", 125}));
    TagReader reader(folder / "a.mp3");
    ASSERT_TRUE(reader.read(0x1F));
    EXPECT_EQ(reader.fields().title, "T");
    EXPECT_EQ(reader.fields().artist, "A");
    EXPECT_EQ(reader.fields().album, "Al");
    EXPECT_EQ(reader.fields().year, "2001");
    EXPECT_EQ(reader.fields().comment, "C");
    EXPECT_EQ(reader.genre(), 125);
}

TEST(Id3, GenreTableAsWritten) {
    const std::pair<int, const char*> cases[] = {
        {0, "Blues"}, {17, "Rock"},  {60, "Top"},          {67, "Psychadelic"}, {79, "Hard Rock"},
        {80, "Folk"}, {85, "Bebob"}, {109, "Porn Groove"}, {123, "Acapella"},   {125, "Dance Hall"},
    };
    for (const auto& [number, name] : cases) {
        ASSERT_NE(genreName(number), nullptr) << number;
        EXPECT_STREQ(genreName(number), name);
    }
    for (int number = 0; number < 126; ++number) EXPECT_NE(genreName(number), nullptr) << number;
    EXPECT_EQ(genreName(126), nullptr);
    EXPECT_EQ(genreName(255), nullptr);
    EXPECT_EQ(genreName(-1), nullptr);
}

constexpr std::int32_t kNewRule = Id3BestTag | Id3SafeNames;

std::string taggedMp3(const testing_support::TagTexts& texts) {
    return testing_support::id3v2Tag(texts, 4, testing_support::TextEncoding::Utf8) + testing_support::mpegFrames();
}

TEST(Id3BestTag, PlaceholdersDefaultsAndRequiredFields) {
    const testing_support::TagTexts full{"Song", "Artist", "Album", "2001", "Note", "Jazz", "7/12", "2/3", "Various"};
    const testing_support::TagTexts sparse{"Song", "Artist", "", "", "", "", "", "", ""};
    const testing_support::TagTexts discOne{"Song", "Artist", "Album", "", "", "", "7", "1", ""};
    const testing_support::TagTexts discTwoOfTwo{"Song", "Artist", "Album", "", "", "", "7", "2/2", ""};
    const testing_support::TagTexts noDisc{"Song", "Artist", "Album", "", "", "", "7", "", ""};
    struct Case {
        const testing_support::TagTexts* tags;
        const char* format;
        std::int32_t option;
        const char* base;
        std::uint32_t albumDiscs = 0;  // as the run found them
    };
    constexpr std::int32_t kDisc = kNewRule | Id3DiscField;
    const Case cases[] = {
        {&full, "%7 - %1 - %2", kNewRule, "07 - Artist - Song"},
        {&full, "%8-%7 %9 %3 (%4) %5 %6 %%", kNewRule, "2-07 Various Album (2001) Note Jazz %"},
        {&sparse, "%7|%8|%9|%3|%4|%5|%6", Id3BestTag, "||Artist|Unknown Album|Unknown Year|No Comment|Unknown Genre"},
        {&sparse, "%7 %2", kNewRule | Id3Track, "old base"},
        {&sparse, "%9 %2", kNewRule | Id3AlbumArtist, "Artist Song"},  // the artist stands in
        {&sparse, "%6", kNewRule | Id3Genre, "old base"},
        {&full, "%7 %8 %9 %6", kNewRule | Id3Track | Id3Disc | Id3AlbumArtist | Id3Genre, "07 2 Various Jazz"},
        // Without the bit, the same file is read as before: it has no ID3v1 tag.
        {&full, "%1 - %2", 0, "old base"},
        {&full, "%1 - %2", Id3SafeNames, "old base"},
        // %0: the disc of an album of several, by the tag's total or the run's other files.
        {&full, "%3\\CD%0\\%7", kDisc, "Album\\CD2\\07"},  // "2/3"
        {&discTwoOfTwo, "%3\\CD%0\\%7", kDisc, "Album\\CD2\\07"},
        {&discOne, "%3\\CD%0\\%7", kDisc, "Album\\CD1\\07", 2},
        {&discOne, "%3\\CD%0\\%7", kDisc, "Album\\\\07", 1},  // one disc: the folder part is empty
        {&noDisc, "%3\\CD%0\\%7", kDisc, "Album\\\\07", 2},   // no number to give
        {&discOne, "%9\\%3\\CD%0\\%7 - %2", kDisc, "Artist\\Album\\\\07 - Song"},
        {&discOne, "%3 (Disc %0) %7", kDisc, "Album 07"},  // brackets it opened go too
        {&discOne, "%3 [CD (%0)]-%7", kDisc, "Album-07"},
        {&discOne, "%0-%7 %2", kDisc, "07 Song"},  // nothing before: what follows
        {&discOne, "%3 - %0 - %7", kDisc, "Album - 07"},
        {&discOne, "%0-%7 %2", kDisc, "1-07 Song", 3},
        {&discOne, "%%0 %7", kDisc, "07"},       // runs of "%" are one, as for the other fields
        {&discOne, "CD %0", kDisc, "old base"},  // nothing left: the base stays
        // Without the bit (every rule saved before it) "%0" is text, as it always was.
        {&discOne, "%0-%7", kNewRule, "%0-07", 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(applyTo(taggedMp3(*c.tags), c.format, c.option, c.albumDiscs), c.base)
            << c.format << " option " << c.option;
    }
    // An ID3v1 tag with an unknown genre is used by the best tag, never by the ID3v1 rule.
    const std::string v1 = audio(500) + tagBytes(Tag{"Song", "Artist", "", "", "", 255});
    EXPECT_EQ(applyTo(v1, "%1 - %2 %6", kNewRule), "Artist - Song Unknown Genre");
    EXPECT_EQ(applyTo(v1, "%1 - %2 %6", 0), "old base");
    // The best tag names an ID3v1 genre as TagLib names it in every other format; the ID3v1 rule
    // keeps its own 126 names.
    const std::tuple<int, const char*, const char*> genres[] = {{60, "Top 40", "Top"},
                                                                {125, "Dancehall", "Dance Hall"},
                                                                {130, "Terror", "old base"},
                                                                {191, "Psybient", "old base"}};
    for (const auto& [number, best, old] : genres) {
        const std::string tagged = audio(500) + tagBytes(Tag{"Song", "Artist", "", "", "", number});
        EXPECT_EQ(applyTo(tagged, "%6", kNewRule), best) << number;
        EXPECT_EQ(applyTo(tagged, "%6", 0), old) << number;
    }
}

TEST(Id3BestTag, NumbersFromTheirTexts) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        // text, as a track, as a disc
        {"7/12", "07", "7"}, {"7", "07", "7"},  {" 3 / 9", "03", "3"}, {"12", "12", "12"}, {"007", "007", "007"},
        {"0", "", ""},       {"00/10", "", ""}, {"", "", ""},          {"A1", "A1", "A1"}, {"/5", "", ""},
    };
    for (const auto& [text, track, disc] : cases) {
        EXPECT_EQ(trackNumber(text), track) << text;
        EXPECT_EQ(discNumber(text), disc) << text;
    }
}

TEST(Id3SafeNames, TagTextsBecomeValidNames) {
    const std::pair<const char*, const char*> texts[] = {
        {"AC/DC", "AC-DC"},
        {"Artist: Title", "Artist - Title"},
        {"a\\b|c", "a-b-c"},
        {"Why? *Really* \"now\" <x>", "Why Really now x"},
        {"tab\there\x01\x1F", "tab here "},
        {"trun\r\nThis line", "trun This line"},
        {"日本語: テスト", "日本語 - テスト"},
        {"plain", "plain"},
    };
    for (const auto& [text, safe] : texts) EXPECT_EQ(safeTagText(text), safe) << text;

    const testing_support::TagTexts tags{"What?", "AC/DC", "Live: 1991", "", "", "", "", "", ""};
    const std::pair<std::int32_t, const char*> cases[] = {
        {kNewRule, "AC-DC - What"}, {Id3BestTag, "AC/DC - What?"},  // kept, so the rename fails as it always did
    };
    for (const auto& [option, base] : cases) EXPECT_EQ(applyTo(taggedMp3(tags), "%1 - %2", option), base);
    // The finished name loses trailing spaces and periods; one left with nothing keeps the base.
    EXPECT_EQ(applyTo(taggedMp3(tags), "%3 ...", kNewRule), "Live - 1991");
    EXPECT_EQ(applyTo(taggedMp3(testing_support::TagTexts{"???", "", "", "", "", "", "", "", ""}), "%2", kNewRule),
              "old base");
    // An ID3v1 rule with safe names makes the ID3v1 texts safe too.
    const std::string v1 = audio(500) + tagBytes(Tag{"Song", "AC/DC", "", "", "", 17});
    EXPECT_EQ(applyTo(v1, "%1 - %2", Id3SafeNames), "AC-DC - Song");
    EXPECT_EQ(applyTo(v1, "%1 - %2", 0), "AC/DC - Song");
}

// A filter file saved before tags were read with TagLib: its ID3 rule reads the ID3v1 tag alone,
// keeps its description and inserts the tag's texts as they are.
TEST(Id3BestTag, OldFilterFileKeepsItsId3v1Behaviour) {
    using testing_support::le32;
    using testing_support::slot;
    TempFolder folder;
    const std::string description = "ID3: \"%1 - %3\" (all fields must exist)";
    const std::string oldFile = le32(1) + le32(2) + slot("Calderwynstrope - Filter Definition File", 64) + le32(1) +
                                slot(description, 128) + slot("%1 - %3", 128) + slot("", 128) + slot("", 128) +
                                le32(ID3) + le32(0x06) + le32(0) + slot("", 260);
    writeFile(folder / "old.ren", oldFile);
    RuleList rules;
    readFilterFile(nullptr, folder / "old.ren", rules);
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0].option, 0x06);
    Rule described = rules[0];
    ruleDescription(described);
    EXPECT_EQ(described.description, description);

    const testing_support::TagTexts v2{"Title", "V2 Artist", "V2 Album", "", "", "", "", "", ""};
    const std::string v1 = tagBytes(Tag{"Title", "AC/DC", "Album", "", "", 17});
    const std::string v1NoAlbum = tagBytes(Tag{"Title", "AC/DC", "", "", "", 17});
    const std::pair<std::string, const char*> cases[] = {
        {taggedMp3(v2) + v1, "AC/DC - Album.mp3"},  // ID3v1 only, texts unfiltered
        {taggedMp3(v2), "old.mp3"},                 // no ID3v1 tag: unchanged
        {taggedMp3(v2) + v1NoAlbum, "old.mp3"},     // a required field missing in ID3v1
    };
    for (const auto& [content, proposal] : cases) {
        writeFile(folder / "old.mp3", content);
        EXPECT_EQ(applyRules(nullptr, rules, folder.path(), "old.mp3"), proposal);
    }
}

#ifndef _WIN32
// Files tagged by a real tagger (id3v2, a Linux program, so this runs in the native suite only):
// our reader must see the same six fields it wrote.
TEST(Id3, AgreesWithARealTagWriter) {
    TempFolder folder;
    const std::string fullTitle(30, 't');
    struct Case {
        const char* artist;
        const char* title;
        const char* album;
        const char* year;
        const char* comment;
        int genre;
        const char* expected;  // format "%1|%2|%3|%4|%5|%6"
    };
    const Case cases[] = {
        {"Artist", "Song", "Album", "1999", "Comment", 17, "Artist|Song|Album|1999|Comment|Rock"},
        {"Björk", "Jóga", "Homogenic", "1997", "", 52, "Björk|Jóga|Homogenic|1997|No Comment|Electronic"},
        {"A", fullTitle.c_str(), "B", "2024", "c", 0, nullptr},
    };
    int index = 0;
    for (const Case& c : cases) {
        const std::string path = folder / ("t" + std::to_string(index++) + ".mp3");
        writeFile(path, audio(4096));
        const std::string command = std::string("id3v2 -1") + " -a '" + c.artist + "' -t '" + c.title + "' -A '" +
                                    c.album + "' -y '" + c.year + "' -c '" + c.comment + "' -g " +
                                    std::to_string(c.genre) + " '" + path + "' >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << "id3v2 is missing? run scripts/setup.sh";
        TagReader reader(path);
        ASSERT_TRUE(reader.read(0)) << path;
        EXPECT_EQ(reader.fields().artist, c.artist);
        EXPECT_EQ(reader.fields().title, c.title);
        EXPECT_EQ(reader.fields().album, c.album);
        EXPECT_EQ(reader.fields().year, c.year);
        EXPECT_EQ(reader.fields().comment, c.comment);
        EXPECT_EQ(reader.genre(), c.genre);
        if (c.expected) {
            EXPECT_EQ(reader.format("%1|%2|%3|%4|%5|%6"), c.expected);
        }
    }
}
#endif

}  // namespace
