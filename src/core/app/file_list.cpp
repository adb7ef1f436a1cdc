#include "core/app/file_list.h"

#include <algorithm>
#include <chrono>
#include <exception>

#include "core/app/app_context.h"
#include "core/session/album_order.h"
#include "core/session/rename_session.h"

namespace core {
namespace {

// The first files found, in album order among themselves, with the names the filters give them.
// Where a name depends on the file's place in the run (a counter), the place is not known until
// every file is found: such names are left empty until then. The files the user took out of the
// run keep their names.
std::vector<EarlyRow> earlyRows(AppContext& context, const RenameRequest& request, const FileList& found) {
    FileList files(found.begin(),
                   found.begin() + static_cast<std::ptrdiff_t>(std::min(found.size(), FileListSource::kEarlyRows)));
    sortInAlbumOrder(files, request.order);
    const bool placed =
        std::any_of(request.rules.begin(), request.rules.end(), [](const Rule& rule) { return rule.type == Counter; });
    std::vector<EarlyRow> rows;
    rows.reserve(files.size());
    UncheckedFiles unchecked(request.unchecked);
    FolderPath folder;
    for (FileEntry& file : files) {
        std::string name = file.name.str(), newName;
        if (unchecked.contains(file)) {
            newName = name;
        } else if (!placed) {
            try {
                newName = applyRules(&context.plugins(), request.rules, folder.of(file.folderText), name);
            } catch (const std::exception&) {
                newName = name;  // the whole list tells what went wrong
            }
        }
        rows.push_back(EarlyRow{std::move(file), std::move(newName)});
    }
    return rows;
}

}  // namespace

FileListPlan::Row FileListPlan::operator[](std::size_t index) const {
    const std::uint32_t row = rows_[index];
    if (row & kUncheckedRow) {
        const FileEntry& file = uncheckedFiles_[row & ~kUncheckedRow];
        return Row{&file, file.name.view(), PreviewStatus::Unchanged, true};
    }
    const PreviewLine line = (*plan_)[row];
    return Row{line.file, line.newName, line.status, false};
}

std::unique_ptr<FileListPlan> FileListPlan::ofRun(std::unique_ptr<RenameRun> run) {
    auto list = std::make_unique<FileListPlan>();
    list->run_ = std::move(run);
    list->plan_ = &list->run_->preview();
    list->rows_.resize(list->plan_->size());
    for (std::size_t i = 0; i < list->rows_.size(); ++i) list->rows_[i] = static_cast<std::uint32_t>(i);
    return list;
}

std::string FileListPlan::statusText(std::size_t index) const {
    const std::uint32_t row = rows_[index];
    if (row & kUncheckedRow) return "unchecked";
    return core::statusText((*plan_)[row]);
}

bool FileListPlan::checkable(std::size_t index) const {
    const Row row = (*this)[index];
    // The album's other files follow theirs: unchecking that file keeps them where they are too.
    const std::uint32_t line = rows_[index];
    if (!row.unchecked && line >= plan_->ownFiles() && line < plan_->runFiles()) return false;
    return row.unchecked || row.status == PreviewStatus::Ok;
}

std::string FileListPlan::summary() const {
    return previewSummary(*plan_, uncheckedFiles_.size());
}

std::unique_ptr<FileListPlan> FileListSource::make(AppContext& context, const RenameRequest& request,
                                                   Reporter& reporter,
                                                   const std::function<bool(std::size_t found)>& finding,
                                                   const RenameRun::PreviewProgress& naming, bool relist,
                                                   const EarlyRows& early) {
    if (relist || !has_ || request.folder != folder_ || request.patterns != patterns_ || request.recurse != recurse_) {
        has_ = false;
        bool stopped = false, toldEarly = !early;
        const auto started = std::chrono::steady_clock::now();
        FoundFiles found = findRequestFiles(context, request, [&](const FoundFiles& soFar) {
            if (!toldEarly && !soFar.files.empty() && std::chrono::steady_clock::now() - started >= earlyAfter) {
                toldEarly = true;
                early(earlyRows(context, request, soFar.files));
            }
            stopped = finding && !finding(soFar.files.size() + soFar.leftOut.size());
            return !stopped;
        });
        ++listings_;
        if (stopped) return nullptr;
        found_ = std::move(found);
        order_ = request.order;
        folder_ = request.folder;
        patterns_ = request.patterns;
        recurse_ = request.recurse;
        has_ = true;
    }
    if (request.order != order_) {
        // Another order of the same files: no need to list the disk again.
        sortInAlbumOrder(found_.files, request.order);
        order_ = request.order;
    }
    auto list = std::make_unique<FileListPlan>();
    FoundFiles found = found_;
    // The rows keep the order found; the files taken out of the run keep their places among them.
    std::uint32_t line = 0;
    UncheckedFiles unchecked(request.unchecked);
    for (const FileEntry& file : found.files) {
        if (unchecked.contains(file)) {
            list->rows_.push_back(FileListPlan::kUncheckedRow |
                                  static_cast<std::uint32_t>(list->uncheckedFiles_.size()));
            list->uncheckedFiles_.push_back(file);
        } else {
            list->rows_.push_back(line++);
        }
    }
    const std::size_t leftOut = found.leftOut.size();
    list->unlisted_ = found.unlisted;
    RenameRequest preview = request;
    preview.preview = true;
    list->run_ = previewFoundFiles(context, preview, std::move(found), reporter);
    static const RunPlan kNoPlan;
    if (!list->run_) {
        list->plan_ = &kNoPlan;
        list->rows_.clear();
        return list;
    }
    list->plan_ = &list->run_->preview(naming);
    // A preview stopped on the way gives no lines. After the run's own files, the album's other files that go along (a
    // run into folders), then the files left out.
    const std::size_t along = list->plan_->runFiles() - list->plan_->ownFiles();
    if (list->plan_->size() != line + along + leftOut) return nullptr;
    for (std::size_t i = 0; i < along + leftOut; ++i) list->rows_.push_back(line++);
    return list;
}

}  // namespace core
