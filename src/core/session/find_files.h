// Collecting the files of a run: every file of a folder (and, recursing, of its sub-folders at
// any depth) that matches one of the patterns, read-only, hidden and system files excepted. The
// whole list is built before the first rename, so a renamed file is never found again.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/search.h"

namespace core {

// A found folder, shared by every file found in it: a list of a million files holds each folder
// once and a pointer a file. A folder is held as its parent and the part of the path it adds (its
// name and a separator), so a tree of any depth costs memory by its folders and not by the
// lengths of their paths; the whole path is made when it is asked for. A folder and its chain of
// parents never change once made, and the counts that keep them are atomic: the threads of a run
// share them freely.
class SharedFolder {
public:
    SharedFolder() = default;
    // A folder given by its whole path, ending with the separator.
    // `id`: the folder's identity when its files were found, which a run checks before it moves
    // anything there.
    explicit SharedFolder(std::string text, std::optional<platform::FileId> id = std::nullopt);
    // The folder `part` inside `parent`: its path is the parent's followed by `part` (the
    // folder's name and the separator).
    SharedFolder(const SharedFolder& parent, std::string part, std::optional<platform::FileId> id = std::nullopt);
    SharedFolder(const SharedFolder& other) noexcept : node_(other.node_) {
        if (node_) node_->owners.fetch_add(1, std::memory_order_relaxed);
    }
    SharedFolder(SharedFolder&& other) noexcept : node_(other.node_) { other.node_ = nullptr; }
    SharedFolder& operator=(SharedFolder other) noexcept {
        std::swap(node_, other.node_);
        return *this;
    }
    ~SharedFolder() { release(node_); }

    explicit operator bool() const { return node_ != nullptr; }
    // The whole path; empty for a default-made one.
    std::string text() const;
    // Puts the whole path in `out` (its room is kept from one folder to the next).
    void assignTo(std::string& out) const;
    // The length of the whole path, without making it.
    std::size_t size() const { return node_ ? node_->length : 0; }
    std::optional<platform::FileId> id() const { return node_ ? node_->id : std::nullopt; }
    // Which folder this is: the same for every copy, and only for copies (two folders found
    // apart have two, even where their paths are the same).
    const void* node() const { return node_; }
    // The same path: the same folder, or another one with an equal path.
    bool sameText(const SharedFolder& other) const;
    // The folder it was made in (none for one given by its whole path), and what it adds to it.
    SharedFolder parent() const;
    std::string_view part() const { return node_ ? std::string_view(node_->part) : std::string_view(); }

private:
    friend class FolderPath;
    struct Node {
        std::atomic<std::size_t> owners;
        Node* parent;        // holds one owner of it; null for a folder given by its whole path
        std::size_t depth;   // the folders above it
        std::size_t length;  // of the whole path
        std::optional<platform::FileId> id;
        std::string part;  // what it adds to its parent's path
    };
    // Drops one owner; a folder that loses its last takes its parents with it, one after the
    // other (never by recursion: a chain may be thousands of folders long).
    static void release(Node* node) noexcept;
    Node* node_ = nullptr;
};

// The path of the folder of the files taken one after another, made again only when the folder
// changes, and then only below the folder the two share: the files of a folder come together,
// and a walk goes from a folder to the next one down or next to it, so a loop over them costs a
// few parts a folder, however deep, and holds one path at a time.
class FolderPath {
public:
    const std::string& of(const SharedFolder& folder) {
        if (!built_ || folder.node() != folder_.node()) build(folder);
        return text_;
    }

private:
    void build(const SharedFolder& folder);
    SharedFolder folder_;  // held, so that no folder of its chain can give its place in memory to another
    std::vector<const SharedFolder::Node*> chain_;  // folder_ and the folders above it, by depth
    std::vector<const SharedFolder::Node*> below_;  // the folders the next one adds, its room kept
    std::string text_;
    bool built_ = false;
};

// A found file's name: its text with a zero after it, in a heap block of its own, and eight bytes
// in the entry (a std::string takes 32 there beside the same block). No file name holds a zero
// byte, so the text's length needs no room of its own.
class FileName {
public:
    FileName() = default;
    FileName(std::string_view text);
    FileName(const std::string& text) : FileName(std::string_view(text)) {}
    FileName(const char* text) : FileName(std::string_view(text)) {}
    FileName(const FileName& other) : FileName(other.view()) {}
    FileName(FileName&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
    FileName& operator=(FileName other) noexcept {
        std::swap(text_, other.text_);
        return *this;
    }
    ~FileName() { delete[] text_; }

    std::string_view view() const { return text_ ? std::string_view(text_) : std::string_view(); }
    std::string str() const { return std::string(view()); }
    std::size_t size() const { return view().size(); }
    bool empty() const { return !text_; }

    friend bool operator==(const FileName& name, std::string_view text) { return name.view() == text; }
    friend bool operator==(std::string_view text, const FileName& name) { return name.view() == text; }
    friend bool operator!=(const FileName& name, std::string_view text) { return name.view() != text; }
    friend bool operator!=(std::string_view text, const FileName& name) { return name.view() != text; }

private:
    char* text_ = nullptr;  // null for the empty name
};

// One found file.
struct FileEntry {
    FileName name;            // the name within its folder, extension included
    SharedFolder folderText;  // its folder, whose whole path ends with the separator
    // The file's identity as the search found it, which a run records and checks just before the
    // move; all zero where the platform's listing does not tell it.
    platform::FileId id{};

    // The folder's whole path, made for the call: a loop over many files takes a FolderPath.
    std::string folder() const { return folderText.text(); }
};

// The files of a run in discovery order. A deque: it grows without ever copying what it holds (a
// hundred thousand entries cost their own size, not twice it).
using FileList = std::deque<FileEntry>;

// A folder that a walk could not list or enter, and why.
struct FolderProblem {
    std::string folder;  // its full path, without a final separator
    std::string reason;  // the system's words
};

// What a folder held beside the files found in it, as the search that found them saw it: the
// plan of a run needs every name of the folder, and the search has just listed them all.
struct FolderNames {
    SharedFolder folder;  // the folder, as its files have it
    std::string names;    // each name followed by a zero byte

    template <typename Each>
    void forEachName(Each&& each) const {
        for (std::size_t at = 0; at < names.size();) {
            const std::size_t end = names.find('\0', at);
            each(std::string_view(names).substr(at, end - at));
            at = end + 1;
        }
    }
};
using FolderListings = std::vector<FolderNames>;

// The walk over a folder (and, recursing, its sub-folders at any depth) for several patterns, one
// after the other: for each pattern, the matching files of a folder in the platform's order, then
// its sub-folders, depth first. A sub-folder is opened through its parent (platform::FolderHandle),
// so depth alone never hides a folder; a folder that cannot be opened or listed is kept in
// problems() and the walk goes on.
class ZelFindFiles {
public:
    // Splits `patterns` at every ";" (an empty piece counts, except a last one; a piece is matched
    // as typed, spaces included, and an empty one is "*.*"). The folder is trimmed; one ending in ":" (a bare drive) is
    // kept as it is, any other is made absolute and loses a final separator.
    void init(const std::string& folder, const std::string& patterns, bool recurse);
    // Which files are listed: those with every `required` attribute and none of `excluded`.
    void setAttributeFilter(std::uint32_t required, std::uint32_t excluded);
    // Folders the walk never enters nor lists (the program's own data), known by identity whatever
    // path leads to them.
    void excludeFolders(std::vector<platform::FileId> folders) { excluded_ = std::move(folders); }
    // The next file; false when the walk is over.
    bool findNext();
    const std::string& currentName() const { return current_.name; }
    std::uint32_t currentAttributes() const { return current_.attributes; }
    const platform::FileId& currentId() const { return current_.id; }
    // The folder that holds the current file, without a final separator (except a root's).
    const std::string& currentFolder() const { return path_; }
    // The same folder as its files hold it: one for all the files the walk finds in it.
    const SharedFolder& currentFolderText() const { return levels_.back().folderText; }
    // Its identity, as the walk opened it.
    std::optional<platform::FileId> currentFolderId() const {
        return levels_.empty() ? std::nullopt : levels_.back().id;
    }
    // The folders that could not be listed or entered so far, each once, in the order met.
    const std::vector<FolderProblem>& problems() const { return problems_; }
    // Keeps, for the folders whose files the first pattern found, every other name they held.
    void keepListings() { keepListings_ = true; }
    // The current file is not one of the run's: its name counts among the folder's others.
    void passOverCurrent();
    FolderListings takeListings() { return std::move(listings_); }

    // At most this many folders of the walk are held open at once; a deeper walk opens the
    // folders above again when it comes back to them.
    static constexpr std::size_t kOpenFolders = 64;

private:
    // One folder of the walk, from the start folder down to the one being listed.
    struct Level {
        platform::FolderHandle folder;
        std::optional<platform::FileId> id;  // to know the folder when it is opened again
        std::size_t pathLength = 0;          // its path is path_'s first pathLength characters
        SharedFolder folderText;             // the folder, with its separator, for its files
        platform::FindHandle search;         // its files, then its sub-folders
        bool started = false;
        bool scanningFolders = false;
    };
    bool startPattern();
    bool acceptsFile(const platform::FindData& entry) const;
    bool entersFolder(const platform::FindData& entry) const;
    void enter(const std::string& name);
    void leave();
    void report(const std::string& folder, const std::string& reason);
    bool isExcluded(const std::optional<platform::FileId>& id) const;

    std::string root_;
    std::vector<std::string> patterns_;
    std::size_t nextPattern_ = 0;
    bool recurse_ = false;
    std::uint32_t required_ = 0;
    std::uint32_t excludedAttributes_ = 0;
    std::vector<platform::FileId> excluded_;
    std::vector<Level> levels_;
    std::string path_;
    platform::FindData current_{};
    std::vector<FolderProblem> problems_;
    bool keepListings_ = false;
    bool listingFiles_ = false;  // the folder being listed gave a file: its other names are kept
    std::string others_;         // of the folder being listed
    FolderListings listings_;
};

// One line a folder, as summaries and message boxes show them: "- \"FOLDER\" (the folder could not
// be listed: REASON)" and \r\n, the folder's name shown by platform::displayName.
std::string folderProblemLines(const std::vector<FolderProblem>& folders);

// The pieces of a pattern text, split at ";" as the pattern box means them.
std::vector<std::string> splitPatterns(const std::string& patterns);

// The files that match but that a run leaves alone, because they are read-only, hidden or system
// files, in discovery order: the preview lists them, with why, and every count counts them.
struct LeftOutFiles {
    FileList files;
    std::vector<std::uint32_t> attributes;  // of each file, the platform's
    std::size_t size() const { return files.size(); }
};
// Why a file with these attributes is left out: "read-only", "hidden", "system", or several of
// them ("read-only, hidden").
std::string leftOutReason(std::uint32_t attributes);

// Appends every file of the run to `list`, in discovery order; read-only, hidden and system files
// are left out, and appended to `leftOut` when given. A recursive walk does not follow links to folders, and never
// lists the files of `ownFolders` (the program's data folders) nor enters them. Gives back the folders that could not
// be listed or entered (their files are missing from the list), each once: a front end must say
// so, naming them.
// `keepGoing`, when given, is asked every few hundred files found; false stops the search there.
std::vector<FolderProblem> findFiles(FileList& list, bool recurse, const std::string& folder,
                                     const std::string& patterns, const std::vector<std::string>& ownFolders = {},
                                     LeftOutFiles* leftOut = nullptr, FolderListings* listings = nullptr,
                                     const std::function<bool()>& keepGoing = {});

}  // namespace core
