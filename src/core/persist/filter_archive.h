// The Rule section that filter definition files and undo databases share: a header (stamp,
// version, header text, count) and then count Rules in their byte form.
#pragma once

#include <cstdint>
#include <string>

#include "core/rules/rule.h"
#include "platform/files.h"

namespace core {

class PluginManager;

inline constexpr const char* kFilterHeaderText = "Calderwynstrope - Filter Definition File";
inline constexpr std::uint32_t kFilterVersion = 2;
inline constexpr std::size_t kRuleSizeVersion1 = 520;
inline constexpr std::size_t kRuleSizeVersion2 = 784;

// Reads a Rule section: the header when constructed, then one Rule per readRule. Raises
// braxen_Exception invalidFormat or unknownVersion for a section it does not accept, before anything is read from it
// into the caller's data.
class FilterReader {
public:
    // By name: opens `path` itself and closes it when destroyed.
    FilterReader(const PluginManager* plugins, const std::string& path);
    // Attached: works on a file the caller opened and positioned `skip` bytes past its stamp's
    // place, and leaves it open.
    FilterReader(const PluginManager* plugins, platform::File& file, std::uint64_t skip);
    FilterReader(const FilterReader&) = delete;
    FilterReader& operator=(const FilterReader&) = delete;

    std::uint32_t count() const { return count_; }
    std::uint32_t version() const { return version_; }
    void readRule(Rule& rule);

private:
    void readHeader(std::uint64_t skip);

    const PluginManager* plugins_;
    platform::File ownFile_;
    platform::File* file_;
    std::uint32_t count_ = 0;
    std::uint32_t version_ = kFilterVersion;
};

// Writes a Rule section in the current version: the header for `count` Rules when constructed,
// then one Rule per writeRule. Works on a file the caller opened and positioned, and leaves it
// open.
class FilterWriter {
public:
    FilterWriter(platform::File& file, std::uint32_t count, std::uint64_t skip);
    FilterWriter(const FilterWriter&) = delete;
    FilterWriter& operator=(const FilterWriter&) = delete;

    void writeRule(const Rule& rule);

private:
    platform::File& file_;
};

// One Rule in the form of `version` (1 or 2; anything else raises braxen_Exception unknownVersion before
// the file is touched). A version 2 Plugin rule read with a non-zero `extra` is tied to the
// loaded plug-in of the same file name (ignoring case), raising pluginMissing when there is none. A file
// that ends halfway leaves `rule` as it was.
void readRuleBytes(Rule& rule, const PluginManager* plugins, platform::File& file, std::uint32_t version);
void writeRuleBytes(const Rule& rule, platform::File& file, std::uint32_t version);

// A filter definition file. Reading clears `rules` only once the header has been accepted, then
// appends each Rule as it is read, so a rejected file leaves the caller's list as it was, and a
// missing plug-in leaves the Rules before it in the list.
void readFilterFile(const PluginManager* plugins, const std::string& path, RuleList& rules);
// Writing goes to a temporary file beside `path` that replaces it only once it is whole and on
// the disk: a failure (a full disk) removes the temporary file, leaves an existing file as it was,
// and raises the platform's file error.
void writeFilterFile(const std::string& path, const RuleList& rules);

}  // namespace core
