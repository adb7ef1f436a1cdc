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

std::string progressText(std::size_t done, std::size_t total) {
    return "Progress: File " + std::to_string(done) + " of " + std::to_string(total);
}

// The core's failures as the program's critical errors, on the thread that shows them.
class MessageReporter : public core::Reporter {
public:
    void criticalError(const std::string& text) override { showCriticalError(text); }
};

// Progress told to the dialog at most every 50 ms: the callbacks a job's one pass reports to.
core::RunCallbacks pacedCallbacks(core::RunService& service, ProgressPacer& pacer,
                                  std::function<void(const core::RunStep&, std::size_t done)> show) {
    core::RunCallbacks callbacks;
    callbacks.progress = [&service, &pacer, show = std::move(show)](const core::RunProgress& progress) {
        if (!pacer.due(progress.done == progress.total)) return;
        service.post([show, step = progress.last, done = progress.done] { show(step, done); });
    };
    callbacks.stop = [&service] { return service.cancelled(); };
    return callbacks;
}

}  // namespace

// --- ConfirmDialog ----------------------------------------------------------------------------

ConfirmDialog::ConfirmDialog(HWND parent, core::RenameRun& run) : RunDialog(IDD_CONFIRM, parent), run_(run) {
    onCommand(IDC_RENAME_ONE, [this] { decide(RenameOne); });
    onCommand(IDC_SKIP, [this] { decide(SkipOne); });
    onCommand(IDC_ALL, [this] { allDone_ ? report() : decide(RenameAll); });
}

void ConfirmDialog::onInitDialog() {
    progress_.attach(hwnd(), IDC_CONFIRM_PROGRESS);
    progress_.setRange(static_cast<int>(run_.total()));
    progress_.setPosition(0);
    path_.attach(hwnd(), IDC_PATH);
}

void ConfirmDialog::startRun() {
    service().start([this] { confirmFiles(); }, [this] { showOver(); });
}

void ConfirmDialog::confirmFiles() {
    bool retry = false;
    while (const core::RunStep* step = run_.next()) {
        const core::RunStep asked = *step;
        const std::size_t handled = run_.handled();
        const auto answer = service().ask([this, asked, retry, handled] { showAsked(asked, retry, handled); });
        if (!answer) return run_.cancel();
        if (answer->choice == SkipOne) {
            run_.skip();
            retry = false;
            service().post([this, done = run_.handled()] { showProgress(done); });
            continue;
        }
        std::string reason;
        if (!run_.apply(answer->text, &reason)) {
            // Nothing more can be recorded for undo: the run is over, and the main window says why.
            if (run_.stopped()) return;
            // The same file stays, to be corrected or skipped.
            const std::string oldName = platform::displayName(asked.file->name.view()),
                              newName = platform::displayName(answer->text);
            const std::string message =
                core::formatString(core::IDS_RENAME_FAILED, {oldName, newName, newName, oldName});
            service().call([this, message] { showError(message); });
            retry = true;
            continue;
        }
        retry = false;
        service().post([this, done = run_.handled()] { showProgress(done); });
        if (answer->choice == RenameAll) return renameAll();
    }
}

void ConfirmDialog::renameAll() {
    service().post([this] {
        allDone_ = true;
        ShowWindow(item(IDC_PROGRESS_TEXT), SW_HIDE);
        for (int id : {IDC_NEW_NAME, IDC_RENAME_ONE, IDC_SKIP, IDC_ALL}) EnableWindow(item(id), FALSE);
        SetFocus(item(IDCANCEL));
    });
    ProgressPacer pacer;
    run_.runAll(pacedCallbacks(service(), pacer, [this](const core::RunStep& step, std::size_t done) {
        showFile(step);
        progress_.setPosition(static_cast<int>(done));
    }));
}

void ConfirmDialog::showFile(const core::RunStep& step) {
    folder_ = step.file->folder();
    oldName_ = step.file->name.str();
    setText(IDC_PATH, platform::withSeparator(step.file->folder()));
    setText(IDC_OLD_NAME, oldName_);
    setText(IDC_NEW_NAME, step.newName);
}

// The bar and the text count the same files: those dealt with, unchanged ones that were never
// asked about included.
void ConfirmDialog::showProgress(std::size_t handled) {
    progress_.setPosition(static_cast<int>(handled));
    setText(IDC_PROGRESS_TEXT, progressText(handled, run_.total()));
}

void ConfirmDialog::showAsked(const core::RunStep& step, bool retry, std::size_t handled) {
    // Asked again after a failed rename, the name as the user left it stays, to be corrected.
    if (!retry) showFile(step);
    SendDlgItemMessageW(hwnd(), IDC_NEW_NAME, EM_SETSEL, 0, -1);
    SendDlgItemMessageW(hwnd(), IDC_NEW_NAME, EM_SCROLLCARET, 0, 0);
    SetFocus(item(IDC_NEW_NAME));
    showProgress(handled);
}

void ConfirmDialog::showOver() {
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
    showProgress(run_.handled());
}

bool ConfirmDialog::acceptable(const std::string& name) {
    if (name.empty()) {
        showError(
            "The new name is empty. Type a name and click \"Rename\", or click \"Skip\" to leave this file "
            "as it is.");
        return false;
    }
    // A typed name the move would refuse is named with its fault, not with the causes of a failed
    // move; the same file stays, to be corrected.
    if (name == oldName_) return true;
    if (const auto reason = core::checkNewName(folder_, name)) {
        showError(core::invalidNameMessage(name, *reason));
        return false;
    }
    return true;
}

void ConfirmDialog::decide(int choice) {
    // A click while the run is busy between two files asks nothing.
    if (!service().asking()) return;
    std::string name;
    if (choice != SkipOne) {
        name = text(IDC_NEW_NAME);
        if (!acceptable(name)) {
            SetFocus(item(IDC_NEW_NAME));
            return;
        }
    }
    service().answer(core::RunService::Answer{choice, std::move(name)});
}

void ConfirmDialog::report() {
    const core::RunResult result = run_.result();
    ReportDialog report(hwnd(), result);
    report.doModal();
}

// --- ProgressDialog ---------------------------------------------------------------------------

ProgressDialog::ProgressDialog(HWND parent, core::RenameRun& run, bool checkFirst)
    : RunDialog(IDD_PROGRESS, parent), run_(run), checkFirst_(checkFirst) {}

void ProgressDialog::onInitDialog() {
    progress_.attach(hwnd(), IDC_RUN_PROGRESS);
}

bool ProgressDialog::check() {
    service().post([this] { setText(IDC_STATUS, "Checking the new names..."); });
    const core::RunPlan& lines = run_.preview([this](std::size_t, std::size_t) { return !service().cancelled(); });
    std::size_t counts[std::size(core::kPreviewStatuses)] = {};
    for (std::size_t i = 0; i < lines.size(); ++i) ++counts[static_cast<std::size_t>(lines.status(i))];
    const std::size_t exists = counts[static_cast<std::size_t>(core::PreviewStatus::Exists)],
                      duplicate = counts[static_cast<std::size_t>(core::PreviewStatus::Duplicate)],
                      invalid = counts[static_cast<std::size_t>(core::PreviewStatus::Invalid)];
    const std::size_t bad = exists + duplicate + invalid;
    if (bad == 0) return !service().cancelled();
    // Only the kinds that occur, each in words.
    std::string kinds;
    const auto add = [&](std::size_t count, const char* what) {
        if (count == 0) return;
        if (!kinds.empty()) kinds += ", ";
        kinds += std::to_string(count) + what;
    };
    add(exists, " would take the name of a file that exists already");
    add(duplicate, " would take a name another file of the run takes too");
    add(invalid, " would get a name that is not valid");
    const std::string text = std::to_string(bad) + " of the " + std::to_string(lines.runFiles()) +
                             " files cannot be given their new names: " + kinds +
                             ".\r\n\r\n\"Preview\" shows every file with its new name. \"Rename the Others\" "
                             "renames the rest and lists these as failed. \"Cancel\" renames nothing.";
    const auto answer = service().ask([this, text] {
        RunCheckDialog dialog(hwnd(), text);
        service().answer(core::RunService::Answer{static_cast<int>(dialog.doModal()), {}});
    });
    if (!answer || answer->choice == IDC_CHECK_RENAME) return answer.has_value();
    ended_ = answer->choice == IDC_CHECK_PREVIEW ? kShowPreview : IDCANCEL;
    return false;
}

void ProgressDialog::startRun() {
    progress_.setRange(static_cast<int>(run_.total()));
    progress_.setPosition(0);
    setText(IDC_STATUS, core::loadString(core::IDS_RENAMING));
    service().start(
        [this] {
            if (checkFirst_ && !check()) return run_.cancel();
            service().post([this] { setText(IDC_STATUS, core::loadString(core::IDS_RENAMING)); });
            ProgressPacer pacer;
            run_.runAll(pacedCallbacks(service(), pacer, [this](const core::RunStep&, std::size_t done) {
                progress_.setPosition(static_cast<int>(done));
                setText(IDC_PROGRESS_TEXT, progressText(done, run_.total()));
            }));
        },
        [this] {
            if (ended_) return endDialog(ended_);
            setText(IDCANCEL, "OK");
            setText(IDC_STATUS, run_.result().summaryText());
        });
}

// --- RunCheckDialog ---------------------------------------------------------------------------

RunCheckDialog::RunCheckDialog(HWND parent, std::string text)
    : UI_dialog(IDD_RUN_CHECK, parent), text_(std::move(text)) {
    autoDisable = false;
    onCommand(IDC_CHECK_PREVIEW, [this] { endDialog(IDC_CHECK_PREVIEW); });
    onCommand(IDC_CHECK_RENAME, [this] { endDialog(IDC_CHECK_RENAME); });
}

void RunCheckDialog::onInitDialog() {
    setText(IDC_CHECK_TEXT, text_);
    initialFocus = item(IDC_CHECK_PREVIEW);
}

// --- showRun ----------------------------------------------------------------------------------

RunEnd showRun(HWND owner, core::RenameRun& run, bool confirm, bool checkFirst) {
    // Another run or undo in one of these folders could move a file between a record and its move.
    try {
        if (const std::string busy = run.claimed() ? std::string() : run.claimFolders(); !busy.empty()) {
            showAppMessage(busy, MB_OK | MB_ICONSTOP);
            return RunEnd::Done;
        }
    } catch (const platform::FileError& error) {
        showCriticalError(error.message());
        return RunEnd::Done;
    }
    static MessageReporter messages;
    INT_PTR ended;
    std::vector<std::string> kept;
    {
        std::unique_ptr<RunDialog> dialog;
        if (confirm) {
            dialog = std::make_unique<ConfirmDialog>(owner, run);
        } else {
            dialog = std::make_unique<ProgressDialog>(owner, run, checkFirst);
        }
        // The run works on the dialog's worker: what it reports is shown on the dialog's thread.
        core::ServiceReporter reporter(dialog->service(), messages);
        run.setReporter(reporter);
        ended = dialog->doModal();
        dialog->service().cancel();
        dialog->service().wait();
        run.setReporter(messages);
        kept = reporter.takeKept();
    }
    for (const std::string& text : kept) showCriticalError(text);
    const core::RunResult result = run.finish();  // writes the undo database
    if (!result.undoProblem.empty()) showCriticalError(result.undoProblem);
    // A run cancelled half way closed its dialog at once: how far it got is still told.
    const bool begun = result.renamed + result.companions + result.unchanged + result.skipped + result.failed() > 0;
    if (result.notReached > 0 && begun) showAppMessage(result.summaryText(), MB_OK | MB_ICONINFORMATION);
    return ended == ProgressDialog::kShowPreview ? RunEnd::ShowPreview : RunEnd::Done;
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
    setText(IDC_UNCHANGED, std::to_string(result_.unchanged));
    setText(IDC_FAILS, std::to_string(result_.failed() + result_.unlistedFolders.size()));
    setText(IDC_ELAPSED, std::to_string(result_.elapsedSeconds));
    setText(IDC_SKIPPED, std::to_string(result_.skipped));
    HWND list = item(IDC_REPORT_LIST);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    // The file and why it failed: the reason, last, fills what the list leaves it.
    column.cx = scaledForDpi(230, dpi());
    wchar_t title[] = L"Filename";
    column.pszText = title;
    ListView_InsertColumn(list, 0, &column);
    wchar_t reasonTitle[] = L"Reason";
    column.pszText = reasonTitle;
    column.cx = scaledForDpi(100, dpi());
    ListView_InsertColumn(list, 1, &column);
    // Each failure with why: a name that was taken, a file held open by another program.
    const auto addRow = [&](const std::string& text, int row, const std::string& reason = {}) {
        std::wstring wide = widen(text);
        LVITEMW line{};
        line.mask = LVIF_TEXT;
        line.iItem = row;
        line.pszText = wide.data();
        ListView_InsertItem(list, &line);
        if (reason.empty()) return;
        std::wstring why = widen(reason);
        ListView_SetItemText(list, row, 1, why.data());
    };
    if (!result_.anyFailure()) {
        addRow("No file failed.", 0);
    } else {
        int row = 0;
        for (const core::RunFailure& failure : result_.failures) {
            addRow(platform::displayName(failure.path()), row++, failure.reason);
        }
        for (const core::FolderProblem& folder : result_.unlistedFolders) {
            addRow(platform::displayName(folder.folder), row++, "the folder could not be listed: " + folder.reason);
        }
    }
}

}  // namespace ui
