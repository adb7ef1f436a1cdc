#include "core/base/ini_file.h"

#include "core/base/text.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/utf8.h"

namespace core {
namespace {

bool equalNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// "[name]" -> name; false when the line is not a section header.
bool sectionName(const std::string& line, std::string& name) {
    const std::string text = trimWhiteSpace(line);
    if (text.empty() || text[0] != '[') return false;
    const std::size_t close = text.find(']');
    name = trimWhiteSpace(text.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return true;
}

// "key = value" -> key and value; false for a line without "=".
bool keyValue(const std::string& line, std::string& key, std::string& value) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    key = trimWhiteSpace(line.substr(0, equals));
    value = trimWhiteSpace(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return true;
}

}  // namespace

IniFile::IniFile(std::string path) : path_(std::move(path)) {
    std::string bytes;
    try {
        platform::File file(path_, platform::File::Mode::Read);
        bytes.resize(static_cast<std::size_t>(file.length()));
        bytes.resize(file.read(bytes.data(), bytes.size()));
    } catch (const platform::FileError&) {
        return;
    }
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {  // a UTF-8 byte order mark
        byteOrderMark_ = bytes.substr(0, 3);
        bytes.erase(0, 3);
    }
    // Saved with the line end the file has, when it has only one kind.
    if (bytes.find("\r\n") == std::string::npos) {
        const bool lf = bytes.find('\n') != std::string::npos, cr = bytes.find('\r') != std::string::npos;
        if (lf != cr) newline_ = lf ? "\n" : "\r";
    }
    // As Windows reads a profile: CR LF, LF and CR alone each end a line, mixed as they come.
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        lines_.push_back(platform::legacyTextToUtf8(bytes.substr(start, end - start)));
        start = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
}

std::size_t IniFile::findSection(const std::string& section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        std::string name;
        if (sectionName(lines_[i], name) && equalNoCase(name, section)) return i;
    }
    return std::string::npos;
}

std::size_t IniFile::findKey(std::size_t header, const std::string& key) const {
    for (std::size_t i = header + 1; i < lines_.size(); ++i) {
        std::string name, k, v;
        if (sectionName(lines_[i], name)) break;
        if (keyValue(lines_[i], k, v) && equalNoCase(k, key)) return i;
    }
    return std::string::npos;
}

bool IniFile::hasKey(const std::string& section, const std::string& key) const {
    std::string value;
    return rawValue(section, key, value);
}

bool IniFile::rawValue(const std::string& section, const std::string& key, std::string& value) const {
    const std::size_t header = findSection(section);
    if (header == std::string::npos) return false;
    const std::size_t line = findKey(header, key);
    if (line == std::string::npos) return false;
    std::string k;
    return keyValue(lines_[line], k, value);
}

std::string IniFile::getString(const std::string& section, const std::string& key, std::size_t bufferSize) const {
    std::string value;
    if (!rawValue(section, key, value) || bufferSize == 0) return std::string();
    return platform::utf8::truncate(value, bufferSize - 1);
}

std::int64_t IniFile::getInt(const std::string& section, const std::string& key, std::int64_t fallback) const {
    std::string value;
    if (!rawValue(section, key, value)) return fallback;
    std::size_t i = 0;
    bool negative = false;
    if (i < value.size() && (value[i] == '-' || value[i] == '+')) negative = value[i++] == '-';
    std::int64_t result = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        if (result > 100000000000LL) break;  // far beyond any setting; stop before overflowing
        result = result * 10 + (value[i] - '0');
    }
    return negative ? -result : result;
}

void IniFile::setString(const std::string& section, const std::string& key, const std::string& value) {
    const std::string entry = key + "=" + value;
    std::size_t header = findSection(section);
    if (header == std::string::npos) {
        lines_.push_back("[" + section + "]");
        lines_.push_back(entry);
        return;
    }
    const std::size_t line = findKey(header, key);
    if (line != std::string::npos) {
        lines_[line] = entry;
        return;
    }
    // After the section's last non-blank line, before any blank lines that part it from the next.
    std::size_t insertAt = header + 1;
    for (std::size_t i = header + 1; i < lines_.size(); ++i) {
        std::string name;
        if (sectionName(lines_[i], name)) break;
        if (!trimWhiteSpace(lines_[i]).empty()) insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), entry);
}

bool IniFile::save() const {
    std::string bytes = byteOrderMark_;
    for (const std::string& line : lines_) bytes += line + newline_;
    try {
        platform::File file(path_, platform::File::Mode::CreateWrite);
        file.write(bytes.data(), bytes.size());
        return true;
    } catch (const platform::FileError&) {
        return false;
    }
}

}  // namespace core
