#include "core/session/folder_targets.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "core/base/text.h"
#include "core/rules/name_check.h"
#include "platform/case_fold.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/search.h"
#include "platform/wildcard.h"

namespace core {

bool movesIntoFolders(const RuleList& rules) {
    return std::any_of(rules.begin(), rules.end(),
                       [](const Rule& rule) { return rule.type == ID3 && (rule.option & Id3Folders); });
}

std::string_view leafName(std::string_view name) {
    const std::size_t at = name.find_last_of("/\\");
    return at == std::string_view::npos ? name : name.substr(at + 1);
}

FolderParts splitFolderPath(const std::string& folder) {
    const std::size_t at = folder.size() < 2 ? std::string::npos : folder.find_last_of("/\\", folder.size() - 2);
    if (at == std::string::npos) return FolderParts{std::string(), folder};
    return FolderParts{folder.substr(0, at + 1), folder.substr(at + 1, folder.size() - at - 2)};
}

namespace {

// The names in `text` separated by ";", as the pattern box takes them, spaces around them dropped.
std::vector<std::string> listOf(const std::string& text) {
    std::vector<std::string> items;
    for (const std::string& piece : splitPatterns(text)) {
        std::string item = trimWhiteSpace(piece);
        if (!item.empty()) items.push_back(std::move(item));
    }
    return items;
}

}  // namespace

FolderTargets settleFolderNames(const FileList& files, NameList& names, const std::string& root,
                                const std::string& boundary) {
    FolderTargets targets;
    targets.boundary = boundary;
    targets.ownFiles = files.size();
    targets.into.assign(files.size(), kNoTarget);
    targets.follows.assign(files.size(), kNoTarget);
    targets.folders.push_back(TargetFolder{SharedFolder(root), kNoTarget, platform::isFolder(root)});
    // A folder is met again by its parent and its name as letter case folded, whatever the file
    // system: "ABBA" and "Abba" from two files' tags are one artist.
    std::unordered_map<std::string, std::uint32_t> children;
    // The names of a folder that is there, listed once, by their folded text.
    std::unordered_map<std::uint32_t, std::unordered_map<std::string, std::string>> onDisk;
    NameList settled;
    settled.reserve(names.size());
    std::vector<std::string_view> parts;
    std::string key, path;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string_view name = names[i];
        if (name.find_first_of("/\\") == std::string_view::npos) {
            settled.push_back(name);
            continue;
        }
        parts.clear();
        for (std::size_t start = 0; start <= name.size();) {
            std::size_t end = name.find_first_of("/\\", start);
            if (end == std::string_view::npos) end = name.size();
            if (end > start) parts.push_back(name.substr(start, end - start));
            start = end + 1;
        }
        // A name of nothing but separators names no file: the name check refuses it as it is.
        if (parts.empty() || !(name.back() != '/' && name.back() != '\\')) {
            settled.push_back(name);
            continue;
        }
        std::uint32_t at = 0;
        std::string refused;
        path.clear();
        for (std::size_t p = 0; p + 1 < parts.size(); ++p) {
            const std::string_view part = parts[p];
            if (auto why = checkNameText(part)) {
                refused = "the folder name " + platform::quotedName(part) + " is not valid: " + *why;
                break;
            }
            key = std::to_string(at);
            key += '/';
            platform::appendFolded(key, part);
            const auto known = children.find(key);
            if (known != children.end()) {
                at = known->second;
            } else {
                std::string spelling(part);
                bool exists = false;
                const TargetFolder& parent = targets.folders[at];
                if (parent.exists) {
                    auto listed = onDisk.find(at);
                    if (listed == onDisk.end()) {
                        listed = onDisk.emplace(at, std::unordered_map<std::string, std::string>()).first;
                        auto& byKey = listed->second;
                        platform::listNames(parent.folder.text(), [&](std::string_view entry) {
                            byKey.emplace(platform::foldedText(entry), std::string(entry));
                        });
                    }
                    const auto same = listed->second.find(key.substr(key.find('/') + 1));
                    if (same != listed->second.end()) {
                        spelling = same->second;
                        exists = platform::isFolder(parent.folder.text() + spelling);
                        if (!exists) {
                            refused = "a file has the name of the folder " + platform::quotedName(spelling);
                            break;
                        }
                    }
                }
                targets.folders.push_back(TargetFolder{
                    SharedFolder(targets.folders[at].folder, spelling + platform::kPathSeparator), at, exists});
                at = static_cast<std::uint32_t>(targets.folders.size() - 1);
                children.emplace(key, at);
            }
            path += targets.folders[at].folder.part();
        }
        if (!refused.empty()) {
            targets.refused.emplace_back(static_cast<std::uint32_t>(i), std::move(refused));
            settled.push_back(name);
            continue;
        }
        targets.into[i] = at;
        path += parts.back();
        settled.push_back(path);
    }
    names = std::move(settled);
    return targets;
}

void addCompanions(FileList& files, NameList& names, FolderTargets& targets, const CompanionRules& rules,
                   const std::function<void(const SharedFolder& folder,
                                            const std::function<void(std::string_view name)>& each)>& otherNames) {
    std::unordered_set<std::string> extensions;  // folded, as names are compared
    for (const std::string& extension : listOf(rules.extensions)) extensions.insert(platform::foldedText(extension));
    std::vector<platform::WildcardPattern> folderFiles;
    for (const std::string& pattern : listOf(rules.folderFiles)) folderFiles.emplace_back(pattern);
    const auto isCompanionExtension = [&](std::string_view extension) {
        return extensions.count(platform::foldedText(extension)) > 0;
    };
    const auto stemOf = [](std::string_view name) {
        const std::size_t dot = name.rfind('.');
        return dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
    };
    const auto extensionOf = [](std::string_view name) {
        const std::size_t dot = name.rfind('.');
        return dot == std::string_view::npos || dot == 0 ? std::string_view() : name.substr(dot);
    };
    const std::size_t own = files.size();
    std::vector<std::pair<FileEntry, std::pair<std::string, std::uint32_t>>> added;  // entry, name, target
    std::vector<std::uint32_t> addedFollows;
    // The run's files come by folder, each folder's together.
    for (std::size_t first = 0; first < own;) {
        std::size_t end = first + 1;
        while (end < own && files[end].folderText.node() == files[first].folderText.node()) ++end;
        // The files of this folder that move out, by their name before the extension.
        std::unordered_map<std::string, std::uint32_t> moving;
        std::unordered_set<std::string> ownNames;
        std::uint32_t onlyTarget = kNoTarget;
        bool oneTarget = true, anyMoving = false;
        for (std::size_t i = first; i < end; ++i) {
            ownNames.insert(platform::foldedText(files[i].name.view()));
            const std::uint32_t into = targets.targetOf(i);
            if (into == kNoTarget || targets.folders[into].folder.sameText(files[i].folderText)) {
                oneTarget = false;  // a file that stays keeps the album's files here
                continue;
            }
            anyMoving = true;
            moving.emplace(platform::foldedText(stemOf(files[i].name.view())), static_cast<std::uint32_t>(i));
            if (onlyTarget == kNoTarget) {
                onlyTarget = into;
            } else if (onlyTarget != into) {
                oneTarget = false;
            }
        }
        if (anyMoving) {
            const SharedFolder& folder = files[first].folderText;
            otherNames(folder, [&](std::string_view name) {
                if (ownNames.count(platform::foldedText(name))) return;
                const std::string_view extension = extensionOf(name);
                if (!extension.empty() && isCompanionExtension(extension.substr(1))) {
                    const auto leader = moving.find(platform::foldedText(stemOf(name)));
                    if (leader != moving.end()) {
                        const std::uint32_t i = leader->second;
                        const std::string_view leaderName = names[i];
                        std::string newName(leaderName.substr(0, leaderName.size() - extensionOf(leaderName).size()));
                        newName += extension;
                        added.push_back({FileEntry{FileName(name), folder, {}}, {newName, targets.into[i]}});
                        addedFollows.push_back(i);
                        return;
                    }
                }
                const bool folderFile =
                    std::any_of(folderFiles.begin(), folderFiles.end(),
                                [&](const platform::WildcardPattern& w) { return w.matches(name); });
                if (!folderFile) return;
                if (oneTarget) {
                    // Its path under the root, as the album's files have theirs.
                    const std::string_view leaderName = names[moving.begin()->second];
                    std::string newName(leaderName.substr(0, leaderName.size() - leafName(leaderName).size()));
                    newName += name;
                    added.push_back({FileEntry{FileName(name), folder, {}}, {newName, onlyTarget}});
                } else {
                    // Kept, and shown so: the album's files go to several folders, or some stay.
                    targets.staying.push_back(static_cast<std::uint32_t>(own + added.size()));
                    added.push_back({FileEntry{FileName(name), folder, {}}, {std::string(name), kNoTarget}});
                }
                addedFollows.push_back(kNoTarget);
            });
        }
        first = end;
    }
    for (std::size_t k = 0; k < added.size(); ++k) {
        files.push_back(std::move(added[k].first));
        names.push_back(added[k].second.first);
        targets.into.push_back(added[k].second.second);
        targets.follows.push_back(addedFollows[k]);
    }
}

}  // namespace core
