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

class FilterArchive {
public:
    // By name: opens `path` itself (created when storing, read otherwise) and closes it when
    // destroyed. `count` is written when storing and received when loading. Raises
    // braxen_Exception invalidFormat or unknownVersion for a file it does not accept, before anything is read from it
    // into the caller's data.
    FilterArchive(const PluginManager* plugins, const std::string& path, bool storing, std::uint32_t& count,
                  std::uint64_t skip);
    // Attached: works on a file the caller opened and positioned, and leaves it open.
    FilterArchive(const PluginManager* plugins, platform::File& file, bool storing, std::uint32_t& count,
                  std::uint64_t skip);
    FilterArchive(const FilterArchive&) = delete;
    FilterArchive& operator=(const FilterArchive&) = delete;

    void readRule(Rule& rule);
    void writeRule(const Rule& rule);
    std::uint32_t version() const { return version_; }

private:
    void processHeader(bool storing, std::uint32_t& count, std::uint64_t skip);

    const PluginManager* plugins_;
    platform::File ownFile_;
    platform::File* file_;
    std::uint32_t version_ = kFilterVersion;
};

// Reads (loading) or writes one Rule in the form of `version` (1 or 2; anything else raises
// braxen_Exception unknownVersion before the file is touched). A version 2 Plugin rule read with a non-zero
// `extra` is tied to the loaded plug-in of the same file name (ignoring case), raising pluginMissing when
// there is none.
void serializeRule(Rule& rule, bool loading, const PluginManager* plugins, platform::File& file, std::uint32_t version);

// A filter definition file. Reading clears `rules` only once the header has been accepted, then
// appends each Rule as it is read, so a rejected file leaves the caller's list as it was, and a
// missing plug-in leaves the Rules before it in the list.
void readFilterFile(const PluginManager* plugins, const std::string& path, RuleList& rules);
// Writing goes to a temporary file beside `path` that replaces it only once it is whole and on
// the disk: a failure (a full disk) removes the temporary file, leaves an existing file as it was,
// and raises the platform's file error.
void writeFilterFile(const std::string& path, const RuleList& rules);

}  // namespace core
