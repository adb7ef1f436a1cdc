// The property keys a name can come from, as the tag readers of this folder hand them over, and
// the texts they share.
#pragma once

#include <array>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace core::tags {

// Best first within a field: a field takes the first of its keys that a tag has.
enum Key { Title, Artist, Album, Date, Year, Comment, Description, Genre, Track, Disc, AlbumArtist, AlbumArtist2 };
inline constexpr const char* kKeyNames[] = {"TITLE",       "ARTIST",     "ALBUM",       "DATE",
                                            "YEAR",        "COMMENT",    "DESCRIPTION", "GENRE",
                                            "TRACKNUMBER", "DISCNUMBER", "ALBUMARTIST", "ALBUM ARTIST"};
inline constexpr int kKeyCount = static_cast<int>(std::size(kKeyNames));

// The values one tag gives for each key, in UTF-8 and in the tag's order (vectors: an empty one
// costs nothing).
using KeyValues = std::array<std::vector<std::string>, kKeyCount>;

// The ID3v2 text frames (as ID3v2.4 names them) whose texts are a key's values as they stand,
// but for genre numbers and the "T" of a timestamp.
struct PlainTextFrame {
    const char* id;
    Key key;
};
inline constexpr PlainTextFrame kPlainTextFrames[] = {{"TIT2", Title}, {"TPE1", Artist},     {"TALB", Album},
                                                      {"TDRC", Date},  {"TCON", Genre},      {"TRCK", Track},
                                                      {"TPOS", Disc},  {"TPE2", AlbumArtist}};

// `text` without trailing white space.
std::string trimEnd(std::string text);

// A text that its tag marks as Latin-1. Taggers often wrote their own code page there, or UTF-8:
// it is decoded as the program decodes every legacy text, up to its first zero byte and without
// trailing white space. Every tag reader reads such texts with it, so that they all agree.
std::string legacyTagText(std::string_view bytes);

}  // namespace core::tags
