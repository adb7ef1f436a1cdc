#include "core/session/run_preview.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <stdexcept>
#include <unordered_map>

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
    }
    return "?";
}

std::string statusText(const PreviewLine& line) {
    std::string text = statusName(line.status);
    if (!line.reason.empty()) text.append(" (").append(line.reason).append(")");
    return text;
}

std::string_view RunPreview::reason(std::size_t index) const {
    if (statuses_[index] != PreviewStatus::Invalid) return {};
    const auto at = std::lower_bound(reasons_.begin(), reasons_.end(), index,
                                     [](const auto& entry, std::size_t i) { return entry.first < i; });
    return at != reasons_.end() && at->first == index ? std::string_view(at->second) : std::string_view();
}

std::string previewSummary(const RunPreview& preview) {
    std::size_t counts[std::size(kPreviewStatuses)] = {};
    for (std::size_t i = 0; i < preview.size(); ++i) ++counts[static_cast<std::size_t>(preview.status(i))];
    std::string text = std::to_string(preview.size()) + (preview.size() == 1 ? " file" : " files");
    const char* separator = ": ";
    for (PreviewStatus status : kPreviewStatuses) {
        const std::size_t count = counts[static_cast<std::size_t>(status)];
        if (count == 0) continue;
        text += separator + std::to_string(count) + " " + statusName(status);
        separator = ", ";
    }
    return text;
}

namespace {

// Every name the run plays with, once each as the file system compares names: the old name of file
// i is name 2i, its new name 2i + 1. Equal names (in one folder, letter case folded where the file
// system ignores it) share one number, the first of them, so the play-through works on numbers
// and a few bits per number. The table holds four bytes a slot (three slots a file) and no string
// of its own: a run of a million files costs a few dozen bytes a file here, and only while the
// run is played through.
class NameNumbers {
public:
    NameNumbers(const FileList& files, const NameList& newNames, const CaseQuery& ignoresCase)
        : files_(files), newNames_(newNames), folderOf_(files.size()), numberOf_(2 * files.size()) {
        std::unordered_map<std::string, std::uint32_t> byText, byKey;
        const std::string* lastText = nullptr;
        std::uint32_t last = 0;
        for (std::size_t i = 0; i < files.size(); ++i) {
            const std::string& text = files[i].folder();
            if (&text != lastText) {
                lastText = &text;
                const auto known = byText.find(text);
                if (known != byText.end()) {
                    last = known->second;
                } else {
                    // One number per folder as the file system compares folders.
                    const bool fold = ignoresCase(text);
                    const std::string key = (fold ? "i" : "e") + (fold ? platform::foldedText(text) : text);
                    const auto [at, fresh] = byKey.emplace(key, static_cast<std::uint32_t>(folders_.size()));
                    if (fresh) folders_.push_back(Folder{text, fold});
                    last = at->second;
                    byText.emplace(text, last);
                }
            }
            folderOf_[i] = last;
        }
        // Two names a file, at most two thirds of the slots taken: probes stay short.
        slots_.assign(3 * files.size() + 16, 0);
        for (std::uint32_t name = 0; name < numberOf_.size(); ++name) numberOf_[name] = find(name, true);
    }

    std::uint32_t number(std::size_t name) const { return numberOf_[name]; }
    std::size_t folderCount() const { return folders_.size(); }
    const std::string& folderText(std::uint32_t folder) const { return folders_[folder].text; }
    // The number of `name` in `folder`, or kNone when the run has no such name.
    std::uint32_t lookUp(std::uint32_t folder, std::string_view name) {
        std::string_view key = name;
        if (folders_[folder].fold) key = folded(name, probe_);
        return lookUpKey(folder, key, nullptr);
    }

    static constexpr std::uint32_t kNone = 0xFFFFFFFFu;

private:
    struct Folder {
        std::string text;
        bool fold;
    };

    std::uint32_t folderOfName(std::uint32_t name) const { return folderOf_[name / 2]; }
    std::string_view text(std::uint32_t name) const {
        return name % 2 ? newNames_[name / 2] : files_[name / 2].name.view();
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
    static std::size_t hash(std::uint32_t folder, std::string_view key) {
        std::uint64_t h = 1469598103934665603ull ^ folder;  // FNV-1a
        for (const char c : key) h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        return static_cast<std::size_t>(h ^ (h >> 29));
    }
    // The number of the name equal to `key` in `folder`; when there is none, `name` becomes it
    // when given, else kNone.
    std::uint32_t lookUpKey(std::uint32_t folder, std::string_view key, const std::uint32_t* name) {
        const std::size_t count = slots_.size();
        for (std::size_t at = hash(folder, key) % count;; at = at + 1 == count ? 0 : at + 1) {
            const std::uint32_t held = slots_[at];
            if (held == 0) {
                if (!name) return kNone;
                slots_[at] = *name + 1;
                return *name;
            }
            if (folderOfName(held - 1) == folder && this->key(held - 1, held_) == key) return held - 1;
        }
    }
    std::uint32_t find(std::uint32_t name, bool insert) {
        return lookUpKey(folderOfName(name), key(name, probe_), insert ? &name : nullptr);
    }

    const FileList& files_;
    const NameList& newNames_;
    std::vector<Folder> folders_;
    std::vector<std::uint32_t> folderOf_;  // by file
    std::vector<std::uint32_t> numberOf_;  // by name
    std::vector<std::uint32_t> slots_;     // a name + 1, or 0 for a free slot
    std::string probe_, held_;             // folded texts, where case is ignored
};

}  // namespace

RunPreview predictRun(const FileList& files, const NameList& newNames, const ListingQuery& listing,
                      const CaseQuery& ignoresCase, bool solveOrder) {
    if (newNames.size() != files.size()) throw std::invalid_argument("a preview needs one new name per file");
    NameNumbers numbers(files, newNames, ignoresCase);
    enum : std::uint8_t { Freed = 1, TakenByRun = 2, OnDisk = 4 };
    std::vector<std::uint8_t> state(2 * files.size(), 0);
    // What is on disk now, one listing per folder; a name the run never meets does not matter.
    for (std::uint32_t folder = 0; folder < numbers.folderCount(); ++folder) {
        listing(numbers.folderText(folder), [&](std::string_view name) {
            const std::uint32_t number = numbers.lookUp(folder, name);
            if (number != NameNumbers::kNone) state[number] |= OnDisk;
        });
    }
    std::vector<PreviewStatus> statuses;
    statuses.reserve(files.size());
    InvalidReasons reasons;
    NewNameCheck checkName;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const FileEntry& file = files[i];
        const std::string_view newName = newNames[i];
        const std::uint32_t oldKey = numbers.number(2 * i), newKey = numbers.number(2 * i + 1);
        PreviewStatus status;
        if ((state[oldKey] & Freed) && !(state[oldKey] & TakenByRun)) {
            status = PreviewStatus::Missing;
        } else if (newName == file.name) {
            status = PreviewStatus::Unchanged;
        } else if (auto reason = checkName(file.folder(), newName)) {
            status = PreviewStatus::Invalid;
            reasons.emplace_back(static_cast<std::uint32_t>(i), std::move(*reason));
        } else if (newKey == oldKey) {
            status = PreviewStatus::Ok;  // only the letter case changes: the same file
        } else if (state[newKey] & TakenByRun) {
            status = PreviewStatus::Duplicate;
        } else if (!(state[newKey] & Freed) && (state[newKey] & OnDisk)) {
            status = PreviewStatus::Exists;
        } else {
            status = PreviewStatus::Ok;
        }
        if (status == PreviewStatus::Ok) {
            state[oldKey] = static_cast<std::uint8_t>((state[oldKey] & ~TakenByRun) | Freed);
            state[newKey] = static_cast<std::uint8_t>((state[newKey] & ~Freed) | TakenByRun);
        }
        statuses.push_back(status);
    }
    if (solveOrder) {
        // A file whose name is held by another file of the run waits until that one has moved: ok
        // when the holder moves (or waits in turn for one that does, or is in a ring of them).
        // One file a name: a name another file of the run takes stays that file's, and of those
        // that wait for the same holder the first gets it, as the run gives it.
        constexpr std::uint32_t kNobody = 0xFFFFFFFFu;
        std::vector<std::uint32_t> oldOwner(2 * files.size(), kNobody);
        for (std::size_t i = files.size(); i-- > 0;) oldOwner[numbers.number(2 * i)] = static_cast<std::uint32_t>(i);
        const auto moves = [&](std::size_t i) {
            return statuses[i] == PreviewStatus::Ok && numbers.number(2 * i) != numbers.number(2 * i + 1);
        };
        std::vector<std::uint32_t> waitsFor(files.size(), kNobody);
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (statuses[i] != PreviewStatus::Exists) continue;
            const std::uint32_t newKey = numbers.number(2 * i + 1);
            const std::uint32_t holder = oldOwner[newKey];
            if (holder == kNobody || holder == i || (state[newKey] & TakenByRun)) continue;
            state[newKey] |= TakenByRun;  // claimed: a later file wanting it stays as it was
            waitsFor[i] = holder;
        }
        enum : std::uint8_t { Unknown, Visiting, Solved, Stuck };
        std::vector<std::uint8_t> verdict(files.size(), Unknown);
        std::vector<std::uint32_t> path;
        for (std::size_t start = 0; start < files.size(); ++start) {
            if (waitsFor[start] == kNobody || verdict[start] != Unknown) continue;
            path.clear();
            std::uint32_t at = static_cast<std::uint32_t>(start);
            std::uint8_t end = Stuck;
            for (;;) {
                if (verdict[at] == Visiting) {
                    end = Solved;  // a ring: broken through a temporary name
                    break;
                }
                if (verdict[at] == Solved || verdict[at] == Stuck) {
                    end = verdict[at];
                    break;
                }
                if (waitsFor[at] == kNobody) {
                    end = moves(at) ? Solved : Stuck;
                    break;
                }
                verdict[at] = Visiting;
                path.push_back(at);
                at = waitsFor[at];
            }
            for (const std::uint32_t i : path) {
                verdict[i] = end;
                if (end == Solved) statuses[i] = PreviewStatus::Ok;
            }
        }
    }
    return RunPreview(files, newNames, std::move(statuses), std::move(reasons));
}

RunPreview predictRun(const FileList& files, const NameList& newNames, bool solveOrder) {
    return predictRun(
        files, newNames, [](const std::string& folder, const auto& each) { platform::listNames(folder, each); },
        [](const std::string& folder) { return platform::namesIgnoreCase(folder); }, solveOrder);
}

}  // namespace core
