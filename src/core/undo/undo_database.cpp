#include "core/undo/undo_database.h"

#include "core/app/reporter.h"
#include "core/app/strings.h"
#include "core/persist/binary_io.h"
#include "core/persist/braxen_exception.h"
#include "core/persist/filter_archive.h"
#include "core/undo/undo_index.h"
#include "platform/clock.h"
#include "platform/files.h"

namespace core {

using BRAXEN::braxen_Exception;

namespace {

std::size_t slotFor(std::uint32_t version) {
    return version == 1 ? kUndoSlotVersion1 : kUndoSlotVersion2;
}

}  // namespace

std::string shortDateTime(const std::tm& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%d/%d/%02d %d:%02d:%02d", t.tm_mon + 1, t.tm_mday, (t.tm_year + 1900) % 100,
                  t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string longDateTime(const std::tm& t) {
    static const char* const days[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    static const char* const months[] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};
    char text[96];
    std::snprintf(text, sizeof text, "%s, %s %02d, %d %d:%02d:%02d", days[(t.tm_wday % 7 + 7) % 7],
                  months[(t.tm_mon % 12 + 12) % 12], t.tm_mday, t.tm_year + 1900, t.tm_hour, t.tm_min, t.tm_sec);
    return text;
}

std::string makeDatabaseName(std::mt19937& random) {
    std::uniform_int_distribution<int> letter(0, 25);
    std::string name;
    for (int i = 0; i < 12; ++i) name += static_cast<char>('A' + letter(random));
    return name;
}

void UndoDatabase::addEntry(const std::string& folder, const std::string& newName, const std::string& oldName) {
    entries_.push_back(UndoEntry{folder, newName, oldName});
}

std::string UndoDatabase::commit(const PluginManager* plugins, const RuleList& rules, bool limitUndo,
                                 std::int32_t undoLimit, const AppPaths& paths, Reporter& reporter) {
    if (entries_.empty()) return std::string();
    const std::string undoFolder = paths.undoFolder();
    platform::createFolder(undoFolder);  // a failure shows when the file cannot be created

    // Drawing again is enough to find a free name; there is no need to wait for the clock.
    static std::mt19937 random(
        static_cast<std::mt19937::result_type>(std::random_device{}() ^ static_cast<unsigned>(platform::now())));
    std::string name;
    do {
        name = makeDatabaseName(random);
    } while (platform::fileExists(undoFolder + name));

    // The classic layout unless some text would not fit its 260-byte slot.
    std::uint32_t version = 1;
    for (const UndoEntry& entry : entries_) {
        for (const std::string* text : {&entry.folder, &entry.newName, &entry.oldName}) {
            if (text->size() >= kUndoSlotVersion1) version = 2;
        }
    }
    {
        platform::File file(undoFolder + name, platform::File::Mode::CreateWrite);
        writeStamp(file, 0);
        writeInt(file, static_cast<std::int32_t>(version));
        writeText(file, kUndoHeaderText, kHeaderSlot);
        writeInt(file, static_cast<std::int32_t>(entries_.size()));
        for (const UndoEntry& entry : entries_) {
            writeText(file, entry.folder, slotFor(version));
            writeText(file, entry.newName, slotFor(version));
            writeText(file, entry.oldName, slotFor(version));
        }
        std::uint32_t count = static_cast<std::uint32_t>(rules.size());
        FilterArchive archive(plugins, file, true, count, file.position());
        for (const Rule& rule : rules) archive.writeRule(rule);
    }

    const std::string description =
        formatString(IDS_UNDO_DESCRIPTION,
                     {shortDateTime(platform::localTime(platform::now())), static_cast<std::int64_t>(entries_.size())});
    entries_.clear();
    try {
        UndoIndex index(paths.indexFile());
        index.open();
        if (limitUndo) index.enforceUndoLimit(undoLimit, undoFolder);
        index.append(name, description);
        index.close();
    } catch (const braxen_Exception& error) {
        reporter.criticalError(fileErrorReport(IDS_WRITE_UNDO_FAILED, error));
    }
    return name;
}

void readUndoDatabase(const std::string& path, std::vector<UndoEntry>& entries) {
    platform::File file(path, platform::File::Mode::Read);
    entries.clear();
    if (!checkStamp(file, 0)) throw braxen_Exception(braxen_Exception::invalidFormat);
    const std::uint32_t version = static_cast<std::uint32_t>(readInt(file));
    if (version != 1 && version != 2) throw braxen_Exception(braxen_Exception::unknownVersion);
    if (readText(file, kHeaderSlot) != kUndoHeaderText) throw braxen_Exception(braxen_Exception::invalidFormat);
    const std::uint32_t count = static_cast<std::uint32_t>(readInt(file));
    const std::size_t slot = slotFor(version);
    requireRemaining(file, std::uint64_t{count} * 3 * slot);
    entries.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        UndoEntry entry;
        entry.folder = readText(file, slot);
        entry.newName = readText(file, slot);
        entry.oldName = readText(file, slot);
        entries.push_back(std::move(entry));
    }
}

bool loadDatabaseProperties(const PluginManager* plugins, const AppPaths& paths, const std::string& name,
                            DatabaseProperties& properties) {
    const std::string path = paths.undoFolder() + name;
    platform::File file;
    try {
        file.open(path, platform::File::Mode::Read);
    } catch (const platform::FileError&) {
        return false;
    }
    if (!checkStamp(file, 0)) return false;
    properties.version = static_cast<std::uint32_t>(readInt(file));
    properties.header = readText(file, kHeaderSlot);
    properties.count = static_cast<std::uint32_t>(readInt(file));
    const std::uint64_t entryBytes = std::uint64_t{properties.count} * 3 * slotFor(properties.version);
    requireRemaining(file, entryBytes);
    file.seek(static_cast<std::int64_t>(entryBytes), platform::File::SeekFrom::Current);
    std::uint32_t count = 0;
    FilterArchive archive(plugins, file, false, count, file.position());
    properties.rules.clear();
    for (std::uint32_t i = 0; i < count; ++i) {
        Rule rule;
        archive.readRule(rule);
        properties.rules.push_back(std::move(rule));
    }
    file.close();
    const auto status = platform::fileStatus(path);
    properties.size = status ? status->size : 0;
    properties.created = status ? status->creationTime : 0;
    return true;
}

}  // namespace core
