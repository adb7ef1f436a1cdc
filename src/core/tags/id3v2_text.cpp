#include "core/tags/id3v2_text.h"

#include <taglib/id3v1genres.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/utf8.h"

namespace core::tags {
namespace {

constexpr std::size_t kHeaderSize = 10;

// Text encodings as a frame's first byte gives them, and the two byte orders that a UTF-16 text
// without its own byte order mark takes from the first text of its frame.
enum Encoding { Latin1 = 0, Utf16 = 1, Utf16BE = 2, Utf8 = 3, Utf16LE = 4 };

unsigned byteAt(std::string_view bytes, std::size_t at) {
    return static_cast<unsigned char>(bytes[at]);
}

std::uint32_t bigEndian32(std::string_view bytes) {
    return (std::uint32_t{byteAt(bytes, 0)} << 24) | (byteAt(bytes, 1) << 16) | (byteAt(bytes, 2) << 8) |
           byteAt(bytes, 3);
}

bool isIdCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// Whether the four bytes at `at` of `bytes` (fewer when it ends first) make a frame ID.
bool isFrameIdAt(std::string_view bytes, std::uint32_t at) {
    if (at > bytes.size() || bytes.size() - at < 4) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        if (!isIdCharacter(bytes[at + i])) return false;
    }
    return true;
}

std::string upperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

// One text in UTF-8 into `out`, or false when TagLib might read it otherwise. Like TagLib, a text
// ends at its first zero character, and a UTF-16 text without a valid byte order mark is empty.
// Texts marked Latin-1 are legacy text, as the program reads them everywhere.
bool decodeText(std::string_view bytes, Encoding encoding, std::string& out) {
    out.clear();
    if (encoding == Latin1) {
        out = legacyTagText(bytes);
        return platform::utf8::isValid(out);
    }
    if (encoding == Utf8) {
        // TagLib decodes the whole text before it stops at a zero.
        if (!platform::utf8::isValid(bytes)) return false;
        out.assign(bytes.substr(0, bytes.find('\0')));
        return true;
    }
    std::size_t units = bytes.size() / 2;
    std::size_t at = 0;
    bool bigEndian = encoding == Utf16BE;
    if (encoding == Utf16) {
        if (units == 0) return true;
        const unsigned mark = byteAt(bytes, 0) | (byteAt(bytes, 1) << 8);
        if (mark != 0xFEFF && mark != 0xFFFE) return true;
        bigEndian = mark == 0xFFFE;
        at = 2;
        --units;
    }
    const auto unit = [&](std::size_t i) {
        const std::size_t b = at + 2 * i;
        return bigEndian ? (byteAt(bytes, b) << 8) | byteAt(bytes, b + 1)
                         : byteAt(bytes, b) | (byteAt(bytes, b + 1) << 8);
    };
    for (std::size_t i = 0; i < units; ++i) {
        char32_t c = unit(i);
        if (c == 0) break;
        if (c >= 0xD800 && c <= 0xDFFF) {
            // Only a well-formed pair: TagLib makes the whole text empty for a broken one.
            if (c > 0xDBFF || i + 1 >= units) return false;
            const char32_t low = unit(i + 1);
            if (low < 0xDC00 || low > 0xDFFF) return false;
            c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        }
        platform::utf8::append(out, c);
    }
    return true;
}

// The zero terminator's width in `encoding`; texts and terminators are aligned to it.
std::size_t terminatorWidth(Encoding encoding) {
    return encoding == Latin1 || encoding == Utf8 ? 1 : 2;
}

// The position of the first terminator in `bytes` at or after `from` (a multiple of its width),
// or npos.
std::size_t findTerminator(std::string_view bytes, std::size_t from, std::size_t width) {
    for (std::size_t p = from; p + width <= bytes.size(); p += width) {
        if (bytes[p] == '\0' && (width == 1 || bytes[p + 1] == '\0')) return p;
    }
    return std::string_view::npos;
}

// The texts of a text frame's body, as TagLib lists them: zero bytes at the end dropped, the
// rest split at terminators, empty pieces left out; a UTF-16 piece without a byte order mark
// takes the byte order of the frame's first piece.
bool textFields(std::string_view body, std::vector<std::string>& fields) {
    fields.clear();
    if (body.size() < 2) return true;
    if (byteAt(body, 0) > Utf8) return false;
    const auto encoding = static_cast<Encoding>(body[0]);
    const std::size_t width = terminatorWidth(encoding);
    std::size_t length = body.size() - 1;
    while (length > 0 && body[length] == '\0') --length;
    length = (length + width - 1) / width * width;
    const std::string_view texts = body.substr(1, length);

    unsigned firstMark = 0;
    std::size_t start = 0;
    for (bool first = true; start < texts.size() || first; first = false) {
        const std::size_t end = findTerminator(texts, start, width);
        const std::string_view piece = texts.substr(start, end == std::string_view::npos ? end : end - start);
        if (!piece.empty()) {
            Encoding pieceEncoding = encoding;
            if (encoding == Utf16) {
                if (piece.size() < 2) return false;
                const unsigned mark = (byteAt(piece, 0) << 8) | byteAt(piece, 1);
                if (first) {
                    firstMark = mark;
                } else if (mark != 0xFEFF && mark != 0xFFFE) {
                    if (firstMark == 0xFEFF) pieceEncoding = Utf16BE;
                    if (firstMark == 0xFFFE) pieceEncoding = Utf16LE;
                }
            }
            if (!decodeText(piece, pieceEncoding, fields.emplace_back())) return false;
        }
        if (end == std::string_view::npos) break;
        start = end + width;
    }
    return true;
}

// A comment frame's description and text: one terminator between them, anything after it part
// of the text; both empty when there is no terminator or nothing after it.
bool commentFields(std::string_view body, std::string& description, std::string& text) {
    description.clear();
    text.clear();
    if (body.size() < 5) return true;
    if (byteAt(body, 0) > Utf8) return false;
    const auto encoding = static_cast<Encoding>(body[0]);
    const std::size_t width = terminatorWidth(encoding);
    const std::string_view rest = body.substr(4);
    const std::size_t end = findTerminator(rest, 0, width);
    if (end == std::string_view::npos || end + width >= rest.size()) return true;
    return decodeText(rest.substr(0, end), encoding, description) &&
           decodeText(rest.substr(end + width), encoding, text);
}

// A genre text as TagLib's genre property gives it: a number names its genre. False for texts
// that TagLib's number reading might take differently and for ID3v2.3 references such as "(17)".
// TagLib reads numbers with the C library's wcstol, which skips leading white space, takes a
// sign, and on Windows takes digits of other scripts too ("１７"): a text is surely no number only
// when it holds an ASCII character that wcstol never takes.
bool genreValue(std::string& value) {
    if (!value.empty() && value.front() == '(') return false;
    bool asciiDigits = !value.empty() && value.size() <= 9;
    for (const char c : value) {
        const bool digit = c >= '0' && c <= '9';
        asciiDigits = asciiDigits && digit;
        const bool taken = digit || c == '+' || c == '-' || c == ' ' || (c >= '\t' && c <= '\r');
        if (!taken && static_cast<unsigned char>(c) < 0x80) return true;  // never a number
    }
    if (!asciiDigits) return false;
    unsigned number = 0;
    for (const char c : value) number = number * 10 + static_cast<unsigned>(c - '0');
    value = tagLibGenreName(number);
    return true;
}

// What one frame gives; false to decline the tag.
bool addFrame(std::string_view id, std::string_view body, std::vector<std::string>& fields, KeyValues& values) {
    if (id == "COMM") {
        std::string description, text;
        if (!commentFields(body, description, text)) return false;
        description = upperAscii(std::move(description));
        if (description.empty() || description == "COMMENT") values[Comment].push_back(std::move(text));
        return true;
    }
    if (id.front() != 'T') return true;  // pictures, links, lyrics...: none gives a name's key
    if (id == "TXXX") {
        // A user text whose description is one of the keys would give that key.
        if (!textFields(body, fields)) return false;
        const std::string key = fields.empty() ? std::string() : upperAscii(fields.front());
        for (const char* name : kKeyNames) {
            if (key == name) return false;
        }
        return true;
    }
    // The date frames that ID3v2.4 replaced still give the date there.
    if (id == "TYER" || id == "TDAT" || id == "TIME" || id == "TRDA") return false;
    for (const PlainTextFrame& plain : kPlainTextFrames) {
        if (id != plain.id) continue;
        if (!textFields(body, fields)) return false;
        for (std::string& value : fields) {
            if (plain.key == Genre) {
                if (value.empty()) continue;  // TagLib drops empty genres as it reads them
                if (!genreValue(value)) return false;
            }
            if (plain.key == Date) {
                // A timestamp's "T" between date and time reads as a space.
                const std::size_t t = value.find('T');
                if (t != std::string::npos) value[t] = ' ';
            }
            values[plain.key].push_back(std::move(value));
        }
        return true;
    }
    return true;  // other text frames give other keys
}

}  // namespace

const std::string& tagLibGenreName(unsigned number) {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (int i = 0;; ++i) {
            const TagLib::String name = TagLib::ID3v1::genre(i);
            if (name.isEmpty()) break;
            list.push_back(name.to8Bit(true));
        }
        return list;
    }();
    static const std::string none;
    return number < names.size() ? names[number] : none;
}

bool readId3v2Text(std::string_view tag, KeyValues& values) {
    if (tag.size() < kHeaderSize || tag.substr(0, 3) != "ID3") return false;
    const unsigned version = byteAt(tag, 3);
    if ((version != 3 && version != 4) || tag[5] != 0) return false;  // flags: unsynchronised, extended...
    std::uint32_t size = 0;
    for (std::size_t i = 6; i < kHeaderSize; ++i) {
        if (byteAt(tag, i) >= 0x80) return false;
        size = (size << 7) | byteAt(tag, i);
    }
    if (size < kHeaderSize || tag.size() - kHeaderSize < size) return false;
    const std::string_view data = tag.substr(kHeaderSize, size);

    KeyValues found;
    std::vector<std::string> fields;
    for (std::size_t position = 0; position < data.size() - kHeaderSize;) {
        if (data[position] == '\0') break;  // padding
        const std::string_view frame = data.substr(position);
        std::string_view id = frame.substr(0, 4);
        // Status flags change nothing read; format flags (compression, encryption, grouping,
        // unsynchronisation, a data length) are left to TagLib.
        if (frame[9] != 0) return false;
        std::uint32_t frameSize;
        if (version == 3) {
            frameSize = bigEndian32(frame.substr(4, 4));
        } else {
            frameSize = 0;
            for (std::size_t i = 4; i < 8; ++i) {
                if (byteAt(frame, i) >= 0x80) return false;
                frameSize = (frameSize << 7) | byteAt(frame, i);
            }
            // Some taggers write 2.4 frame sizes as plain numbers: TagLib takes the plain number
            // when only it leads to the next frame.
            if (frameSize > 127 && !isFrameIdAt(frame, frameSize + 10)) {
                const std::uint32_t plainSize = bigEndian32(frame.substr(4, 4));
                if (isFrameIdAt(frame, static_cast<std::uint32_t>(plainSize + 10))) frameSize = plainSize;
            }
        }
        // A frame that TagLib cannot make ends its reading of the tag, keeping what came before.
        if (frameSize == 0 || frameSize > frame.size()) break;
        if (version == 3 && id[3] == '\0') return false;  // an ID3v2.2 frame
        bool validId = true;
        for (const char c : id) validId = validId && isIdCharacter(c);
        if (!validId) break;
        if (version == 3) {
            // Frames that ID3v2.4 dropped are unknown to TagLib, except that a date frame joins the year.
            if (id == "TDAT") return false;
            if (id == "EQUA" || id == "RVAD" || id == "TIME" || id == "TRDA" || id == "TSIZ") id = "";
            if (id == "TYER") id = "TDRC";
        } else if (id == "TRDC") {
            id = "TDRC";
        }
        if (!id.empty() && !addFrame(id, frame.substr(kHeaderSize, frameSize), fields, found)) return false;
        position += frameSize + kHeaderSize;
    }
    for (std::size_t k = 0; k < found.size(); ++k) {
        for (std::string& value : found[k]) values[k].push_back(std::move(value));
    }
    return true;
}

}  // namespace core::tags
