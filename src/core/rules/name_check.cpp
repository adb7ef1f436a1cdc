#include "core/rules/name_check.h"

#include <array>
#include <cstring>

#include "platform/paths.h"
#include "platform/utf8.h"

namespace core {

namespace {

char asciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalsIgnoringAsciiCase(std::string_view text, std::string_view upper) {
    if (text.size() != upper.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (asciiUpper(text[i]) != upper[i]) return false;
    }
    return true;
}

// Windows opens the device whatever follows the first dot, and drops the spaces before it, so
// "nul.txt", "CON .mp3" and "prn... ..." are all the device.
bool isDeviceName(std::string_view name) {
    std::string_view stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
    if (stem.size() < 3 || stem.size() > 7) return false;
    for (std::string_view device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
        if (equalsIgnoringAsciiCase(stem, device)) return true;
    }
    // COM and LPT take a digit 1 to 9, or a superscript one, two or three.
    const std::string_view port = stem.substr(0, 3);
    if (!equalsIgnoringAsciiCase(port, "COM") && !equalsIgnoringAsciiCase(port, "LPT")) return false;
    const std::string_view number = stem.substr(3);
    if (number.size() == 1) return number[0] >= '1' && number[0] <= '9';
    return number == "\u00B9" || number == "\u00B2" || number == "\u00B3";
}

// How many UTF-16 units Windows holds the name in; a byte that is not UTF-8 becomes one.
std::size_t utf16Length(std::string_view name) {
    std::size_t units = 0;
    for (std::size_t pos = 0; pos < name.size();) units += platform::utf8::decode(name, pos) > 0xFFFF ? 2 : 1;
    return units;
}

}  // namespace

std::optional<std::string> checkNameText(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return std::string("not a file name");
    static const auto forbidden = [] {
        std::array<bool, 256> table{};
        for (int c = 0; c < 0x20; ++c) table[c] = true;
        for (const char* c = kForbiddenNameCharacters; *c; ++c) table[static_cast<unsigned char>(*c)] = true;
        return table;
    }();
    for (const char c : name) {
        if (forbidden[static_cast<unsigned char>(c)]) return std::string("forbidden character");
    }
    if (isDeviceName(name)) return std::string("reserved device name");
    if (name.back() == '.' || name.back() == ' ') return std::string("ends in a dot or space");
    // No UTF-8 sequence takes fewer bytes than UTF-16 units, so a short name needs no count.
    if (name.size() > kMaxNameUnits) {
        const std::size_t units = utf16Length(name);
        if (units > kMaxNameUnits) {
            return "too long: " + std::to_string(units) + " of " + std::to_string(kMaxNameUnits);
        }
    }
    return std::nullopt;
}

namespace {

std::optional<std::string> checkBytes(std::string_view name, long limit) {
    if (limit <= 0 || name.size() <= static_cast<std::size_t>(limit)) return std::nullopt;
    return "too long: " + std::to_string(name.size()) + " of " + std::to_string(limit) + " bytes";
}

}  // namespace

std::optional<std::string> checkNewName(const std::string& folder, std::string_view name) {
    if (auto reason = checkNameText(name)) return reason;
    return checkBytes(name, platform::maxNameBytes(folder));
}

std::optional<std::string> NewNameCheck::operator()(const std::string& folder, std::string_view name) {
    if (auto reason = checkNameText(name)) return reason;
    if (!known_ || folder != folder_) {
        folder_ = folder;
        limit_ = platform::maxNameBytes(folder);
        known_ = true;
    }
    return checkBytes(name, limit_);
}

std::optional<std::string> shortenToFit(std::string_view name, long byteLimit) {
    const std::size_t maxBytes = byteLimit > 0 ? static_cast<std::size_t>(byteLimit) : name.size();
    if (name.size() <= maxBytes && (name.size() <= kMaxNameUnits || utf16Length(name) <= kMaxNameUnits)) {
        return std::nullopt;
    }
    const std::size_t period = name.rfind('.');
    // A name whose only period starts it (".hidden") is all base.
    const std::string_view base =
        name.substr(0, period == std::string_view::npos || period == 0 ? name.size() : period);
    const std::string_view extension = name.substr(base.size());
    std::size_t units = utf16Length(extension), end = 0;
    for (std::size_t pos = 0; pos < base.size();) {
        std::size_t next = pos;
        const std::size_t more = platform::utf8::decode(base, next) > 0xFFFF ? 2 : 1;
        if (units + more > kMaxNameUnits || next + extension.size() > maxBytes) break;
        units += more;
        pos = end = next;
    }
    if (end == 0) return std::nullopt;
    std::size_t cut = end;
    if (end < base.size() && base[end] != ' ') {
        const std::size_t space = base.rfind(' ', end);
        if (space != std::string_view::npos && space >= end / 2) cut = space;
    }
    const auto between = [](char c) { return c != '\0' && std::strchr(" .,;:-_~", c) != nullptr; };
    while (cut > 0 && between(base[cut - 1])) --cut;
    if (cut == 0) cut = end;  // nothing but punctuation: the cut as it fell
    std::string out(base.substr(0, cut));
    out += extension;
    return out;
}

std::string invalidNameMessage(std::string_view name, const std::string& reason) {
    return "The file name \"" + platform::displayName(name) + "\" is not valid: " + reason + ".";
}

}  // namespace core
