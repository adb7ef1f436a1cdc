// The texts that a music file's tags give for naming it, read with TagLib: the format's own tags
// (ID3v2 for MPEG audio, Vorbis comments for FLAC and Ogg, MP4 items...), field by field falling
// back to an ID3v1 tag at the end of the file. The plain ID3v2 tag that starts most MP3s is read
// by a reader of our own that reads it exactly as TagLib does, at a fraction of the cost
// (id3v2_text.h).
#pragma once

#include <optional>
#include <string>

namespace core {

// Every text is UTF-8 without trailing white space; a field the file lacks is empty.
struct TagFields {
    std::string title, artist, album, year, comment;
    std::string genre;        // a name, never a bare number
    std::string track, disc;  // as written, "7/12" included
    std::string albumArtist;
};

// The name of an ID3v1 genre number, or nullptr for a number without one (above 125).
const char* genreName(int genre);

// The ID3v1 tag in the 128 bytes `tag` (which start with "TAG"): texts up to their first zero
// byte, UTF-8 when they are, else in the legacy code page; the track of an ID3v1.1 tag; the
// genre's name from the ID3v1 table, empty for a number without one. `genreNumber` receives the
// number as stored.
TagFields parseId3v1(const char* tag, int* genreNumber = nullptr);

// The best tag of the file at `path`, or nothing when the file has no tag at all or cannot be
// read. Reads tags only, never the audio.
std::optional<TagFields> readBestTags(const std::string& path);

}  // namespace core
