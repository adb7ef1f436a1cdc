#include <gtest/gtest.h>

#include "core/tags/tag_fields.h"
#include "support/tag_files.h"
#include "support/temp_folder.h"

namespace {

using namespace core;
using testing_support::TagTexts;
using testing_support::TempFolder;
using testing_support::TextEncoding;
using testing_support::writeFile;
namespace tf = testing_support;

std::string allFields(const TagFields& f) {
    return f.title + "|" + f.artist + "|" + f.album + "|" + f.year + "|" + f.comment + "|" + f.genre + "|" + f.track +
           "|" + f.disc + "|" + f.albumArtist;
}

const TagTexts kLatin{"Jóga", "Björk", "Homogenic", "1997", "Café", "Electronic", "7/12", "1/2", "Björk & Co"};
const TagTexts kJapanese{"戦場のメリークリスマス", "坂本龍一", "音楽図鑑", "1983", "コメント",
                         "サウンドトラック",       "3",        "2",        "YMO"};
const std::string kLatinFields = "Jóga|Björk|Homogenic|1997|Café|Electronic|7/12|1/2|Björk & Co";
const std::string kJapaneseFields = "戦場のメリークリスマス|坂本龍一|音楽図鑑|1983|コメント|サウンドトラック|3|2|YMO";

TEST(BestTags, EveryFormatAndTextEncoding) {
    const std::string longTitle = "A Title Much Longer Than Thirty Bytes, Kept Whole";
    TagTexts v2Part{longTitle, "Artist", "", "", "", "", "", "", ""};
    struct Case {
        const char* name;
        std::string content;
        std::string fields;
    };
    const Case cases[] = {
        {"v23 latin1.mp3", tf::id3v2Tag(kLatin, 3, TextEncoding::Latin1) + tf::mpegFrames(), kLatinFields},
        {"v23 utf16.mp3", tf::id3v2Tag(kJapanese, 3, TextEncoding::Utf16) + tf::mpegFrames(), kJapaneseFields},
        {"v24 latin1.mp3", tf::id3v2Tag(kLatin, 4, TextEncoding::Latin1) + tf::mpegFrames(), kLatinFields},
        {"v24 utf16.mp3", tf::id3v2Tag(kJapanese, 4, TextEncoding::Utf16) + tf::mpegFrames(), kJapaneseFields},
        {"日本語の曲.mp3", tf::id3v2Tag(kJapanese, 4, TextEncoding::Utf8) + tf::mpegFrames(), kJapaneseFields},
        // ID3v2 wins field by field; ID3v1 fills the rest, with its genre table and ID3v1.1 track.
        {"v2 and v1.mp3",
         tf::id3v2Tag(v2Part, 3, TextEncoding::Utf16) + tf::mpegFrames() +
             tf::id3v1Tag(longTitle, "Other", "Album", "2001", std::string(28, 'c') + '\0' + '\x05', 17),
         longTitle + "|Artist|Album|2001|" + std::string(28, 'c') + "|Rock|5||"},
        {"v1 only.mp3", tf::mpegFrames() + tf::id3v1Tag("Song", "Bj\xF6rk", "", "", "", 255), "Song|Björk|||||||"},
        {"flac.flac", tf::flacFile(kJapanese), kJapaneseFields},
        {"ogg.ogg", tf::oggVorbisFile(kLatin), kLatinFields},
        {"mp4.m4a", tf::mp4File(kJapanese), kJapaneseFields},
        // A date names its year; ID3v2.3 genre references name their genre.
        {"genre number.mp3",
         tf::id3v2Tag(TagTexts{"T", "", "", "2001-05-03", "", "(17)", "", "", ""}, 3, TextEncoding::Latin1) +
             tf::mpegFrames(),
         "T|||2001-05-03||Rock|||"},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        writeFile(folder / c.name, c.content);
        const auto fields = readBestTags(folder / c.name);
        ASSERT_TRUE(fields.has_value()) << c.name;
        EXPECT_EQ(allFields(*fields), c.fields) << c.name;
    }
}

TEST(BestTags, NoTagNoFileNoFields) {
    TempFolder folder;
    const std::pair<const char*, std::string> cases[] = {
        {"frames.mp3", tf::mpegFrames()},
        {"empty.mp3", ""},
        {"text.txt", "just some text"},
        {"empty tags.flac", tf::flacFile(TagTexts{})},
    };
    for (const auto& [name, content] : cases) {
        writeFile(folder / name, content);
        EXPECT_FALSE(readBestTags(folder / name).has_value()) << name;
    }
    EXPECT_FALSE(readBestTags(folder / "missing.mp3").has_value());
    // An ID3v1 tag is found in any file, as the ID3v1 rule always found it.
    writeFile(folder / "tagged.mpg", std::string(300, 'x') + tf::id3v1Tag("T", "A", "", "", "", 1));
    ASSERT_TRUE(readBestTags(folder / "tagged.mpg").has_value());
    EXPECT_EQ(readBestTags(folder / "tagged.mpg")->genre, "Classic Rock");
}

}  // namespace
