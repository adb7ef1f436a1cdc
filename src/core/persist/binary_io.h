// The encodings shared by every file the program writes: little-endian integers, fixed-width
// text slots, the stamp at offset 0, and the CRC-32 the journals check their records with.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/files.h"

namespace core {

// Slot widths.
inline constexpr std::size_t kRuleTextSlot = 128;
inline constexpr std::size_t kPathSlot = 260;
inline constexpr std::size_t kHeaderSlot = 64;

// Little-endian integers of `size` bytes (up to 8) in a byte string: appended, and read at `at`.
void appendLittle(std::string& bytes, std::uint64_t value, int size);
std::uint64_t littleAt(std::string_view bytes, std::size_t at, int size);
inline std::uint32_t u32At(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint32_t>(littleAt(bytes, at, 4));
}

// CRC-32 with the zlib polynomial, as zlib's crc32() gives it.
std::uint32_t crc32(std::string_view bytes);
// The same over bytes that come in pieces: crc32(b, crc32(a)) is crc32 of a followed by b.
std::uint32_t crc32(std::string_view bytes, std::uint32_t before);

void writeInt(platform::File& file, std::int32_t value);
// Raises braxen_Exception invalidFormat when the file ends first: a short file is a damaged file.
std::int32_t readInt(platform::File& file);

// Writes text in a slot of `width` bytes: the text, a zero, zeros up to the width. A text of
// `width` bytes or more fills the slot with no zero, cut at a character boundary so that no
// multi-byte character is split (the rest of the slot is then zero).
void writeText(platform::File& file, const std::string& text, std::size_t width);
// The text up to the slot's first zero, or all of it. Bytes that are not UTF-8 were written by
// an older program on an ANSI system and are decoded as such. Raises invalidFormat when the file ends.
std::string readText(platform::File& file, std::size_t width);

// The stamp: the integer 1 at offset 0. Both do nothing (and the check passes) when skip is not 0.
void writeStamp(platform::File& file, std::uint64_t skip);
bool checkStamp(platform::File& file, std::uint64_t skip);

// The whole content of a file. Raises the platform's file error.
std::string readWholeFile(const std::string& path);
// Puts a file at `path` in one step, so that it is never seen half written: `write` fills
// `temporary` (a name beside it), which is synced to the disk and then renamed over `path` when
// `replace`, or moved to `path` only if nothing has that name yet. When any step fails (a full
// disk), the temporary file is removed, `path` stays as it was, and the error is raised.
enum class Existing { Replace, Keep };
void writeFileInOneStep(const std::string& path, const std::string& temporary, Existing existing,
                        const std::function<void(platform::File&)>& write);
// Makes `bytes` the whole content of `path` in one step, through path + ".tmp".
void replaceWholeFile(const std::string& path, const std::string& bytes);

// Raises invalidFormat unless at least `bytes` more bytes follow the current position.
void requireRemaining(platform::File& file, std::uint64_t bytes);

}  // namespace core
