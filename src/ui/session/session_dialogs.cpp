#include "ui/session/session_dialogs.h"

#include "core/base/strings.h"
#include "core/rules/name_check.h"
#include "platform/paths.h"
#include "platform/win32/wide.h"
#include "ui/app/resource.h"
#include "ui/controls/dpi.h"
#include "ui/controls/messages.h"

namespace ui {

using platform::win32::widen;

namespace {

std::string progressText(int done, int total) {
    return "Progress: File " + std::to_string(done) + " of " + std::to_string(total);
}

}  // namespace

// --- ConfirmDialog ----------------------------------------------------------------------------

ConfirmDialog::ConfirmDialog(HWND parent, core::RenameRun& run) : RunDialog(IDD_CONFIRM, parent), run_(run) {
    onCommand(IDC_RENAME_ONE, [this] { renameOne(); });
    onCommand(IDC_SKIP, [this] { skip(); });
    onCommand(IDC_ALL, [this] { all(); });
}

void ConfirmDialog::onInitDialog() {
    progress_.attach(hwnd(), IDC_CONFIRM_PROGRESS);
    progress_.setRange(static_cast<int>(run_.total()));
    progress_.setPosition(0);
    path_.attach(hwnd(), IDC_PATH);
}

void ConfirmDialog::startRun() {
    showNext();
}

void ConfirmDialog::showFile(const core::RunStep& step) {
    folder_ = step.file->folder();
    oldName_ = step.file->name.str();
    newName_ = step.newName;
    setText(IDC_PATH, platform::withSeparator(step.file->folder()));
    setText(IDC_OLD_NAME, oldName_);
    setText(IDC_NEW_NAME, newName_);
}

void ConfirmDialog::showNext() {
    if (const core::RunStep* step = run_.next()) {
        showFile(*step);
        SendDlgItemMessageW(hwnd(), IDC_NEW_NAME, EM_SETSEL, 0, -1);
        SendDlgItemMessageW(hwnd(), IDC_NEW_NAME, EM_SCROLLCARET, 0, 0);
        SetFocus(item(IDC_NEW_NAME));
    } else {
        // The run is over.
        setText(IDCANCEL, "OK");
        SendMessageW(hwnd(), DM_SETDEFID, IDCANCEL, 0);
        SetFocus(item(IDCANCEL));
        EnableWindow(item(IDC_NEW_NAME), FALSE);
        ShowWindow(item(IDC_RENAME_ONE), SW_HIDE);
        ShowWindow(item(IDC_SKIP), SW_HIDE);
        if (allDone_) {
            setText(IDC_ALL, "Report...");
            EnableWindow(item(IDC_ALL), TRUE);
        } else {
            ShowWindow(item(IDC_ALL), SW_HIDE);
        }
    }
    setText(IDC_PROGRESS_TEXT, progressText(static_cast<int>(run_.handled()), static_cast<int>(run_.total())));
}

bool ConfirmDialog::renameCurrent() {
    newName_ = text(IDC_NEW_NAME);
    // A typed name the move would refuse is named with its fault, not with the causes of a failed
    // move; the same file stays, to be corrected.
    if (newName_ != oldName_) {
        if (const auto reason = core::checkNewName(folder_, newName_)) {
            showError(core::invalidNameMessage(newName_, *reason));
            return false;
        }
    }
    if (run_.apply(newName_)) return true;
    if (run_.stopped()) {
        // Nothing more can be recorded for undo: the run is over, and the main window says why.
        showNext();
        return false;
    }
    const std::string oldName = platform::displayName(oldName_), newName = platform::displayName(newName_);
    showError(core::formatString(core::IDS_RENAME_FAILED, {oldName, newName, newName, oldName}));
    return false;
}

void ConfirmDialog::renameOne() {
    if (!renameCurrent()) return;  // the same file stays, to be corrected or skipped
    progress_.step();
    showNext();
}

void ConfirmDialog::skip() {
    run_.skip();
    progress_.step();
    showNext();
}

void ConfirmDialog::all() {
    ShowWindow(item(IDC_PROGRESS_TEXT), SW_HIDE);
    if (allDone_) {
        const core::RunResult result = run_.result();
        ReportDialog report(hwnd(), result);
        report.doModal();
        return;
    }
    if (!renameCurrent()) return;  // one-by-one mode goes on
    allDone_ = true;
    for (int id : {IDC_NEW_NAME, IDC_RENAME_ONE, IDC_SKIP, IDC_ALL}) EnableWindow(item(id), FALSE);
    SetFocus(item(IDCANCEL));
    progress_.step();
    core::RunCallbacks callbacks;
    ProgressPacer pacer;
    callbacks.progress = [&](const core::RunProgress& progress) {
        if (pacer.due(progress.done == progress.total)) {
            showFile(progress.last);
            progress_.setPosition(static_cast<int>(progress.done));
        }
        if (pacer.messagesDue(progress.done == progress.total)) pumpMessages();
    };
    run_.runAll(callbacks);
    showNext();
}

// --- ProgressDialog ---------------------------------------------------------------------------

ProgressDialog::ProgressDialog(HWND parent, core::RenameRun& run) : RunDialog(IDD_PROGRESS, parent), run_(run) {}

void ProgressDialog::onInitDialog() {
    progress_.attach(hwnd(), IDC_RUN_PROGRESS);
}

void ProgressDialog::startRun() {
    progress_.setRange(static_cast<int>(run_.total()));
    progress_.setPosition(0);
    setText(IDC_STATUS, core::loadString(core::IDS_RENAMING));
    core::RunCallbacks callbacks;
    ProgressPacer pacer;
    callbacks.progress = [&](const core::RunProgress& progress) {
        if (pacer.due(progress.done == progress.total)) {
            progress_.setPosition(static_cast<int>(progress.done));
            setText(IDC_PROGRESS_TEXT, progressText(static_cast<int>(progress.done), static_cast<int>(progress.total)));
        }
        if (pacer.messagesDue(progress.done == progress.total)) pumpMessages();
    };
    run_.runAll(callbacks);
    setText(IDCANCEL, "OK");
    setText(IDC_STATUS, run_.result().summaryText);
}

void showRun(HWND owner, core::RenameRun& run, bool confirm) {
    // Another run or undo in one of these folders could move a file between a record and its move.
    try {
        if (const std::string busy = run.claimFolders(); !busy.empty()) {
            showAppMessage(busy, MB_OK | MB_ICONSTOP);
            return;
        }
    } catch (const platform::FileError& error) {
        showCriticalError(error.message());
        return;
    }
    if (confirm) {
        ConfirmDialog dialog(owner, run);
        dialog.doModal();
    } else {
        ProgressDialog dialog(owner, run);
        dialog.doModal();
    }
    const core::RunResult result = run.finish();  // writes the undo database
    if (!result.undoProblem.empty()) showCriticalError(result.undoProblem);
}

// --- ReportDialog -----------------------------------------------------------------------------

ReportDialog::ReportDialog(HWND parent, const core::RunResult& result)
    : UI_dialog(IDD_REPORT, parent), result_(result) {
    autoDisable = false;
}

void ReportDialog::onInitDialog() {
    initialFocus = item(IDOK);
    setText(IDC_SCANNED, std::to_string(result_.total));
    setText(IDC_RENAMED, std::to_string(result_.renamed));
    setText(IDC_FAILS, std::to_string(result_.failed() + result_.unlistedFolders.size()));
    setText(IDC_ELAPSED, std::to_string(result_.elapsedSeconds));
    setText(IDC_SKIPPED, std::to_string(result_.skipped));
    HWND list = item(IDC_REPORT_LIST);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = scaledForDpi(270, dpi());
    wchar_t title[] = L"Filename";
    column.pszText = title;
    ListView_InsertColumn(list, 0, &column);
    const auto addRow = [&](const std::string& text, int row) {
        std::wstring wide = widen(text);
        LVITEMW line{};
        line.mask = LVIF_TEXT;
        line.iItem = row;
        line.pszText = wide.data();
        ListView_InsertItem(list, &line);
    };
    if (!result_.anyFailure()) {
        addRow("All files successfully renamed.", 0);
    } else {
        int row = 0;
        for (const core::RunFailure& failure : result_.failures) addRow(platform::displayName(failure.path()), row++);
        for (const core::FolderProblem& folder : result_.unlistedFolders) {
            addRow(platform::displayName(folder.folder) + " (the folder could not be listed: " + folder.reason + ")",
                   row++);
        }
    }
}

}  // namespace ui
