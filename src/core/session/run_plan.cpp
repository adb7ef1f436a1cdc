#include "core/session/run_plan.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <map>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "core/rules/name_check.h"
#include "platform/case_fold.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"

namespace core {

const char* statusName(PreviewStatus status) {
    switch (status) {
        case PreviewStatus::Ok:
            return "ok";
        case PreviewStatus::Unchanged:
            return "unchanged";
        case PreviewStatus::Invalid:
            return "invalid";
        case PreviewStatus::Exists:
            return "exists";
        case PreviewStatus::Duplicate:
            return "duplicate";
        case PreviewStatus::Missing:
            return "missing";
        case PreviewStatus::LeftOut:
            return "left out";
    }
    return "?";
}

std::string statusText(const PreviewLine& line) {
    std::string text = statusName(line.status);
    if (!line.reason.empty()) text.append(" (").append(line.reason).append(")");
    return text;
}

namespace {

// Why a file is left out, for each of the eight mixes of the three attributes, made once.
std::string_view leftOutText(std::uint32_t attributes) {
    static const std::vector<std::string> texts = [] {
        std::vector<std::string> all;
        for (std::uint32_t mix = 0; mix < 8; ++mix) all.push_back(leftOutReason(mix));
        return all;
    }();
    return texts[attributes & 7];
}

}  // namespace

PreviewLine RunPlan::operator[](std::size_t index) const {
    if (index < statuses_.size()) {
        return PreviewLine{&(*files_)[index], (*newNames_)[index], statuses_[index], reason(index)};
    }
    const FileEntry& file = leftOut_->files[index - statuses_.size()];
    return PreviewLine{&file, file.name.view(), PreviewStatus::LeftOut, reason(index)};
}

std::uint32_t RunPlan::waitsFor(std::size_t index) const {
    const auto at = std::lower_bound(waitsFor_.begin(), waitsFor_.end(), index,
                                     [](const auto& entry, std::size_t i) { return entry.first < i; });
    return at != waitsFor_.end() && at->first == index ? at->second : kNoFile;
}

void RunPlan::noteWhy(const std::vector<std::uint32_t>& files, const char* why, bool unchangedToo) {
    StatusReasons reasons;
    reasons.reserve(files.size());
    for (const std::uint32_t index : files) reasons.emplace_back(index, why);
    noteWhy(reasons, unchangedToo);
}

void RunPlan::noteWhy(const StatusReasons& reasons, bool unchangedToo) {
    // Looked up among the reasons there before: a file keeps the first reason it was given.
    StatusReasons added;
    for (const auto& [index, why] : reasons) {
        if (index >= statuses_.size() || !reason(index).empty()) continue;
        const PreviewStatus status = statuses_[index];
        if (status != PreviewStatus::Ok && !(unchangedToo && status == PreviewStatus::Unchanged)) continue;
        added.emplace_back(index, why);
    }
    if (added.empty()) return;
    reasons_.insert(reasons_.end(), std::make_move_iterator(added.begin()), std::make_move_iterator(added.end()));
    std::sort(reasons_.begin(), reasons_.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
}

std::string_view RunPlan::reason(std::size_t index) const {
    if (index >= statuses_.size()) return leftOutText(leftOut_->attributes[index - statuses_.size()]);
    if (reasons_.empty()) return {};
    const auto at = std::lower_bound(reasons_.begin(), reasons_.end(), index,
                                     [](const auto& entry, std::size_t i) { return entry.first < i; });
    return at != reasons_.end() && at->first == index ? std::string_view(at->second) : std::string_view();
}

std::string previewSummary(const RunPlan& preview, std::size_t unchecked) {
    std::size_t counts[std::size(kPreviewStatuses)] = {};
    for (std::size_t i = 0; i < preview.size(); ++i) ++counts[static_cast<std::size_t>(preview.status(i))];
    const std::size_t files = preview.size() + unchecked;
    std::string text = std::to_string(files) + (files == 1 ? " file" : " files");
    const char* separator = ": ";
    for (PreviewStatus status : kPreviewStatuses) {
        const std::size_t count = counts[static_cast<std::size_t>(status)];
        if (count == 0) continue;
        text += separator + std::to_string(count) + " " + statusName(status);
        separator = ", ";
    }
    if (unchecked > 0) text += separator + std::to_string(unchecked) + " unchecked";
    // A run into folders counts the album's other files and the folders apart.
    const std::size_t along = preview.runFiles() - preview.ownFiles();
    if (along > 0) text += "; " + std::to_string(along) + (along == 1 ? " of them a companion" : " of them companions");
    const FolderChanges& folders = preview.folderChanges();
    std::string changes;
    if (!folders.made.empty())
        changes +=
            std::to_string(folders.made.size()) + (folders.made.size() == 1 ? " folder" : " folders") + " to make";
    if (!folders.removed.empty()) {
        changes += (changes.empty() ? "" : ", ") + std::to_string(folders.removed.size()) +
                   (folders.removed.size() == 1 ? " emptied folder" : " emptied folders") + " to remove";
    }
    if (!changes.empty()) text += "; " + changes;
    return text;
}

namespace {

// Every name the run plays with, once each as the file system compares names: the old name of file
// i is name 2i, its new name 2i + 1. Equal names (in one folder, letter case folded where the file
// system ignores it) share one number, the first of them, so the play-through works on numbers
// and a few bits per number. The table holds eight bytes a slot (three slots a file) and no string
// of its own: a run of a million files costs a few dozen bytes a file here, and only while the
// run is played through.
class NameNumbers {
public:
    NameNumbers(const FileList& files, const NameList& newNames, const CaseQuery& ignoresCase,
                const FolderTargets* targets)
        : files_(files), newNames_(newNames), folderOf_(files.size()), numberOf_(2 * files.size()) {
        // A folder is met again by its node (its files come together, and a second pattern finds
        // them again in a folder of its own), and known as the file system compares folders by a
        // hash of its path: no folder's path is kept, only made, one at a time.
        std::unordered_map<const void*, std::uint32_t> byNode;
        std::unordered_multimap<std::size_t, std::uint32_t> byKey;
        FolderPath path;
        std::string key, otherText, otherKey;
        const auto numberOf = [&](const SharedFolder& folder, bool there, bool foldAsRoot) {
            if (const auto known = byNode.find(folder.node()); known != byNode.end()) return known->second;
            // One number per folder as the file system compares folders.
            const std::string& text = path.of(folder);
            const bool fold = foldAsRoot ? rootFolds_ : ignoresCase(text);
            keyOf(text, fold, key);
            const std::size_t h = std::hash<std::string_view>()(key);
            const auto [from, to] = byKey.equal_range(h);
            const auto same = std::find_if(from, to, [&](const auto& held) {
                const Folder& other = folders_[held.second];
                // Folding may change a path's length; an exact path is the same length.
                if (other.fold != fold || (!fold && other.folder.size() != folder.size())) return false;
                other.folder.assignTo(otherText);
                keyOf(otherText, fold, otherKey);
                return otherKey == key;
            });
            std::uint32_t number;
            if (same != to) {
                number = same->second;
                folders_[number].there = folders_[number].there || there;
            } else {
                number = static_cast<std::uint32_t>(folders_.size());
                folders_.push_back(Folder{folder, fold, there});
                byKey.emplace(h, number);
            }
            byNode.emplace(folder.node(), number);
            return number;
        };
        const void* lastNode = nullptr;
        std::uint32_t last = 0;
        for (std::size_t i = 0; i < files.size(); ++i) {
            const SharedFolder& folder = files[i].folderText;
            if (i == 0 || folder.node() != lastNode) {
                lastNode = folder.node();
                last = numberOf(folder, true, false);
            }
            folderOf_[i] = last;
        }
        if (targets && !targets->empty()) {
            // The folders files move into: one that is not there yet compares names as the
            // folder it is made in does, which is at last the root.
            rootFolds_ = ignoresCase(targets->folders[0].folder.text());
            newFolderOf_.assign(files.size(), kNone);
            for (std::size_t i = 0; i < files.size(); ++i) {
                const std::uint32_t into = targets->targetOf(i);
                if (into == kNoTarget) continue;
                const TargetFolder& target = targets->folders[into];
                newFolderOf_[i] = numberOf(target.folder, target.exists, !target.exists);
            }
        }
        // Two names a file, at most two thirds of the slots taken: probes stay short.
        slots_.assign(3 * files.size() + 16, Slot{0, 0});
        numberAll();
    }

    std::uint32_t number(std::size_t name) const { return numberOf_[name]; }
    std::uint32_t folderOf(std::size_t file) const { return folderOf_[file]; }
    // The folder the file's new name is in: its own, or the one it moves into.
    std::uint32_t newFolderOf(std::size_t file) const {
        return newFolderOf_.empty() || newFolderOf_[file] == kNone ? folderOf_[file] : newFolderOf_[file];
    }
    std::size_t folderCount() const { return folders_.size(); }
    // A folder a file moves into that is not there yet: nothing to list.
    bool there(std::uint32_t folder) const { return folders_[folder].there; }
    const SharedFolder& folder(std::uint32_t folder) const { return folders_[folder].folder; }
    // The number of `name` in `folder`, or kNone when the run has no such name.
    std::uint32_t lookUp(std::uint32_t folder, std::string_view name) {
        std::string_view key = name;
        if (folders_[folder].fold) key = folded(name, probe_);
        return lookUpKey(folder, key, nullptr);
    }

    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

private:
    struct Folder {
        SharedFolder folder;  // the first met of those with its path
        bool fold;
        bool there;  // on the disk
    };

    // What a folder is known by: its path, its letters folded where the file system ignores
    // their case.
    static void keyOf(const std::string& text, bool fold, std::string& key) {
        key.assign(fold ? "i" : "e");
        if (fold) {
            platform::appendFolded(key, text);
        } else {
            key += text;
        }
    }

    std::uint32_t folderOfName(std::uint32_t name) const {
        return name % 2 ? newFolderOf(name / 2) : folderOf_[name / 2];
    }
    std::string_view text(std::uint32_t name) const {
        if (name % 2 == 0) return files_[name / 2].name.view();
        const std::string_view newName = newNames_[name / 2];
        return newFolderOf_.empty() || newFolderOf_[name / 2] == kNone ? newName : leafName(newName);
    }
    static std::string_view folded(std::string_view name, std::string& scratch) {
        scratch.clear();
        platform::appendFolded(scratch, name);
        return scratch;
    }
    std::string_view key(std::uint32_t name, std::string& scratch) const {
        const std::string_view raw = text(name);
        return folders_[folderOfName(name)].fold ? folded(raw, scratch) : raw;
    }
    // Eight bytes of the name a step, each taken as one number and mixed in by a multiplication:
    // a byte a step made the hashing most of the table's cost. The value is the machine's own (it
    // depends on its byte order) and never leaves the run.
    static std::size_t hash(std::uint32_t folder, std::string_view key) {
        constexpr std::uint64_t kMix = 0x9E3779B97F4A7C15ull;
        std::uint64_t h = (folder + 1) * kMix ^ key.size();
        const char* p = key.data();
        std::size_t n = key.size();
        for (; n >= 8; n -= 8, p += 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            h = (h ^ word) * kMix;
            h ^= h >> 32;
        }
        std::uint64_t tail = 0;
        std::memcpy(&tail, p, n);
        h = (h ^ tail) * kMix;
        // The bits mixed through, so that the slot (the remainder) and the check (the high half)
        // both depend on every byte.
        h ^= h >> 33;
        h *= 0xFF51AFD7ED558CCDull;
        h ^= h >> 33;
        return static_cast<std::size_t>(h);
    }
    // The number of the name equal to `key` in `folder`; when there is none, `name` becomes it
    // when given, else kNone.
    // A slot keeps a part of its name's hash beside it, so that a probe passes other names without
    // reading them: their texts lie all over memory.
    std::uint32_t lookUpKey(std::uint32_t folder, std::string_view key, const std::uint32_t* name) {
        return lookUpKey(folder, key, name, hash(folder, key));
    }
    std::uint32_t lookUpKey(std::uint32_t folder, std::string_view key, const std::uint32_t* name, std::size_t h) {
        const std::size_t count = slots_.size();
        const auto check = static_cast<std::uint32_t>(static_cast<std::uint64_t>(h) >> 32);
        for (std::size_t at = h % count;; at = at + 1 == count ? 0 : at + 1) {
            const Slot held = slots_[at];
            if (held.name == 0) {
                if (!name) return kNone;
                slots_[at] = Slot{*name + 1, check};
                return *name;
            }
            if (held.check == check && folderOfName(held.name - 1) == folder && this->key(held.name - 1, held_) == key)
                return held.name - 1;
        }
    }
    // Numbers every name, in order. The slot a name's hash points to may lie anywhere in the
    // table: the slots of the next few names are asked of memory while one is numbered.
    void numberAll() {
        constexpr std::uint32_t kAhead = 8;
        std::array<std::string, kAhead> scratch;  // their folded texts, where case is ignored
        std::array<std::string_view, kAhead> keys;
        std::array<std::uint32_t, kAhead> folders;
        std::array<std::size_t, kAhead> hashes;
        const auto total = static_cast<std::uint32_t>(numberOf_.size());
        for (std::uint32_t first = 0; first < total; first += kAhead) {
            const std::uint32_t count = std::min(kAhead, total - first);
            for (std::uint32_t k = 0; k < count; ++k) {
                folders[k] = folderOfName(first + k);
                keys[k] = key(first + k, scratch[k]);
                hashes[k] = hash(folders[k], keys[k]);
                __builtin_prefetch(&slots_[hashes[k] % slots_.size()]);
            }
            for (std::uint32_t k = 0; k < count; ++k) {
                const std::uint32_t name = first + k;
                numberOf_[name] = lookUpKey(folders[k], keys[k], &name, hashes[k]);
            }
        }
    }

    const FileList& files_;
    const NameList& newNames_;
    std::vector<Folder> folders_;
    std::vector<std::uint32_t> folderOf_;     // by file
    std::vector<std::uint32_t> newFolderOf_;  // by file, in a run that moves into folders: kNone for its own
    bool rootFolds_ = false;
    std::vector<std::uint32_t> numberOf_;  // by name
    struct Slot {
        std::uint32_t name;   // a name + 1, or 0 for a free slot
        std::uint32_t check;  // the high half of its hash
    };
    std::vector<Slot> slots_;
    std::string probe_, held_;  // folded texts, where case is ignored
};

}  // namespace

namespace {

// The folders a run into folders makes (those its moving files need that are not there yet) and
// those it leaves empty: a folder every entry of which the run moves away, then its parent when
// that holds nothing else, up to the folder the user chose. A folder a file moves into, or one
// above such a folder, is never removed, and one that could not be listed is left alone.
FolderChanges changedFolders(const FileList& files, const FolderTargets& targets, const NameNumbers& numbers,
                             const std::vector<PreviewStatus>& statuses, const std::vector<std::size_t>& entries,
                             const std::vector<bool>& listed, const ListingQuery& listing) {
    FolderChanges changes;
    const std::size_t count = files.size();
    std::vector<bool> needed(targets.folders.size(), false);
    std::vector<std::size_t> leaving(numbers.folderCount(), 0);
    // Paths as the file system compares them, of every folder a file moves into and those above.
    std::unordered_set<std::string> receiving;
    std::string key;
    const auto keyOf = [&](const std::string& path) -> const std::string& {
        key.clear();
        platform::appendFolded(key, path);
        return key;
    };
    for (std::size_t i = 0; i < count; ++i) {
        if (statuses[i] != PreviewStatus::Ok) continue;
        const std::uint32_t into = targets.targetOf(i);
        if (into == kNoTarget || numbers.newFolderOf(i) == numbers.folderOf(i)) continue;
        ++leaving[numbers.folderOf(i)];
        for (std::uint32_t at = into; at != kNoTarget && !needed[at]; at = targets.folders[at].parent)
            needed[at] = true;
    }
    for (std::uint32_t at = 0; at < targets.folders.size(); ++at) {
        if (!needed[at]) continue;
        const std::string path = targets.folders[at].folder.text();
        if (!targets.folders[at].exists) changes.made.push_back(path);
        for (std::string up = path; !up.empty() && receiving.insert(keyOf(up)).second;) up = splitFolderPath(up).parent;
    }
    // The folders to look at, the deepest first; a parent joins when a folder below it empties.
    struct Candidate {
        std::string path;
        std::size_t entries = 0, leaving = 0;
        bool known = false;
    };
    std::map<std::pair<std::size_t, std::string>, Candidate, std::greater<>> candidates;
    for (std::uint32_t folder = 0; folder < numbers.folderCount(); ++folder) {
        if (leaving[folder] == 0 || !listed[folder]) continue;
        std::string path = numbers.folder(folder).text();
        const std::size_t length = path.size();
        std::string folded = keyOf(path);
        candidates.emplace(std::make_pair(length, std::move(folded)),
                           Candidate{std::move(path), entries[folder], leaving[folder], true});
    }
    const std::string inside = keyOf(targets.boundary);
    for (auto at = candidates.begin(); at != candidates.end(); ++at) {
        Candidate& folder = at->second;
        const std::string& folded = at->first.second;
        if (!folder.known || folder.leaving < folder.entries) continue;
        if (folded.size() <= inside.size() || folded.compare(0, inside.size(), inside) != 0) continue;
        if (receiving.count(folded)) continue;
        changes.removed.push_back(folder.path);
        const std::string parent = splitFolderPath(folder.path).parent;
        if (parent.empty()) continue;
        auto [up, added] = candidates.emplace(std::make_pair(parent.size(), keyOf(parent)), Candidate{parent});
        if (added) {
            // Not a folder of the run's files: its entries are counted now.
            bool any = false;
            listing(parent, [&](std::string_view) {
                any = true;
                ++up->second.entries;
            });
            up->second.known = any;
        }
        ++up->second.leaving;
    }
    return changes;
}

}  // namespace

RunPlan planRun(const FileList& files, const NameList& newNames, const ListingQuery& listing,
                const CaseQuery& ignoresCase, bool solveOrder, const FolderTargets* targets) {
    if (newNames.size() != files.size()) throw std::invalid_argument("a plan needs one new name per file");
    if (files.size() >= PlanStep::kMostFiles) throw std::length_error("too many files for one run");
    constexpr std::uint32_t kNone = RunPlan::kNoFile;
    const std::size_t count = files.size();
    if (targets && !targets->empty() && targets->into.size() != count)
        throw std::invalid_argument("a plan into folders needs one target per file");
    const bool intoFolders = targets && !targets->empty();
    NameNumbers numbers(files, newNames, ignoresCase, intoFolders ? targets : nullptr);
    // What is on disk now, one listing per folder; a name the run never meets does not matter.
    // A folder that lists nothing could not be looked at (the files were found in it): its files
    // are taken to be there.
    std::vector<bool> onDisk(2 * count, false), listed(numbers.folderCount(), false),
        othersOnly(numbers.folderCount(), false);
    // How many entries each folder has, for a run into folders: a folder it empties is removed.
    std::vector<std::size_t> entries(intoFolders ? numbers.folderCount() : 0, 0);
    FolderPath listedFolder;
    for (std::uint32_t folder = 0; folder < numbers.folderCount(); ++folder) {
        if (!numbers.there(folder)) continue;  // made by the run: nothing in it yet
        const Listed given = listing(listedFolder.of(numbers.folder(folder)), [&](std::string_view name) {
            listed[folder] = true;
            if (intoFolders) ++entries[folder];
            const std::uint32_t number = numbers.lookUp(folder, name);
            if (number != NameNumbers::kNone) onDisk[number] = true;
        });
        if (given == Listed::OtherNames) listed[folder] = othersOnly[folder] = true;
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (othersOnly[numbers.folderOf(i)]) onDisk[numbers.number(2 * i)] = true;
    }
    // Why a file's folders cannot be made, by file.
    std::size_t nextRefused = 0;
    const auto refusedFolder = [&](std::size_t i) -> const std::string* {
        if (!intoFolders) return nullptr;
        const auto& refused = targets->refused;
        while (nextRefused < refused.size() && refused[nextRefused].first < i) ++nextRefused;
        return nextRefused < refused.size() && refused[nextRefused].first == i ? &refused[nextRefused].second : nullptr;
    };
    const auto oldKey = [&](std::size_t i) { return numbers.number(2 * i); };
    const auto newKey = [&](std::size_t i) { return numbers.number(2 * i + 1); };

    // First what each file wants on its own: the first entry of a name owns it, and of the files
    // that want one name the first claims it.
    std::vector<PreviewStatus> statuses(count, PreviewStatus::Ok);
    std::vector<bool> pending(count, false);  // claims a name: ok or exists, as its holder goes
    std::vector<std::uint32_t> owner(2 * count, kNone), claimant(2 * count, kNone);
    StatusReasons reasons;
    NewNameCheck checkName;
    FolderPath folderOfFile, targetPath;
    for (std::size_t i = 0; i < count; ++i) {
        const FileEntry& file = files[i];
        const std::uint32_t into = intoFolders ? targets->targetOf(i) : kNoTarget;
        // A file moving into a folder is named there by the last part of its new name.
        const std::string_view newName = into == kNoTarget ? newNames[i] : leafName(newNames[i]);
        const bool sameFolder = numbers.newFolderOf(i) == numbers.folderOf(i);
        const auto index = static_cast<std::uint32_t>(i);
        PreviewStatus& status = statuses[i];
        if (owner[oldKey(i)] != kNone) {
            // Listed again: whatever its first entry makes of it, this one finds nothing to move.
            status = newName == file.name ? PreviewStatus::Unchanged : PreviewStatus::Missing;
            if (status == PreviewStatus::Missing)
                reasons.emplace_back(index, "listed twice: renamed at its first entry");
            continue;
        }
        if (!onDisk[oldKey(i)] && listed[numbers.folderOf(i)]) {
            status = PreviewStatus::Missing;
            reasons.emplace_back(index, "no longer there");
            continue;
        }
        owner[oldKey(i)] = index;
        // The album's other files that go along are among the other names already.
        if (intoFolders && othersOnly[numbers.folderOf(i)] && i < targets->ownFiles) ++entries[numbers.folderOf(i)];
        const std::string& newFolder =
            into == kNoTarget ? folderOfFile.of(file.folderText) : targetPath.of(targets->folders[into].folder);
        if (newName == file.name && sameFolder) {
            status = PreviewStatus::Unchanged;
        } else if (const std::string* refused = refusedFolder(i)) {
            status = PreviewStatus::Invalid;
            reasons.emplace_back(index, *refused);
        } else if (auto reason = checkName(newFolder, newName)) {
            status = PreviewStatus::Invalid;
            reasons.emplace_back(index, std::move(*reason));
        } else if (into != kNoTarget && platform::pathTooLong(newFolder, newName)) {
            status = PreviewStatus::Invalid;
            reasons.emplace_back(index, "the path is longer than the system allows");
        } else if (newKey(i) == oldKey(i)) {
            status = PreviewStatus::Ok;  // only the letter case changes: the same file, the same name
        } else if (const std::uint32_t first = claimant[newKey(i)]; first != kNone) {
            status = PreviewStatus::Duplicate;
            reasons.emplace_back(index, platform::quotedName(files[first].name.view()) + " takes that name first");
        } else {
            claimant[newKey(i)] = index;
            pending[i] = true;
        }
    }
    // Then whether the name each claims is free when its move comes: free now, or held by a file
    // of the run that moves away first (one-pass runs: any such file, rings too; file by file:
    // only a file before it). Each claim waits for at most one holder and each holder has at most
    // one claimant, so the waits form chains and rings.
    std::vector<std::uint32_t> waitsFor(count, kNone);
    const auto moves = [&](std::size_t i) { return statuses[i] == PreviewStatus::Ok && newKey(i) != oldKey(i); };
    const auto held = [&](std::size_t i, std::string reason) {
        statuses[i] = PreviewStatus::Exists;
        reasons.emplace_back(static_cast<std::uint32_t>(i), std::move(reason));
        pending[i] = false;
    };
    for (std::size_t i = 0; i < count; ++i) {
        if (!pending[i]) continue;
        const std::uint32_t holder = owner[newKey(i)];
        if (holder == kNone) {
            if (onDisk[newKey(i)]) {
                held(i, "another file has that name");
            } else {
                pending[i] = false;
            }
        } else {
            waitsFor[i] = holder;
            if (!solveOrder) {
                // Its holder's verdict is known: the files before it are settled.
                if (holder > i) {
                    held(i, platform::quotedName(files[holder].name.view()) + " still has that name at its turn");
                } else if (!moves(holder)) {
                    held(i, platform::quotedName(files[holder].name.view()) + " keeps that name");
                } else {
                    pending[i] = false;
                }
            }
        }
    }
    if (solveOrder) {
        // Follows each chain of waits to its end: a holder that moves frees the whole chain, one that
        // stays holds it all, and a chain that comes back to where it began is a ring, which goes
        // round through a temporary name.
        enum : std::uint8_t { Unknown, Visiting, Solved, Stuck };
        std::vector<std::uint8_t> verdict(count, Unknown);
        std::vector<std::uint32_t> path;
        for (std::size_t start = 0; start < count; ++start) {
            if (!pending[start] || verdict[start] != Unknown) continue;
            path.clear();
            std::uint32_t at = static_cast<std::uint32_t>(start);
            std::uint8_t end = Stuck;
            for (;;) {
                if (verdict[at] == Visiting) {
                    end = Solved;
                    break;
                }
                if (verdict[at] != Unknown) {
                    end = verdict[at];
                    break;
                }
                if (!pending[at]) {
                    end = moves(at) ? Solved : Stuck;
                    break;
                }
                verdict[at] = Visiting;
                path.push_back(at);
                at = waitsFor[at];
            }
            for (const std::uint32_t i : path) {
                verdict[i] = end;
                pending[i] = false;
            }
            if (end == Stuck) {
                for (const std::uint32_t i : path)
                    held(i, platform::quotedName(files[waitsFor[i]].name.view()) + " keeps that name");
            }
        }
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (statuses[i] != PreviewStatus::Ok) waitsFor[i] = kNone;
    }
    std::sort(reasons.begin(), reasons.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    FolderChanges folderChanges;
    if (intoFolders) folderChanges = changedFolders(files, *targets, numbers, statuses, entries, listed, listing);

    // The steps: file by file, each in its turn; in one pass, a file after the chain of files it
    // waits for, from its far end, and a ring from its first file, which steps aside first.
    std::vector<PlanStep> steps;
    steps.reserve(count);
    if (!solveOrder) {
        for (std::size_t i = 0; i < count; ++i) {
            const bool renamed = statuses[i] == PreviewStatus::Ok;
            steps.push_back(
                PlanStep{static_cast<std::uint32_t>(i), renamed ? PlanStep::Kind::Move : PlanStep::Kind::Keep});
        }
        RunPlan plan(files, newNames, std::move(statuses), std::move(reasons), std::move(steps));
        if (intoFolders) plan.setFolders(std::move(folderChanges), targets->ownFiles);
        return plan;
    }
    std::vector<bool> placed(count, false), onPath(count, false);
    std::vector<std::uint32_t> path;
    for (std::size_t start = 0; start < count; ++start) {
        if (placed[start]) continue;
        if (statuses[start] != PreviewStatus::Ok) {
            steps.push_back(PlanStep{static_cast<std::uint32_t>(start), PlanStep::Kind::Keep});
            placed[start] = true;
            continue;
        }
        path.clear();
        std::uint32_t at = static_cast<std::uint32_t>(start);
        while (at != kNone && !placed[at] && !onPath[at]) {
            onPath[at] = true;
            path.push_back(at);
            at = waitsFor[at];
        }
        std::size_t ringStart = path.size();
        if (at != kNone && onPath[at])
            ringStart = static_cast<std::size_t>(std::find(path.begin(), path.end(), at) - path.begin());
        if (ringStart < path.size()) {
            steps.push_back(PlanStep{path[ringStart], PlanStep::Kind::ToTemporary});
            for (std::size_t k = path.size(); k-- > ringStart + 1;)
                steps.push_back(PlanStep{path[k], PlanStep::Kind::Move});
            steps.push_back(PlanStep{path[ringStart], PlanStep::Kind::FromTemporary});
        } else {
            ringStart = path.size();
        }
        for (std::size_t k = ringStart; k-- > 0;) steps.push_back(PlanStep{path[k], PlanStep::Kind::Move});
        for (const std::uint32_t i : path) {
            placed[i] = true;
            onPath[i] = false;
        }
    }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> waits;
    for (std::size_t i = 0; i < count; ++i) {
        if (waitsFor[i] != kNone) waits.emplace_back(static_cast<std::uint32_t>(i), waitsFor[i]);
    }
    RunPlan plan(files, newNames, std::move(statuses), std::move(reasons), std::move(steps), std::move(waits));
    if (intoFolders) plan.setFolders(std::move(folderChanges), targets->ownFiles);
    return plan;
}

RunPlan planRun(const FileList& files, const NameList& newNames, bool solveOrder) {
    return planRun(
        files, newNames,
        [](const std::string& folder, const auto& each) {
            platform::listNames(folder, each);
            return Listed::AllNames;
        },
        [](const std::string& folder) { return platform::namesIgnoreCase(folder); }, solveOrder);
}

}  // namespace core
