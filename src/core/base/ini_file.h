// A classic INI file, read and written the way the Windows private-profile functions do it, so
// the settings file behaves the same on every platform:
// - sections and keys compare without regard to ASCII case; the first match wins;
// - white space around keys and values is ignored, and one pair of matching quotes around a
//   value is removed;
// - a missing file, section or key reads as empty text;
// - writing replaces a key's value in place, appends a new key after the last entry of its
//   section and a new section at the end of the file, and keeps every other line as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace core {

class IniFile {
public:
    // Reads the file (a missing or unreadable file is an empty one).
    explicit IniFile(std::string path);

    // The value, cut to bufferSize - 1 bytes at a character boundary, as a buffer of that size
    // would hold it; empty when missing.
    std::string getString(const std::string& section, const std::string& key, std::size_t bufferSize) const;
    // The value as a decimal integer (an optional sign, then digits); `fallback` when the key is
    // missing, 0 when the value does not start with a number.
    std::int64_t getInt(const std::string& section, const std::string& key, std::int64_t fallback) const;

    // Whether the key is present, with any value, empty included.
    bool hasKey(const std::string& section, const std::string& key) const;

    void setString(const std::string& section, const std::string& key, const std::string& value);

    // Writes the file back. False when it could not be written.
    bool save() const;

    const std::vector<std::string>& lines() const { return lines_; }

private:
    // Index of the line of the section's header, or npos.
    std::size_t findSection(const std::string& section) const;
    // Index of the key's line within the section starting at `header`, or npos.
    std::size_t findKey(std::size_t header, const std::string& key) const;
    bool rawValue(const std::string& section, const std::string& key, std::string& value) const;

    std::string path_;
    std::vector<std::string> lines_;
    std::string newline_ = "\r\n";
    // A byte order mark the file began with, written back so that saving changes only the values
    // set (a second mark after it would otherwise become the first and change what is read).
    std::string byteOrderMark_;
};

}  // namespace core
