// What a rename run will do to each file, worked out in order without touching the disk: the
// command line's preview, and the list a front end shows before a run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/session/find_files.h"
#include "core/session/name_list.h"

namespace core {

enum class PreviewStatus : std::uint8_t { Ok, Unchanged, Invalid, Exists, Duplicate, Missing };

// "ok", "unchanged", "invalid", "exists", "duplicate" or "missing".
const char* statusName(PreviewStatus status);

// The statuses in the order summaries list them.
inline constexpr PreviewStatus kPreviewStatuses[] = {PreviewStatus::Ok,        PreviewStatus::Unchanged,
                                                     PreviewStatus::Invalid,   PreviewStatus::Exists,
                                                     PreviewStatus::Duplicate, PreviewStatus::Missing};

// One file of a preview, as its lines are read.
struct PreviewLine {
    const FileEntry* file;
    std::string_view newName;
    PreviewStatus status;
    std::string_view reason;  // why an invalid name is refused ("reserved device name"), else empty
};

// The status as a reader is shown it: "invalid (ends in a dot or space)", or the status's name.
std::string statusText(const PreviewLine& line);

// The reason an invalid name was refused, by the index of its file. Invalid names are few, so the
// reasons are kept apart from the one status byte every file has.
using InvalidReasons = std::vector<std::pair<std::uint32_t, std::string>>;

// What a run would do to each of its files, in the run's order: a status a file, with the files
// and names it refers to (which must outlive it). One byte a file of its own, so that a preview of
// a million files costs little beyond their names.
class RunPreview {
public:
    RunPreview() = default;
    RunPreview(const FileList& files, const NameList& newNames, std::vector<PreviewStatus> statuses,
               InvalidReasons reasons = {})
        : files_(&files), newNames_(&newNames), statuses_(std::move(statuses)), reasons_(std::move(reasons)) {}

    std::size_t size() const { return statuses_.size(); }
    bool empty() const { return statuses_.empty(); }
    PreviewLine operator[](std::size_t index) const {
        return PreviewLine{&(*files_)[index], (*newNames_)[index], statuses_[index], reason(index)};
    }
    PreviewStatus status(std::size_t index) const { return statuses_[index]; }

    // Folders whose names on disk could not be checked (they could not be listed, or the paths of
    // their files are longer than the system allows): the statuses of their files are not to be
    // trusted, and a run will fail them. A front end must say so, naming them.
    const std::vector<FolderProblem>& uncheckedFolders() const { return unchecked_; }
    void setUncheckedFolders(std::vector<FolderProblem> folders) { unchecked_ = std::move(folders); }

    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = PreviewLine;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = PreviewLine;

        const_iterator(const RunPreview* preview, std::size_t index) : preview_(preview), index_(index) {}
        PreviewLine operator*() const { return (*preview_)[index_]; }
        const_iterator& operator++() {
            ++index_;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return index_ == other.index_; }
        bool operator!=(const const_iterator& other) const { return index_ != other.index_; }

    private:
        const RunPreview* preview_;
        std::size_t index_;
    };
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size()); }

private:
    const FileList* files_ = nullptr;
    const NameList* newNames_ = nullptr;
    std::vector<PreviewStatus> statuses_;
    std::vector<FolderProblem> unchecked_;
    InvalidReasons reasons_;  // in the order of the files

    std::string_view reason(std::size_t index) const;
};

// "3 files: 1 ok, 1 exists, 1 duplicate": how many files, and how many have each status that
// occurs, in the order above.
std::string previewSummary(const RunPreview& preview);

// Calls `each` with the name of every entry (file or folder, hidden or not) of a folder.
using ListingQuery =
    std::function<void(const std::string& folder, const std::function<void(std::string_view name)>& each)>;
// Answers whether the file system holding a folder compares names ignoring letter case.
using CaseQuery = std::function<bool(const std::string& folder)>;

// Plays the run through in order: a file renamed away frees its old name for later files; a name
// taken by an earlier file of the run is a duplicate; a name held by a file that was there before
// is an exists. With `solveOrder` (a one-pass run, which orders its moves), a name held by a file
// that the run itself renames away is ok too, when no other file of the run takes it: the run
// moves the holder first, and a ring of such files (a swap) through a temporary name. Names are compared as the file system holding them compares them, so where case
// is ignored a case-only change is the same file and "B.mp3" meets "b.mp3". What is on disk comes
// from one listing of each folder, not a question per file (which costs a search of the whole
// folder where the system ignores case and the name is not there). The preview refers to `files`
// and `newNames`, which must outlive it.
RunPreview predictRun(const FileList& files, const NameList& newNames, const ListingQuery& listing,
                      const CaseQuery& ignoresCase, bool solveOrder = false);
// A preview of names or files that end with the call would refer to nothing.
RunPreview predictRun(const FileList& files, NameList&& newNames, const ListingQuery& listing,
                      const CaseQuery& ignoresCase, bool solveOrder = false) = delete;
RunPreview predictRun(FileList&& files, const NameList& newNames, const ListingQuery& listing,
                      const CaseQuery& ignoresCase, bool solveOrder = false) = delete;

// The same against the real file system in use.
RunPreview predictRun(const FileList& files, const NameList& newNames, bool solveOrder = false);
RunPreview predictRun(const FileList& files, NameList&& newNames, bool solveOrder = false) = delete;
RunPreview predictRun(FileList&& files, const NameList& newNames, bool solveOrder = false) = delete;

}  // namespace core
