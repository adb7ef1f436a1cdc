#include <string>
#include <string_view>

#include "core/tags/id3v2_text.h"
#include "fuzz/fuzz_targets.h"

using fuzzing::check;

int fuzzId3v2Tag(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size - 1 > 0x0FFFFFFF) return 0;
    // The first byte picks the version; the rest is the tag's frames, behind a header that gives
    // their size, so that every input reaches the frames.
    const auto frames = static_cast<std::uint32_t>(size - 1);
    std::string tag = "ID3";
    tag += static_cast<char>(data[0] & 1 ? 4 : 3);
    tag += std::string(2, '\0');
    for (const int shift : {21, 14, 7, 0}) tag += static_cast<char>((frames >> shift) & 0x7F);
    tag.append(reinterpret_cast<const char*>(data) + 1, frames);
    // What the fast reader takes, it reads exactly as TagLib does.
    core::tags::KeyValues fast;
    if (core::tags::readId3v2Text(tag, fast)) check(fast == core::tags::id3v2ValuesWithTagLib(tag));
    return 0;
}
