#include "ui/session/preview_dialog.h"

#include <algorithm>

#include "core/app/rename_job.h"
#include "core/base/strings.h"
#include "core/rules/text_rules.h"
#include "core/session/find_files.h"
#include "platform/win32/wide.h"
#include "ui/app/resource.h"
#include "ui/controls/messages.h"
#include "ui/session/session_dialogs.h"

namespace ui {
namespace {

using platform::win32::narrow;
using platform::win32::widen;

// Posted by the run service when the worker has handed the dialog something, its end included.
constexpr UINT kPreviewServiceMessage = WM_APP + 14;
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressIntervalMs = 100;

enum Column { FolderColumn, OldNameColumn, NewNameColumn, StatusColumn, ColumnCount };

// Widths in dialog units, so the columns follow the font.
// The status says why a file keeps its name: it takes the room a long folder would.
constexpr int kColumnWidths[ColumnCount] = {110, 100, 100, 105};
constexpr const wchar_t* kColumnTitles[ColumnCount] = {L"Folder", L"Old name", L"New name", L"Status"};

}  // namespace

// --- QueuedReporter ---------------------------------------------------------------------------

PreviewDialog::QueuedReporter::QueuedReporter() : owner_(std::this_thread::get_id()) {}

void PreviewDialog::QueuedReporter::criticalError(const std::string& text) {
    if (std::this_thread::get_id() == owner_) return showCriticalError(text);
    std::lock_guard<std::mutex> lock(mutex_);
    waiting_.push_back(text);
}

void PreviewDialog::QueuedReporter::showWaiting() {
    std::vector<std::string> waiting;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting.swap(waiting_);
    }
    if (waiting.empty()) return;
    // A filter that fails on every file would otherwise ask for a hundred thousand clicks.
    std::string text = waiting.front();
    if (waiting.size() > 1) text += "\r\n\r\n(" + std::to_string(waiting.size() - 1) + " more like it)";
    showCriticalError(text);
}

// --- PreviewDialog ----------------------------------------------------------------------------

PreviewDialog::PreviewDialog(HWND parent, PreviewRequest request)
    : UI_dialog(IDD_PREVIEW, parent),
      request_(std::move(request)),
      service_([this] { PostMessageW(hwnd(), kPreviewServiceMessage, 0, 0); }) {
    onCommand(IDC_PREVIEW_RENAME, [this] { rename(); });
    onUpdate(IDC_PREVIEW_RENAME, [this] { return ready_ && okCount_ > 0; });
}

PreviewDialog::~PreviewDialog() {
    stopWork();
}

void PreviewDialog::stopWork() {
    service_.cancel();
    service_.wait();
}

void PreviewDialog::onInitDialog() {
    addColumns();  // before the layout, which stretches the last one
    using L = AnchorLayout;
    // Down to two thirds of the size it opens at.
    layout.capture(hwnd(),
                   {{IDC_PREVIEW_PROGRESS, L::GrowRight},
                    {IDC_PREVIEW_LIST, L::Grow},
                    {IDC_PREVIEW_EMPTY, L::Grow},
                    {IDC_PREVIEW_COUNTS, L::MoveDown | L::GrowRight},
                    {IDC_PREVIEW_RENAME, L::MoveCorner},
                    {IDCANCEL, L::MoveCorner}},
                   66);
    // A message longer than its line shows whole while the pointer rests on it.
    addTooltips({{IDC_PREVIEW_PROGRESS, nullptr}, {IDC_PREVIEW_COUNTS, nullptr}});
    setText(IDC_PREVIEW_PROGRESS, "Finding files...");
    initialFocus = item(IDC_PREVIEW_LIST);

    SetTimer(hwnd(), kProgressTimer, kProgressIntervalMs, nullptr);
    service_.start(
        [this] {
            work();
            ready_ = true;
        },
        [this] { showList(); });
}

void PreviewDialog::addColumns() {
    HWND list = item(IDC_PREVIEW_LIST);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_LABELTIP);
    for (int column = 0; column < ColumnCount; ++column) {
        RECT width{0, 0, kColumnWidths[column], 0};
        MapDialogRect(hwnd(), &width);
        LVCOLUMNW header{};
        header.mask = LVCF_TEXT | LVCF_WIDTH;
        header.cx = width.right;
        header.pszText = const_cast<wchar_t*>(kColumnTitles[column]);
        ListView_InsertColumn(list, column, &header);
    }
}

void PreviewDialog::work() {
    try {
        core::PreparedRename prepared =
            core::prepareRename(*request_.context,
                                core::RenameRequest{request_.folder, request_.pattern, request_.recurse, request_.rules,
                                                    request_.undo, request_.confirm, true},
                                reporter_);
        unlisted_ = std::move(prepared.unlisted);
        if (service_.cancelled() || !prepared.run) return;
        std::unique_ptr<core::RenameRun> run = std::move(prepared.run);
        lines_ = run->preview([this](std::size_t done, std::size_t steps) {
            done_ = done;
            steps_ = steps;
            return !service_.cancelled();
        });
        run_ = std::move(run);
    } catch (const std::exception& error) {
        error_ = error.what();
    }
}

void PreviewDialog::showProgress() {
    // A failure's message box runs a message loop of its own, which goes on delivering the timer
    // and the end of the job: one box at a time, and no progress line over a finished list.
    if (showingProgress_) return;
    showingProgress_ = true;
    reporter_.showWaiting();
    showingProgress_ = false;
    if (ready_) return;
    const std::size_t steps = steps_, done = std::min<std::size_t>(done_, steps), files = steps / 2;
    if (steps == 0) return;  // still finding files
    const std::string text = done < files ? "Working out new names: file " + std::to_string(done + 1)
                                          : "Checking new names on disk: file " + std::to_string(done - files + 1);
    setText(IDC_PREVIEW_PROGRESS, text + " of " + std::to_string(files) + "...");
}

void PreviewDialog::showList() {
    KillTimer(hwnd(), kProgressTimer);
    reporter_.showWaiting();
    if (!error_.empty()) {
        setText(IDC_PREVIEW_PROGRESS, "The preview failed.");
        showError(error_);
        return;
    }
    // Folders not listed, or whose names could not be checked, are named before the list is used.
    std::string problems;
    if (!unlisted_.empty()) problems += "These folders could not be listed:\r\n" + core::folderProblemLines(unlisted_);
    if (!lines_.uncheckedFolders().empty()) {
        problems +=
            "The names in these folders could not be checked, so the statuses of their files are not "
            "certain:\r\n" +
            core::folderProblemLines(lines_.uncheckedFolders());
    }
    if (!problems.empty()) showError(problems);
    if (lines_.empty()) {
        // The message is longer than a line: it takes the empty list's place, where it shows whole.
        setText(IDC_PREVIEW_PROGRESS, "");
        setText(IDC_PREVIEW_EMPTY, core::loadString(core::IDS_NO_FILES_FOUND));
        ShowWindow(item(IDC_PREVIEW_LIST), SW_HIDE);
        ShowWindow(item(IDC_PREVIEW_EMPTY), SW_SHOW);
        SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(IDCANCEL)), TRUE);
        return;
    }
    order_.resize(lines_.size());
    for (std::size_t i = 0; i < order_.size(); ++i) order_[i] = static_cast<std::uint32_t>(i);
    okCount_ = 0;
    for (std::size_t i = 0; i < lines_.size(); ++i) okCount_ += lines_.status(i) == core::PreviewStatus::Ok;
    setText(IDC_PREVIEW_PROGRESS, "Nothing has been renamed yet: Rename gives these files their new names.");
    setText(IDC_PREVIEW_COUNTS, core::previewSummary(lines_));
    HWND list = item(IDC_PREVIEW_LIST);
    ListView_SetItemCountEx(list, static_cast<int>(lines_.size()), 0);
    ListView_SetItemState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
    updateControls();
}

void PreviewDialog::rename() {
    if (!ready_ || !run_) return;
    // The run gives the names shown: the preview planned them.
    showRun(hwnd(), *run_, request_.confirm);
    endDialog(IDOK);
}

void PreviewDialog::onCancel() {
    stopWork();
    endDialog(IDCANCEL);
}

std::string_view PreviewDialog::cellText(std::size_t row, int column) const {
    const core::PreviewLine line = lines_[row];
    switch (column) {
        case FolderColumn:
            return line.file->folder();
        case OldNameColumn:
            return line.file->name.view();
        case NewNameColumn:
            return line.newName;
        default:
            statusText_ = core::statusText(line);
            return statusText_;
    }
}

void PreviewDialog::sortBy(int column) {
    descending_ = column == sortColumn_ ? !descending_ : false;
    sortColumn_ = column;
    // Texts compare ignoring case, as the folder lists them; the status by its order of severity.
    // Equal keys keep the run's order. The keys are one block of text, not a string a row.
    core::NameList keys;
    if (column != StatusColumn) {
        keys.reserve(lines_.size());
        for (std::size_t i = 0; i < lines_.size(); ++i)
            keys.push_back(core::toLowerText(std::string(cellText(i, column))));
    }
    const auto less = [&](std::uint32_t a, std::uint32_t b) {
        if (column == StatusColumn) return lines_.status(a) < lines_.status(b);
        return keys[a] < keys[b];
    };
    std::sort(order_.begin(), order_.end());
    if (descending_) {
        std::stable_sort(order_.begin(), order_.end(), [&](std::uint32_t a, std::uint32_t b) { return less(b, a); });
    } else {
        std::stable_sort(order_.begin(), order_.end(), less);
    }

    HWND header = ListView_GetHeader(item(IDC_PREVIEW_LIST));
    for (int i = 0; i < ColumnCount; ++i) {
        HDITEMW format{};
        format.mask = HDI_FORMAT;
        Header_GetItem(header, i, &format);
        format.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column) format.fmt |= descending_ ? HDF_SORTDOWN : HDF_SORTUP;
        Header_SetItem(header, i, &format);
    }
    HWND list = item(IDC_PREVIEW_LIST);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    InvalidateRect(list, nullptr, FALSE);
}

int PreviewDialog::findItem(const NMLVFINDITEMW& find) const {
    if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz || order_.empty()) return -1;
    // Typing finds a row by the column the list is sorted by, the old name until one is chosen.
    const int column = sortColumn_ >= 0 ? sortColumn_ : OldNameColumn;
    const std::string typed = core::toLowerText(narrow(find.lvfi.psz));
    const bool partial = (find.lvfi.flags & LVFI_PARTIAL) != 0;
    const std::size_t count = order_.size();
    const std::size_t start = find.iStart >= 0 && static_cast<std::size_t>(find.iStart) < count ? find.iStart : 0;
    for (std::size_t n = 0; n < count; ++n) {
        const std::size_t index = (start + n) % count;
        if (index < start && !(find.lvfi.flags & LVFI_WRAP)) break;
        const std::string text = core::toLowerText(std::string(cellText(order_[index], column)));
        if (partial ? text.compare(0, typed.size(), typed) == 0 : text == typed) return static_cast<int>(index);
    }
    return -1;
}

LRESULT PreviewDialog::onNotify(const NMHDR& header) {
    if (header.idFrom != IDC_PREVIEW_LIST) return 0;
    switch (header.code) {
        case LVN_GETDISPINFOW: {
            LVITEMW& cell = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
            if (!(cell.mask & LVIF_TEXT) || cell.cchTextMax <= 0) return 0;
            if (cell.iItem < 0 || static_cast<std::size_t>(cell.iItem) >= order_.size()) {
                cell.pszText[0] = L'\0';
                return 0;
            }
            const std::wstring text = widen(cellText(order_[cell.iItem], cell.iSubItem));
            const std::size_t length = std::min<std::size_t>(text.size(), cell.cchTextMax - 1);
            std::copy_n(text.data(), length, cell.pszText);
            cell.pszText[length] = L'\0';
            return 0;
        }
        case LVN_COLUMNCLICK:
            if (!order_.empty()) sortBy(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
            return 0;
        case LVN_ODFINDITEMW:
            return findItem(reinterpret_cast<const NMLVFINDITEMW&>(header));
    }
    return 0;
}

bool PreviewDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_NOTIFY:
            result = onNotify(*reinterpret_cast<const NMHDR*>(lParam));
            return true;
        case WM_TIMER:
            if (wParam != kProgressTimer) return false;
            if (!ready_) showProgress();
            return true;
        case kPreviewServiceMessage:
            service_.runPending();
            return true;
    }
    return false;
}

}  // namespace ui
