// Collecting the files of a run: every file of a folder (and, recursing, of its sub-folders at
// any depth) that matches one of the patterns, read-only, hidden and system files excepted. The
// whole list is built before the first rename, so a renamed file is never found again.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/search.h"

namespace core {

// A folder's path, held once and shared by every file found in that folder: a list of a million
// files holds each folder's path once and a pointer a file (half a shared_ptr).
class SharedFolder {
public:
    SharedFolder() = default;
    explicit SharedFolder(std::string text) : block_(new Block{{1}, std::move(text)}) {}
    SharedFolder(const SharedFolder& other) noexcept : block_(other.block_) {
        if (block_) block_->owners.fetch_add(1, std::memory_order_relaxed);
    }
    SharedFolder(SharedFolder&& other) noexcept : block_(other.block_) { other.block_ = nullptr; }
    SharedFolder& operator=(SharedFolder other) noexcept {
        std::swap(block_, other.block_);
        return *this;
    }
    ~SharedFolder() {
        if (block_ && block_->owners.fetch_sub(1, std::memory_order_acq_rel) == 1) delete block_;
    }

    explicit operator bool() const { return block_ != nullptr; }
    // The text; empty for a default-made one.
    const std::string& text() const { return block_ ? block_->text : empty(); }
    const std::string* get() const { return block_ ? &block_->text : nullptr; }

private:
    struct Block {
        std::atomic<std::size_t> owners;
        std::string text;
    };
    static const std::string& empty();
    Block* block_ = nullptr;
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
    SharedFolder folderText;  // full folder path, ending with the separator

    const std::string& folder() const { return folderText.text(); }
};

// The files of a run in discovery order. A deque: it grows without ever copying what it holds (a
// hundred thousand entries cost their own size, not twice it).
using FileList = std::deque<FileEntry>;

// Flag bits of a search.
inline constexpr std::uint32_t kFindRecurse = 1;     // walk the sub-folders after the files
inline constexpr std::uint32_t kFindFolderScan = 2;  // this search lists sub-folders, not files

// One search of one folder with one pattern.
class ZelSimpleFindFiles {
public:
    // Resets to not started; trims white space from folder and pattern; "*.*" for an empty
    // pattern; a folder ending in ":" (a bare drive) is kept as it is, any other is made absolute
    // and loses a final separator.
    void init(const std::string& folder, const std::string& pattern, std::uint32_t required);
    void setAttributeFilter(std::uint32_t required, std::uint32_t excluded);
    // The next accepted entry; false when there is none left.
    bool findNext();
    bool accepts(const platform::FindData& entry) const;
    void close();

    const std::string& currentName() const { return current_.name; }
    std::uint32_t currentAttributes() const { return current_.attributes; }
    std::string currentPath() const;
    // The folder that holds the current entry.
    const std::string& currentFolder() const { return folder_; }

    std::uint32_t flags = 0;
    std::uint32_t required() const { return required_; }
    std::uint32_t excluded() const { return excluded_; }
    const std::string& folder() const { return folder_; }
    const std::string& pattern() const { return pattern_; }

private:
    std::uint32_t required_ = 0;
    std::uint32_t excluded_ = 0;
    platform::FindHandle search_;
    bool started_ = false;
    bool exhausted_ = false;
    std::string folder_;
    std::string pattern_;
    platform::FindData current_{};
};

// Walks several patterns and a folder tree, depth first, one search handle per level.
class ZelFindFiles {
public:
    // Splits `patterns` at every ";" (an empty piece counts, except a last one) and stacks one
    // search per pattern so that the first pattern is walked first.
    void init(const std::string& folder, const std::string& patterns, std::uint32_t required, std::uint32_t flags);
    void setAttributeFilter(std::uint32_t required, std::uint32_t excluded);
    // Folders the walk never enters (the program's own data), known by identity whatever path
    // leads to them.
    void excludeFolders(std::vector<platform::FileId> folders) { excluded_ = std::move(folders); }
    bool findNext();
    const std::string& currentName() const { return stack_.back()->currentName(); }
    const std::string& currentFolder() const { return stack_.back()->currentFolder(); }

private:
    bool entersFolder(const ZelSimpleFindFiles& scan) const;

    std::vector<std::unique_ptr<ZelSimpleFindFiles>> stack_;
    std::vector<platform::FileId> excluded_;
};

// The pieces of a pattern text, split at ";" as the pattern box means them.
std::vector<std::string> splitPatterns(const std::string& patterns);

// Appends every file of the run to `list`, in discovery order. A recursive walk does not follow
// links to folders, and never lists the files of `ownFolders` (the program's data folders) nor
// enters them.
void findFiles(FileList& list, bool recurse, const std::string& folder, const std::string& patterns,
               const std::vector<std::string>& ownFolders = {});

}  // namespace core
