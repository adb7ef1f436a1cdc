// The frames of an ID3v2.3 or 2.4 tag that a name can come from, read the way TagLib reads them
// but without its objects: TagLib builds an object for every frame and a shared buffer for every
// piece of one, which for a plain tag costs many times the opening of the file. The common tag
// (plain text frames, pictures and the like beside them) is read here; any tag this reader cannot
// read exactly as TagLib does is declined and read with TagLib.
#pragma once

#include <string>
#include <string_view>

#include "core/tags/tag_keys.h"

namespace core::tags {

// The name TagLib gives an ID3v1 genre number (its list of 192, "Top 40" for 60), empty beyond
// it: the best tag names a genre number the same way whichever tag holds it.
const std::string& tagLibGenreName(unsigned number);

// Adds what the ID3v2 tag `tag` (from its 10-byte header on, at least as long as the header
// says) gives for each key, as TagLib's frames and properties give it, and returns true. Returns
// false and leaves `values` alone for a tag that TagLib must read: a version other than 2.3 and
// 2.4, unsynchronisation, an extended header or footer, compressed, encrypted or otherwise
// flagged frames, ID3v2.2 frames in a 2.3 tag, dates that TagLib combines from several frames,
// ID3v2.3 genre references, texts whose decoding is not plainly the same, and frames whose
// properties TagLib derives in ways not repeated here.
bool readId3v2Text(std::string_view tag, KeyValues& values);

// The same tag read by TagLib, as the program reads the tags that readId3v2Text declines; the
// tests hold the two readers to each other with it.
KeyValues id3v2ValuesWithTagLib(std::string_view tag);

}  // namespace core::tags
