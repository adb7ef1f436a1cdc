// The plan of a rename run: what it will do to each file and the steps it takes, worked out once
// without touching the disk. The preview shows it, the run carries it out.
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
#include "core/session/folder_targets.h"
#include "core/session/name_list.h"

namespace core {

// LeftOut: a file that matches, which the run leaves alone since it is read-only, hidden or system.
enum class PreviewStatus : std::uint8_t { Ok, Unchanged, Invalid, Exists, Duplicate, Missing, LeftOut };

// "ok", "unchanged", "invalid", "exists", "duplicate", "missing" or "left out".
const char* statusName(PreviewStatus status);

// The statuses in the order summaries list them.
inline constexpr PreviewStatus kPreviewStatuses[] = {
    PreviewStatus::Ok,        PreviewStatus::Unchanged, PreviewStatus::Invalid, PreviewStatus::Exists,
    PreviewStatus::Duplicate, PreviewStatus::Missing,   PreviewStatus::LeftOut};

// One file of a plan, as its lines are read.
struct PreviewLine {
    const FileEntry* file;
    std::string_view newName;
    PreviewStatus status;
    // Why the file keeps its name: why an invalid name is refused ("reserved device name"), who
    // holds the name of an exists or takes that of a duplicate; "shortened" for an ok name cut to
    // fit (RunOptions::shortenNames); empty for the others.
    std::string_view reason;
};

// The status as a reader is shown it: "invalid (ends in a dot or space)", or the status's name.
std::string statusText(const PreviewLine& line);

// The reasons of the files that keep their names, by the index of the file. They are few in most
// runs, so they are kept apart from the one status byte every file has.
using StatusReasons = std::vector<std::pair<std::uint32_t, std::string>>;

// What a run into folders does to folders: those it makes, parents first, before its moves, and
// those it empties and removes, the deepest first, after them; whole paths ending with the
// separator.
struct FolderChanges {
    std::vector<std::string> made;
    std::vector<std::string> removed;
};

// One thing a run does, in the order it does them. Every file of the run has exactly one step
// that ends its part (Keep, Move or FromTemporary); a ring of names also has a ToTemporary hop.
struct PlanStep {
    enum class Kind : std::uint8_t {
        Keep,           // nothing is moved: the file keeps its name, as its status says
        Move,           // from its name to its new name
        ToTemporary,    // aside to a temporary name in its folder: a ring of names begins
        FromTemporary,  // from that temporary name to its new name: the ring is closed
    };
    PlanStep(std::uint32_t file, Kind kind) : bits_(file << 2 | static_cast<std::uint32_t>(kind)) {}
    std::uint32_t file() const { return bits_ >> 2; }
    Kind kind() const { return static_cast<Kind>(bits_ & 3); }

    // Four bytes a step: the file's index and the kind in its two low bits.
    static constexpr std::uint32_t kMostFiles = 1u << 30;

private:
    std::uint32_t bits_;
};

// What a run will do, worked out once from the files, their new names and one look at the disk,
// and shown and carried out as it is: every file with its new name and status, and the ordered
// steps that make it so. Of several files that want one name, the first in the run's order gets
// it and the others are duplicates. A file whose name is held by another file of the run that
// moves away waits for that one (in a one-pass run, which orders its moves; a run going file by
// file only profits from files before it), and files that wait for each other in a ring go round
// through a temporary name. A name held by a file that stays, in the run or not, is an exists.
// One byte a file, a step a file and a few rings: a plan of a million files costs little beyond
// their names, to which it refers (they must outlive it).
class RunPlan {
public:
    static constexpr std::uint32_t kNoFile = 0xFFFFFFFFu;

    RunPlan() = default;
    // `waitsFor`: the files that wait for another, with the file each waits for, by file.
    RunPlan(const FileList& files, const NameList& newNames, std::vector<PreviewStatus> statuses,
            StatusReasons reasons = {}, std::vector<PlanStep> steps = {},
            std::vector<std::pair<std::uint32_t, std::uint32_t>> waitsFor = {})
        : files_(&files),
          newNames_(&newNames),
          statuses_(std::move(statuses)),
          reasons_(std::move(reasons)),
          steps_(std::move(steps)),
          waitsFor_(std::move(waitsFor)) {}

    // The lines: the run's files in its order, then the files it leaves out.
    std::size_t size() const { return statuses_.size() + leftOutCount(); }
    bool empty() const { return size() == 0; }
    PreviewLine operator[](std::size_t index) const;
    PreviewStatus status(std::size_t index) const {
        return index < statuses_.size() ? statuses_[index] : PreviewStatus::LeftOut;
    }
    std::string_view reason(std::size_t index) const;
    // The files of the run, without those left out.
    std::size_t runFiles() const { return statuses_.size(); }

    // The files the run leaves out, shown after its own (they must outlive the plan).
    void setLeftOut(const LeftOutFiles* files) { leftOut_ = files; }
    std::size_t leftOutCount() const { return leftOut_ ? leftOut_->size() : 0; }

    // The steps in the order the run makes them.
    const std::vector<PlanStep>& steps() const { return steps_; }
    // A run into folders: the folders made and removed, around the steps.
    const FolderChanges& folderChanges() const { return folderChanges_; }

    // Of the run's files, those from this one on were added to go with others (the album's other
    // files); the same as runFiles() when there are none.
    std::size_t ownFiles() const { return ownFiles_ == kNoFile ? statuses_.size() : ownFiles_; }
    // A plan of a run into folders: what it does to folders, and how many of its files are its own.
    void setFolders(FolderChanges changes, std::size_t ownFiles) {
        folderChanges_ = std::move(changes);
        ownFiles_ = static_cast<std::uint32_t>(ownFiles);
    }
    // A plan of a run that moves files into folders.
    bool intoFolders() const { return ownFiles_ != kNoFile; }
    // The file whose name file `index` takes, which moves away first; kNoFile when the name is
    // free.
    std::uint32_t waitsFor(std::size_t index) const;

    // Folders whose names on disk could not be checked (they could not be listed, or the paths of
    // their files are longer than the system allows): the statuses of their files are not to be
    // trusted, and a run will fail them. A front end must say so, naming them.
    const std::vector<FolderProblem>& uncheckedFolders() const { return unchecked_; }
    void setUncheckedFolders(std::vector<FolderProblem> folders) { unchecked_ = std::move(folders); }
    // The files (by index, ascending) whose new names were cut to fit: those that are ok say
    // "shortened" as their reason ("ok (shortened)").
    void noteShortened(const std::vector<std::uint32_t>& files) { noteWhy(files, "shortened", false); }
    // Files whose names an ASCII clean-up was asked for and still hold letters of other scripts,
    // renamed or not.
    void noteOtherScripts(const std::vector<std::uint32_t>& files) {
        noteWhy(files, "letters of other scripts kept", true);
    }
    // `why` for each of these files that the plan calls ok (or unchanged, with `unchangedToo`);
    // a file keeps the first reason it is given.
    void noteWhy(const std::vector<std::uint32_t>& files, const char* why, bool unchangedToo);
    // The same with a reason of each file's own, by file ascending: "same disc and track as
    // NAME" for the files an album has twice (AlbumFacts::sameDiscAndTrack).
    void noteWhy(const StatusReasons& reasons, bool unchangedToo);

    class const_iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = PreviewLine;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = PreviewLine;

        const_iterator(const RunPlan* plan, std::size_t index) : plan_(plan), index_(index) {}
        PreviewLine operator*() const { return (*plan_)[index_]; }
        const_iterator& operator++() {
            ++index_;
            return *this;
        }
        bool operator==(const const_iterator& other) const { return index_ == other.index_; }
        bool operator!=(const const_iterator& other) const { return index_ != other.index_; }

    private:
        const RunPlan* plan_;
        std::size_t index_;
    };
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size()); }

private:
    const FileList* files_ = nullptr;
    const NameList* newNames_ = nullptr;
    const LeftOutFiles* leftOut_ = nullptr;
    std::vector<PreviewStatus> statuses_;
    std::vector<FolderProblem> unchecked_;
    StatusReasons reasons_;  // in the order of the files
    std::vector<PlanStep> steps_;
    FolderChanges folderChanges_;
    std::uint32_t ownFiles_ = kNoFile;
    // Few files wait in most runs: only those are kept, in the order of the files.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> waitsFor_;
};

// "3 files: 1 ok, 1 exists, 1 duplicate": how many files, and how many have each status that
// occurs, in the order above; then the files the user unchecked, when there are any ("1 unchecked").
std::string previewSummary(const RunPlan& preview, std::size_t unchecked = 0);

// What a listing gave: every name of the folder, or only those other than the run's own files
// there, which the search that found them has just seen and so are known to be there.
enum class Listed { AllNames, OtherNames };
// Calls `each` with the name of every entry (file or folder, hidden or not) of a folder, or of
// every entry but the run's own files.
using ListingQuery =
    std::function<Listed(const std::string& folder, const std::function<void(std::string_view name)>& each)>;
// Answers whether the file system holding a folder compares names ignoring letter case.
using CaseQuery = std::function<bool(const std::string& folder)>;

// Makes the plan of a run: `solveOrder` for a one-pass run, which orders its moves and solves
// rings; without it, the files go one by one in the run's order. Names are compared as the file
// system holding them compares them, so where case is ignored a case-only change is the same file
// and "B.mp3" meets "b.mp3". A file listed twice (two patterns match it) is renamed at its first
// entry and missing at the next. What is on disk comes from one listing of each folder, not a
// question per file (which costs a search of the whole folder where the system ignores case and
// the name is not there). Nothing on the disk changes, and the same files, names and listing
// always give the same plan. The plan refers to `files` and `newNames`, which must outlive it.
// `targets`: for a run into folders, where each file goes (settleFolderNames); the plan then also
// tells the folders the run makes and removes.
RunPlan planRun(const FileList& files, const NameList& newNames, const ListingQuery& listing,
                const CaseQuery& ignoresCase, bool solveOrder = false, const FolderTargets* targets = nullptr);
// A preview of names or files that end with the call would refer to nothing.
RunPlan planRun(const FileList& files, NameList&& newNames, const ListingQuery& listing, const CaseQuery& ignoresCase,
                bool solveOrder = false, const FolderTargets* targets = nullptr) = delete;
RunPlan planRun(FileList&& files, const NameList& newNames, const ListingQuery& listing, const CaseQuery& ignoresCase,
                bool solveOrder = false, const FolderTargets* targets = nullptr) = delete;

// The same against the real file system in use.
RunPlan planRun(const FileList& files, const NameList& newNames, bool solveOrder = false);
RunPlan planRun(const FileList& files, NameList&& newNames, bool solveOrder = false) = delete;
RunPlan planRun(FileList&& files, const NameList& newNames, bool solveOrder = false) = delete;

}  // namespace core
