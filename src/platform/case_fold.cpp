#include "platform/case_fold.h"

#include <cstdint>
#include <memory>

#include "platform/utf8.h"

namespace platform {
namespace {

struct Run {
    std::uint16_t first, count, stride;
    std::int32_t delta;
};

constexpr Run kRuns[] = {
#include "platform/case_fold_table.inc"
};

// One 16-bit entry per BMP code point: a lookup is one load, and the 128 KB are built once from
// the runs when a name is first compared.
const char16_t* foldTable() {
    static const std::unique_ptr<char16_t[]> table = [] {
        std::unique_ptr<char16_t[]> t(new char16_t[0x10000]);
        for (std::uint32_t c = 0; c < 0x10000; ++c) t[c] = static_cast<char16_t>(c);
        for (const Run& run : kRuns) {
            for (std::uint32_t i = 0, c = run.first; i < run.count; ++i, c += run.stride) {
                t[c] = static_cast<char16_t>(static_cast<std::int32_t>(c) + run.delta);
            }
        }
        return t;
    }();
    return table.get();
}

}  // namespace

char32_t foldCodePoint(char32_t c) {
    if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
    return c < 0x10000 ? foldTable()[c] : c;
}

void appendFolded(std::string& out, std::string_view text) {
    for (std::size_t pos = 0; pos < text.size();) {
        const char byte = text[pos];
        if (static_cast<unsigned char>(byte) < 0x80) {
            out += (byte >= 'a' && byte <= 'z') ? static_cast<char>(byte - 32) : byte;
            ++pos;
        } else if (utf8::sequenceLength(text, pos) == 0) {
            out += byte;
            ++pos;
        } else {
            utf8::append(out, foldCodePoint(utf8::decode(text, pos)));
        }
    }
}

std::string foldedText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendFolded(out, text);
    return out;
}

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a == b) return true;
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        // A byte that is not UTF-8 meets only the same byte.
        const bool validA = utf8::sequenceLength(a, i) != 0, validB = utf8::sequenceLength(b, j) != 0;
        if (!validA || !validB) {
            if (validA != validB || a[i] != b[j]) return false;
            ++i;
            ++j;
        } else if (foldCodePoint(utf8::decode(a, i)) != foldCodePoint(utf8::decode(b, j))) {
            return false;
        }
    }
    return i == a.size() && j == b.size();
}

bool equalIgnoringCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    // Surrogates fold to themselves, so unit by unit is character by character.
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && foldCodePoint(a[i]) != foldCodePoint(b[i])) return false;
    }
    return true;
}

}  // namespace platform
