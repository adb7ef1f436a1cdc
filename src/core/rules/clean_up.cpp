#include "core/rules/clean_up.h"

#include <utf8proc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>

#include "core/rules/name_check.h"
#include "core/rules/rule.h"
#include "platform/utf8.h"

namespace core {
namespace {

struct LatinLetter {
    std::int32_t code;
    const char* ascii;
};

constexpr LatinLetter kLatinLetters[] = {
#include "core/rules/latin_letters_table.inc"
};

const char* latinSpelling(std::int32_t code) {
    const auto at = std::lower_bound(std::begin(kLatinLetters), std::end(kLatinLetters), code,
                                     [](const LatinLetter& letter, std::int32_t c) { return letter.code < c; });
    return at != std::end(kLatinLetters) && at->code == code ? at->ascii : nullptr;
}

}  // namespace

std::string composedText(std::string_view text) {
    if (text.empty() || !platform::utf8::isValid(text)) return std::string(text);
    utf8proc_uint8_t* composed = nullptr;
    const auto length =
        utf8proc_map(reinterpret_cast<const utf8proc_uint8_t*>(text.data()), static_cast<utf8proc_ssize_t>(text.size()),
                     &composed, static_cast<utf8proc_option_t>(UTF8PROC_STABLE | UTF8PROC_COMPOSE));
    const std::unique_ptr<utf8proc_uint8_t, decltype(&std::free)> owner(composed, &std::free);
    if (length < 0 || !composed) return std::string(text);
    return std::string(reinterpret_cast<const char*>(composed), static_cast<std::size_t>(length));
}

std::string asciiText(std::string_view text) {
    const std::string composed = composedText(text);
    if (!platform::utf8::isValid(composed)) return composed;
    std::string out;
    out.reserve(composed.size());
    for (std::size_t at = 0; at < composed.size();) {
        utf8proc_int32_t code = 0;
        at += static_cast<std::size_t>(utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(composed.data() + at),
                                                        static_cast<utf8proc_ssize_t>(composed.size() - at), &code));
        if (code < 0x80) {
            out += static_cast<char>(code);
            continue;
        }
        // A character whose compatibility form is ASCII but for its marks: é is e, ﬁ is fi, the
        // curly quotes and the dashes their ASCII forms. One whose base is of another script
        // (й, が) keeps its marks and stays as it is.
        utf8proc_int32_t parts[18];
        const auto count = utf8proc_decompose_char(
            code, parts, 18,
            static_cast<utf8proc_option_t>(UTF8PROC_DECOMPOSE | UTF8PROC_COMPAT | UTF8PROC_STRIPMARK | UTF8PROC_LUMP),
            nullptr);
        // Never a character a name cannot hold: the full-width solidus is no path separator.
        const auto fits = [](utf8proc_int32_t c) {
            return c >= 0x20 && c < 0x80 && !std::strchr(kForbiddenNameCharacters, static_cast<int>(c));
        };
        if (count > 0 && count <= 18 && std::all_of(parts, parts + count, fits)) {
            for (auto i = 0; i < count; ++i) out += static_cast<char>(parts[i]);
            continue;
        }
        if (const char* spelled = latinSpelling(code)) {
            out += spelled;
            continue;
        }
        platform::utf8::append(out, static_cast<char32_t>(code));
    }
    return out;
}

std::string collapsedSpaces(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
        out += c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::string forbiddenReplaced(std::string_view text, std::string_view by) {
    std::string out;
    out.reserve(text.size());
    const std::string_view forbidden = kForbiddenNameCharacters;
    for (char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || forbidden.find(c) != std::string_view::npos) {
            out += by;
        } else {
            out += c;
        }
    }
    return out;
}

namespace {

// The steps by their command-line names, in the order a rule applies them.
constexpr struct {
    const char* name;
    std::int32_t flag;
} kCleanSteps[] = {
    {"nfc", CleanComposed}, {"ascii", CleanAscii}, {"spaces", CleanSpaces}, {"forbidden", CleanForbidden}};

}  // namespace

std::int32_t cleanStepsNamed(std::string_view names) {
    std::int32_t flags = 0;
    for (std::size_t start = 0;;) {
        const std::size_t comma = std::min(names.find(',', start), names.size());
        const std::string_view name = names.substr(start, comma - start);
        const auto step = std::find_if(std::begin(kCleanSteps), std::end(kCleanSteps),
                                       [&](const auto& known) { return name == known.name; });
        if (step == std::end(kCleanSteps)) return -1;
        flags |= step->flag;
        if (comma == names.size()) return flags;
        start = comma + 1;
    }
}

std::string cleanStepNames(std::int32_t flags) {
    std::string names;
    for (const auto& step : kCleanSteps) {
        if ((flags & step.flag) && !(step.flag == CleanComposed && (flags & CleanAscii))) {
            names += (names.empty() ? "" : ",") + std::string(step.name);
        }
    }
    return names;
}

void cleanUp(std::string& text, std::int32_t flags, std::string_view by) {
    if (flags & CleanAscii) {
        text = asciiText(text);
    } else if (flags & CleanComposed) {
        text = composedText(text);
    }
    if (flags & CleanSpaces) text = collapsedSpaces(text);
    if (flags & CleanForbidden) text = forbiddenReplaced(text, by);
}

}  // namespace core
