// Music files with tags, written byte by byte so that the tests make the same files natively and
// under Wine: ID3v1 and ID3v2 for MPEG audio, FLAC and Ogg Vorbis with Vorbis comments, MP4.
#pragma once

#include <string>

namespace testing_support {

// Texts in UTF-8; an empty field is left out of the tag.
struct TagTexts {
    std::string title, artist, album, year, comment, genre, track, disc, albumArtist;
};

// Some MPEG-1 Layer III frames of silence.
std::string mpegFrames(int count = 4);

// The 128 bytes of an ID3v1 tag: fields cut or zero-filled to their widths (the texts go in as
// they are, so pass Latin-1 bytes for Latin-1), the genre number last.
std::string id3v1Tag(const std::string& title, const std::string& artist, const std::string& album,
                     const std::string& year, const std::string& comment, int genre);

// An ID3v2 tag of version 3 or 4 with every non-empty field as a frame, its texts in one encoding
// (UTF-8 exists in version 4 only).
enum class TextEncoding { Latin1, Utf16, Utf8 };
std::string id3v2Tag(const TagTexts& tags, int version, TextEncoding encoding);

// Whole files: a FLAC stream, an Ogg Vorbis stream, an MP4 (M4A) file, each carrying the tags.
std::string flacFile(const TagTexts& tags);
std::string oggVorbisFile(const TagTexts& tags);
std::string mp4File(const TagTexts& tags);

}  // namespace testing_support
