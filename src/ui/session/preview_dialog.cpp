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
    list_.attach(hwnd(), IDC_PREVIEW_LIST, false);  // before the layout, which stretches the last column
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

void PreviewDialog::work() {
    try {
        core::PreparedRename prepared = core::prepareRename(
            *request_.context,
            core::RenameRequest{
                request_.folder, request_.pattern, request_.recurse, request_.rules, request_.undo, request_.confirm,
                true, request_.unchecked, request_.context->settings().shortenNames != 0,
                request_.context->settings().tagOrder != 0 ? core::AlbumOrder::Tags : core::AlbumOrder::Names},
            reporter_);
        unlisted_ = std::move(prepared.unlisted);
        if (service_.cancelled() || !prepared.run) return;
        std::unique_ptr<core::RenameRun> run = std::move(prepared.run);
        run->preview([this](std::size_t done, std::size_t steps) {
            done_ = done;
            steps_ = steps;
            return !service_.cancelled();
        });
        if (service_.cancelled()) return;
        lines_ = core::FileListPlan::ofRun(std::move(run));
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
    static const core::RunPlan kNoLines;
    const core::RunPlan& lines = lines_ ? lines_->plan() : kNoLines;
    std::string problems;
    if (!unlisted_.empty()) problems += "These folders could not be listed:\r\n" + core::folderProblemLines(unlisted_);
    if (!lines.uncheckedFolders().empty()) {
        problems +=
            "The names in these folders could not be checked, so the statuses of their files are not "
            "certain:\r\n" +
            core::folderProblemLines(lines.uncheckedFolders());
    }
    if (!problems.empty()) showError(problems);
    if (lines.empty()) {
        // The message is longer than a line: it takes the empty list's place, where it shows whole.
        setText(IDC_PREVIEW_PROGRESS, "");
        setText(IDC_PREVIEW_EMPTY, core::loadString(core::IDS_NO_FILES_FOUND));
        ShowWindow(item(IDC_PREVIEW_LIST), SW_HIDE);
        ShowWindow(item(IDC_PREVIEW_EMPTY), SW_SHOW);
        SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(IDCANCEL)), TRUE);
        return;
    }
    okCount_ = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) okCount_ += lines.status(i) == core::PreviewStatus::Ok;
    setText(IDC_PREVIEW_PROGRESS, "Nothing has been renamed yet: Rename gives these files their new names.");
    setText(IDC_PREVIEW_COUNTS, lines_->summary());
    list_.show(lines_);
    updateControls();
}

void PreviewDialog::rename() {
    if (!ready_ || !lines_ || !lines_->run()) return;
    // The run gives the names shown: the preview planned them.
    showRun(hwnd(), *lines_->run(), request_.confirm);
    endDialog(IDOK);
}

void PreviewDialog::onCancel() {
    stopWork();
    endDialog(IDCANCEL);
}

bool PreviewDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_NOTIFY:
            return list_.onNotify(*reinterpret_cast<const NMHDR*>(lParam), result);
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
