#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/tags/id3v2_text.h"
#include "core/tags/tag_fields.h"
#include "support/tag_files.h"
#include "support/temp_folder.h"

namespace {

using namespace core::tags;

std::string syncSafe(std::uint32_t v) {
    return std::string{static_cast<char>((v >> 21) & 0x7F), static_cast<char>((v >> 14) & 0x7F),
                       static_cast<char>((v >> 7) & 0x7F), static_cast<char>(v & 0x7F)};
}

std::string bigEndian(std::uint32_t v) {
    return std::string{static_cast<char>(v >> 24), static_cast<char>(v >> 16), static_cast<char>(v >> 8),
                       static_cast<char>(v)};
}

// A frame of an ID3v2 tag of `version`: its size as that version writes it, unless `size` says.
std::string frame(int version, const std::string& id, const std::string& body, char formatFlags = 0,
                  std::string size = {}) {
    if (size.empty()) size = version == 3 ? bigEndian(body.size()) : syncSafe(body.size());
    return id + size + std::string(1, '\0') + formatFlags + body;
}

std::string tag(int version, const std::string& frames, char flags = 0) {
    const std::string data = frames + std::string(32, '\0');
    return std::string("ID3") + static_cast<char>(version) + '\0' + flags + syncSafe(data.size()) + data;
}

const std::string kLatin1 = std::string(1, '\0');
const std::string kUtf16 = std::string(1, '\1');
const std::string kUtf16BE = std::string(1, '\2');
const std::string kUtf8 = std::string(1, '\3');
// "Ab" and "日" in UTF-16, little endian with a mark, big endian with and without one.
const std::string kAbLE = std::string(
    "\xFF\xFE"
    "A\0b\0",
    6);
const std::string kAbBE = std::string("\xFE\xFF\0A\0b", 6);
const std::string kNichiBE = "\x65\xE5";
const std::string kNul(1, '\0');
const std::string kNul2(2, '\0');

// Every tag the fast reader takes it reads exactly as TagLib does; the others it declines and
// leaves to TagLib. The table holds the tags people's files carry and the odd ones TagLib reads
// in its own way.
TEST(Id3v2Text, ReadsWhatTagLibReadsOrDeclines) {
    const std::string picture = std::string("\0image/jpeg\0\3\0", 14) + std::string(6000, '\xFF');
    struct Case {
        const char* name;
        std::string tag;
        bool taken;
    };
    const Case cases[] = {
        {"2.3 Latin-1",
         tag(3, frame(3, "TIT2", kLatin1 + "Song") + frame(3, "TPE1", kLatin1 + "Bj\xF6rk ") +
                    frame(3, "TALB", kLatin1 + "Album") + frame(3, "TYER", kLatin1 + "1997") +
                    frame(3, "TCON", kLatin1 + "Rock") + frame(3, "TRCK", kLatin1 + "7/12") +
                    frame(3, "TPOS", kLatin1 + "1/2") + frame(3, "TPE2", kLatin1 + "Various") +
                    frame(3, "COMM", kLatin1 + "eng" + kNul + "A comment")),
         true},
        {"2.4 UTF-8, timestamp, several values",
         tag(4, frame(4, "TIT2", kUtf8 + "戦場のメリークリスマス") +
                    frame(4, "TPE1", kUtf8 + "A" + kNul + kNul + "B" + kNul) +
                    frame(4, "TDRC", kUtf8 + "1983-05-03T10:00") + frame(4, "TCON", kUtf8 + "17" + kNul + "Jazz")),
         true},
        {"UTF-16, marks from the first value",
         tag(3, frame(3, "TPE1", kUtf16 + kAbLE + kNul2 + std::string("C\0", 2) + kNul2 + kAbBE) +
                    frame(3, "TIT2", kUtf16 + kAbBE + kNul2 + kNichiBE) + frame(3, "TALB", kUtf16BE + kNichiBE)),
         true},
        {"UTF-16 without a mark", tag(3, frame(3, "TIT2", kUtf16 + std::string("A\0", 2))), true},
        {"UTF-16 pair", tag(4, frame(4, "TIT2", kUtf16 + std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6))), true},
        {"comments",
         tag(3, frame(3, "COMM", kLatin1 + "eng" + "iTunNORM" + kNul + " 0000") +
                    frame(3, "COMM", kUtf16 + "eng" + kNul2 + kAbLE) +
                    frame(3, "COMM", kLatin1 + "eng" + "Comment" + kNul + "x" + kNul + "y") +
                    frame(3, "COMM", kLatin1 + "eng" + "no text" + kNul) +
                    frame(3, "COMM", kLatin1 + "eng" + "no terminator") + frame(3, "COMM", kLatin1 + "en")),
         true},
        {"picture and other frames around the texts",
         tag(3, frame(3, "APIC", picture) + frame(3, "TIT2", kLatin1 + "After") +
                    frame(3, "TXXX", kLatin1 + "replaygain" + kNul + "-6 dB") + frame(3, "TSSE", kLatin1 + "encoder") +
                    frame(3, "PRIV", "owner" + kNul + "data") + frame(3, "TIME", kLatin1 + "1200")),
         true},
        {"2.4 sizes written as plain numbers",
         tag(4,
             frame(4, "TIT2", kLatin1 + std::string(299, 'x'), 0, bigEndian(300)) + frame(4, "TPE1", kLatin1 + "Next")),
         true},
        {"a frame of size zero ends the tag",
         tag(3, frame(3, "TIT2", kLatin1 + "T") + frame(3, "TPE1", "") + frame(3, "TALB", kLatin1 + "A")), true},
        {"a frame longer than the tag ends it",
         tag(3, frame(3, "TIT2", kLatin1 + "T") + "TPE1" + bigEndian(999) + kNul2 + "x"), true},
        {"an invalid frame ID ends the tag", tag(3, frame(3, "TIT2", kLatin1 + "T") + frame(3, "tpe1", kLatin1 + "A")),
         true},
        {"empty and one-byte frames", tag(3, frame(3, "TIT2", kLatin1) + frame(3, "TPE1", kUtf16 + "\xFF\xFE")), true},
        {"genre number", tag(3, frame(3, "TCON", kLatin1 + "0017")), true},
        {"genre text", tag(4, frame(4, "TCON", kUtf8 + "Música 2")), true},
        // Left to TagLib.
        {"genre reference", tag(3, frame(3, "TCON", kLatin1 + "(17)Rock")), false},
        {"genre with a sign", tag(3, frame(3, "TCON", kLatin1 + "+17")), false},
        // Windows' wcstol, which TagLib reads numbers with, takes fullwidth digits too.
        {"genre in fullwidth digits", tag(4, frame(4, "TCON", kUtf8 + "１７")), false},
        {"genre with a space", tag(4, frame(4, "TCON", kUtf8 + " 17")), false},
        {"user text giving a key", tag(3, frame(3, "TXXX", kLatin1 + "albumartist" + kNul + "Someone")), false},
        {"2.3 date and year joined", tag(3, frame(3, "TYER", kLatin1 + "1997") + frame(3, "TDAT", kLatin1 + "0305")),
         false},
        {"2.4 with a 2.3 year frame", tag(4, frame(4, "TYER", kLatin1 + "1997")), false},
        {"compressed frame", tag(3, frame(3, "TIT2", kLatin1 + "T", '\x80')), false},
        {"unsynchronised tag", tag(3, frame(3, "TIT2", kLatin1 + "T"), '\x80'), false},
        {"extended header", tag(3, frame(3, "TIT2", kLatin1 + "T"), '\x40'), false},
        {"version 2.2", tag(2, "TT2" + std::string("\0\0\5", 3) + kLatin1 + "Song"), false},
        {"2.2 frame in a 2.3 tag", tag(3, frame(3, std::string("TT2\0", 4), kLatin1 + "Song")), false},
        {"broken UTF-8", tag(4, frame(4, "TIT2", kUtf8 + "\xC3(")), false},
        {"lone surrogate",
         tag(4, frame(4, "TIT2",
                      kUtf16 + "\xFF\xFE\x3D\xD8"
                               "A\0")),
         false},
        {"unknown encoding",
         tag(4, frame(4, "TIT2",
                      "\x05"
                      "abc")),
         false},
    };
    for (const Case& c : cases) {
        KeyValues fast;
        fast[Comment].push_back("kept");
        const bool taken = readId3v2Text(c.tag, fast);
        EXPECT_EQ(taken, c.taken) << c.name;
        if (!taken) {
            EXPECT_EQ(fast[Comment], std::vector<std::string>{"kept"}) << c.name << ": touched though declined";
            continue;
        }
        fast[Comment].erase(fast[Comment].begin());
        const KeyValues slow = id3v2ValuesWithTagLib(c.tag);
        for (int k = 0; k < kKeyCount; ++k) {
            EXPECT_EQ(fast[k], slow[k]) << c.name << ", key " << kKeyNames[k];
        }
    }
    // The two agree on what the tags hold, not merely on nothing.
    KeyValues latin1, utf16;
    ASSERT_TRUE(readId3v2Text(cases[0].tag, latin1) && readId3v2Text(cases[2].tag, utf16));
    EXPECT_EQ(latin1[Artist], std::vector<std::string>{"Björk"});
    EXPECT_EQ(latin1[Date], std::vector<std::string>{"1997"});
    EXPECT_EQ(latin1[Comment], std::vector<std::string>{"A comment"});
    EXPECT_EQ(utf16[Artist], (std::vector<std::string>{"Ab", "C", "Ab"}));
    EXPECT_EQ(utf16[Title], (std::vector<std::string>{"Ab", "日"}));
}

// A tag longer than the part of the file read first (a picture before the texts) is read whole.
TEST(Id3v2Text, TagLongerThanTheFirstRead) {
    const std::string picture = std::string("\0image/png\0\3\0", 13) + std::string(20000, '\x89');
    testing_support::TempFolder folder;
    testing_support::writeFile(
        folder / "big.mp3",
        tag(3, frame(3, "APIC", picture) + frame(3, "TIT2", kLatin1 + "Title")) + testing_support::mpegFrames());
    const auto fields = core::readBestTags(folder / "big.mp3");
    ASSERT_TRUE(fields.has_value());
    EXPECT_EQ(fields->title, "Title");
}

TEST(Id3v2Text, DeclinesWhatIsNotATagItCanRead) {
    const std::string whole = tag(3, frame(3, "TIT2", kLatin1 + "T"));
    const std::string cases[] = {"", "ID3", "TAG" + whole.substr(3), whole.substr(0, whole.size() - 1),
                                 std::string("ID3\3\0\0\0\0\0\5", 10) + "TIT2\0"};
    for (const std::string& bytes : cases) {
        KeyValues values;
        EXPECT_FALSE(readId3v2Text(bytes, values)) << bytes.size();
    }
}

}  // namespace
