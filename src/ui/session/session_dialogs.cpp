#include "ui/session/session_dialogs.h"

#include "core/app/strings.h"
#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/win32/wide.h"
#include "ui/app/resource.h"
#include "ui/controls/messages.h"

namespace ui {

using platform::win32::widen;

namespace {

std::string progressText(int done, int total) {
    return "Progress: File " + std::to_string(done) + " of " + std::to_string(total);
}

}  // namespace

// --- ConfirmDialog ----------------------------------------------------------------------------

ConfirmDialog::ConfirmDialog(HWND parent, core::RenameSession& session, core::FileList& files)
    : RunDialog(IDD_CONFIRM, parent), session_(session), files_(files), totalCount_(static_cast<int>(files.size())) {
    onCommand(IDC_RENAME_ONE, [this] { renameOne(); });
    onCommand(IDC_SKIP, [this] { skip(); });
    onCommand(IDC_ALL, [this] { all(); });
}

void ConfirmDialog::onInitDialog() {
    progress_.attach(hwnd(), IDC_CONFIRM_PROGRESS);
    progress_.setRange(totalCount_);
    progress_.setPosition(0);
    path_.attach(hwnd(), IDC_PATH);
}

bool RunDialog::onMessage(UINT message, WPARAM wParam, LPARAM, LRESULT&) {
    if (message == WM_SHOWWINDOW && wParam && !started_) {
        started_ = true;
        PostMessageW(hwnd(), kStartRunMessage, 0, 0);
        return false;
    }
    if (message == kStartRunMessage) {
        startRun();
        return true;
    }
    return false;
}

void ConfirmDialog::startRun() {
    scannedCount_ = static_cast<int>(files_.size());
    startTime_ = platform::now();
    skippedCount_ = 0;
    showNext();
}

void ConfirmDialog::showProgressText() {
    setText(IDC_PROGRESS_TEXT, progressText(shownCount_, totalCount_));
    ++shownCount_;
}

void ConfirmDialog::showNext() {
    if (!files_.empty()) {
        const core::FileEntry entry = files_.front();
        files_.pop_front();
        folder_ = platform::withSeparator(entry.folder());
        oldName_ = entry.name;
        newName_ = session_.proposeName(entry.folder(), entry.name);
        setText(IDC_PATH, folder_);
        setText(IDC_OLD_NAME, oldName_);
        setText(IDC_NEW_NAME, newName_);
        SendDlgItemMessageW(hwnd(), IDC_NEW_NAME, EM_SETSEL, 0, -1);
        SendDlgItemMessageW(hwnd(), IDC_NEW_NAME, EM_SCROLLCARET, 0, 0);
        SetFocus(item(IDC_NEW_NAME));
    } else {
        // The run is over.
        endTime_ = platform::now();
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
    showProgressText();
}

bool ConfirmDialog::renameCurrent() {
    newName_ = text(IDC_NEW_NAME);
    if (session_.renameFile(oldName_, folder_, newName_)) return true;
    showError(core::formatString(core::IDS_RENAME_FAILED, {oldName_, newName_, newName_, oldName_}));
    return false;
}

void ConfirmDialog::renameOne() {
    if (!renameCurrent()) return;  // the same file stays, to be corrected or skipped
    progress_.step();
    showNext();
}

void ConfirmDialog::skip() {
    ++skippedCount_;
    progress_.step();
    showNext();
}

void ConfirmDialog::all() {
    ShowWindow(item(IDC_PROGRESS_TEXT), SW_HIDE);
    if (allDone_) {
        ReportDialog report(
            hwnd(), failures_, scannedCount_, scannedCount_ - skippedCount_ - static_cast<int>(failures_.size()),
            static_cast<int>(failures_.size()), static_cast<long long>(endTime_ - startTime_), skippedCount_);
        report.doModal();
        return;
    }
    if (!renameCurrent()) return;  // one-by-one mode goes on
    allDone_ = true;
    for (int id : {IDC_NEW_NAME, IDC_RENAME_ONE, IDC_SKIP, IDC_ALL}) EnableWindow(item(id), FALSE);
    SetFocus(item(IDCANCEL));
    progress_.step();
    while (!files_.empty()) {
        const core::FileEntry entry = files_.front();
        files_.pop_front();
        oldName_ = entry.name;
        folder_ = platform::withSeparator(entry.folder());
        newName_ = session_.proposeName(entry.folder(), entry.name);
        setText(IDC_PATH, folder_);
        setText(IDC_OLD_NAME, oldName_);
        setText(IDC_NEW_NAME, newName_);
        if (!session_.renameFile(entry.name, entry.folder(), newName_))
            failures_.push_back(entry.folder() + entry.name);
        progress_.step();
        pumpMessages();
    }
    showNext();
}

// --- ProgressDialog ---------------------------------------------------------------------------

ProgressDialog::ProgressDialog(HWND parent, core::RenameSession& session, const core::FileList& files)
    : RunDialog(IDD_PROGRESS, parent), session_(session), files_(files) {}

void ProgressDialog::onInitDialog() {
    progress_.attach(hwnd(), IDC_RUN_PROGRESS);
}

void ProgressDialog::startRun() {
    const int total = static_cast<int>(files_.size());
    progress_.setRange(total);
    progress_.setPosition(0);
    setText(IDC_STATUS, core::loadString(core::IDS_RENAMING));
    std::string failureText;
    int failures = 0, done = 0;
    for (const core::FileEntry& entry : files_) {
        const std::string newName = session_.proposeName(entry.folder(), entry.name);
        if (!session_.renameFile(entry.name, entry.folder(), newName)) {
            failureText += core::formatText("- \"%s%s\"\r\n", {entry.folder(), entry.name});
            ++failures;
        }
        progress_.step();
        setText(IDC_PROGRESS_TEXT, progressText(++done, total));
        pumpMessages();
    }
    setText(IDCANCEL, "OK");
    setText(IDC_STATUS, failureText.empty() ? core::formatString(core::IDS_RENAME_DONE, {std::int64_t{total}})
                                            : core::formatString(core::IDS_RENAME_DONE_WITH_FAILURES,
                                                                 {failureText, std::int64_t{total - failures}}));
}

// --- ReportDialog -----------------------------------------------------------------------------

ReportDialog::ReportDialog(HWND parent, const std::vector<std::string>& failures, int scanned, int renamed, int fails,
                           long long elapsedSeconds, int skipped)
    : UI_dialog(IDD_REPORT, parent),
      failures_(failures),
      scanned_(scanned),
      renamed_(renamed),
      fails_(fails),
      skipped_(skipped),
      elapsed_(elapsedSeconds) {
    autoDisable = false;
}

void ReportDialog::onInitDialog() {
    initialFocus = item(IDOK);
    setText(IDC_SCANNED, std::to_string(scanned_));
    setText(IDC_RENAMED, std::to_string(renamed_));
    setText(IDC_FAILS, std::to_string(fails_));
    setText(IDC_ELAPSED, std::to_string(elapsed_));
    setText(IDC_SKIPPED, std::to_string(skipped_));
    HWND list = item(IDC_REPORT_LIST);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 270;
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
    if (failures_.empty()) {
        addRow("All files successfully renamed.", 0);
    } else {
        for (std::size_t i = 0; i < failures_.size(); ++i) addRow(failures_[i], static_cast<int>(i));
    }
}

}  // namespace ui
