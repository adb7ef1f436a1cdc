// The Preview dialog: every file the main dialog's settings would rename, with its new name and
// what the run would make of it, before anything on disk changes. The files are found and their
// names worked out on the worker of the dialog's run service, so the window stays alive on a hundred thousand
// files; the list is virtual and only draws the rows in sight. Rename runs exactly the list
// shown.
#pragma once

#include <windows.h>
// windows.h first: the other system headers build on it.
#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

#include "core/app/app_context.h"
#include "core/app/file_list.h"
#include "core/base/reporter.h"
#include "core/session/rename_run.h"
#include "core/session/run_service.h"
#include "ui/controls/zel_dialog.h"
#include "ui/session/plan_list_view.h"

namespace ui {

// What to preview: the main dialog's files, filters and run settings when the preview opened.
struct PreviewRequest {
    core::AppContext* context = nullptr;
    core::RuleList rules;
    std::string folder;
    std::string pattern;
    bool recurse = false;
    bool confirm = false;  // a run from the preview asks about each file
    bool undo = true;
    std::unordered_set<std::string> unchecked;  // files the user took out of the run
};

class PreviewDialog : public UI_dialog {
public:
    PreviewDialog(HWND parent, PreviewRequest request);
    // Stops the background work and waits for it.
    ~PreviewDialog() override;

protected:
    void onInitDialog() override;
    void onCancel() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Failures the core reports while the names are worked out wait for the dialog's own thread,
    // where a message box belongs; on that thread they show at once.
    class QueuedReporter : public core::Reporter {
    public:
        QueuedReporter();
        void criticalError(const std::string& text) override;
        // Shows the first waiting failure, with how many more there were.
        void showWaiting();

    private:
        std::thread::id owner_;
        std::mutex mutex_;
        std::vector<std::string> waiting_;
    };

    void work();  // on the worker
    void stopWork();
    void showProgress();
    void showList();
    void rename();

    PreviewRequest request_;
    QueuedReporter reporter_;                    // before the run, which refers to it
    std::shared_ptr<core::FileListPlan> lines_;  // with the run it is the plan of
    std::string error_;                          // why the preview failed, or empty
    std::vector<core::FolderProblem> unlisted_;  // folders the files were looked for in but not listed
    std::atomic<bool> ready_{false};
    std::atomic<std::size_t> done_{0}, steps_{0};

    PlanListView list_;
    bool showingProgress_ = false;  // showProgress is on the stack (inside a message box)
    std::size_t okCount_ = 0;
    // Last, so that it stops the worker before anything the worker uses goes.
    core::RunService service_;
};

}  // namespace ui
