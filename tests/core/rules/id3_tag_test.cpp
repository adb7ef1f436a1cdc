#include <gtest/gtest.h>

#include <cstdlib>

#include "core/rules/id3_tag.h"
#include "core/rules/rule.h"
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

// base after the ID3 rule, for a file holding `content`.
std::string applyTo(const std::string& content, const std::string& format, std::int32_t mask) {
    TempFolder folder;
    writeFile(folder / "song.mp3", content);
    std::string base = "old base";
    applyId3(folder / "song.mp3", base, format, mask);
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
    EXPECT_EQ(reader.title(), "T");
    EXPECT_EQ(reader.artist(), "A");
    EXPECT_EQ(reader.album(), "Al");
    EXPECT_EQ(reader.year(), "2001");
    EXPECT_EQ(reader.comment(), "C");
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
        EXPECT_EQ(reader.artist(), c.artist);
        EXPECT_EQ(reader.title(), c.title);
        EXPECT_EQ(reader.album(), c.album);
        EXPECT_EQ(reader.year(), c.year);
        EXPECT_EQ(reader.comment(), c.comment);
        EXPECT_EQ(reader.genre(), c.genre);
        if (c.expected) {
            EXPECT_EQ(reader.format("%1|%2|%3|%4|%5|%6"), c.expected);
        }
    }
}
#endif

}  // namespace
