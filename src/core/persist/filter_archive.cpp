#include "core/persist/filter_archive.h"

#include "core/persist/binary_io.h"
#include "core/persist/braxen_exception.h"
#include "core/plugins/plugin_manager.h"
#include "platform/files.h"

namespace core {

using BRAXEN::braxen_Exception;

FilterReader::FilterReader(const PluginManager* plugins, const std::string& path)
    : plugins_(plugins), file_(&ownFile_) {
    ownFile_.open(path, platform::File::Mode::Read);
    readHeader(0);
}

FilterReader::FilterReader(const PluginManager* plugins, platform::File& file, std::uint64_t skip)
    : plugins_(plugins), file_(&file) {
    readHeader(skip);
}

void FilterReader::readHeader(std::uint64_t skip) {
    platform::File& file = *file_;
    if (!checkStamp(file, skip)) throw braxen_Exception(braxen_Exception::invalidFormat);
    const std::uint32_t version = static_cast<std::uint32_t>(readInt(file));
    if (version == 0 || version > kFilterVersion) throw braxen_Exception(braxen_Exception::unknownVersion);
    if (readText(file, kHeaderSlot) != kFilterHeaderText) throw braxen_Exception(braxen_Exception::invalidFormat);
    const std::uint32_t stored = static_cast<std::uint32_t>(readInt(file));
    // A count the file cannot hold is a damaged file, refused before anything is read from it.
    requireRemaining(file, std::uint64_t{stored} * (version == 1 ? kRuleSizeVersion1 : kRuleSizeVersion2));
    version_ = version;
    count_ = stored;
}

void FilterReader::readRule(Rule& rule) {
    readRuleBytes(rule, plugins_, *file_, version_);
}

FilterWriter::FilterWriter(platform::File& file, std::uint32_t count, std::uint64_t skip) : file_(file) {
    writeStamp(file, skip);
    writeInt(file, static_cast<std::int32_t>(kFilterVersion));
    writeText(file, kFilterHeaderText, kHeaderSlot);
    writeInt(file, static_cast<std::int32_t>(count));
}

void FilterWriter::writeRule(const Rule& rule) {
    writeRuleBytes(rule, file_, kFilterVersion);
}

void writeRuleBytes(const Rule& rule, platform::File& file, std::uint32_t version) {
    if (version != 1 && version != 2) throw braxen_Exception(braxen_Exception::unknownVersion);
    writeText(file, rule.description, kRuleTextSlot);
    writeText(file, rule.text1, kRuleTextSlot);
    writeText(file, rule.text2, kRuleTextSlot);
    writeText(file, rule.text3, kRuleTextSlot);
    writeInt(file, rule.type);
    writeInt(file, rule.option);
    if (version == 2) {
        writeInt(file, rule.extra);
        writeText(file, rule.pluginPath, kPathSlot);
    }
}

void readRuleBytes(Rule& rule, const PluginManager* plugins, platform::File& file, std::uint32_t version) {
    if (version != 1 && version != 2) throw braxen_Exception(braxen_Exception::unknownVersion);
    // Read into a copy, so a file that ends halfway leaves the caller's Rule as it was.
    Rule read = rule;
    read.description = readText(file, kRuleTextSlot);
    read.text1 = readText(file, kRuleTextSlot);
    read.text2 = readText(file, kRuleTextSlot);
    read.text3 = readText(file, kRuleTextSlot);
    read.type = readInt(file);
    read.option = readInt(file);
    if (version == 2) {
        read.extra = readInt(file);
        read.pluginPath = readText(file, kPathSlot);
        if (read.type == Plugin && read.extra != 0) {
            const auto id = plugins ? plugins->findByFileName(read.pluginPath) : std::nullopt;
            if (!id) throw braxen_Exception(braxen_Exception::pluginMissing);
            read.extra = *id;
        }
    }
    rule = std::move(read);
}

void readFilterFile(const PluginManager* plugins, const std::string& path, RuleList& rules) {
    FilterReader archive(plugins, path);
    rules.clear();
    for (std::uint32_t i = 0; i < archive.count(); ++i) {
        Rule rule;
        archive.readRule(rule);
        rules.push_back(std::move(rule));
    }
}

void writeFilterFile(const std::string& path, const RuleList& rules) {
    // Written beside the old file and put in its place only when whole, so a full disk or a
    // crash on the way leaves the old file as it was.
    // The user chose the path, so a file of theirs may already have the temporary name.
    std::string temporary = path + ".tmp";
    for (int n = 1; platform::fileExists(temporary); ++n) temporary = path + ".tmp" + std::to_string(n);
    writeFileInOneStep(path, temporary, Existing::Replace, [&](platform::File& file) {
        FilterWriter archive(file, static_cast<std::uint32_t>(rules.size()), 0);
        for (const Rule& rule : rules) archive.writeRule(rule);
    });
}

}  // namespace core
