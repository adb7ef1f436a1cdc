// The Undo dialog, which lists the runs that can be undone, with the properties of a run's
// database and the progress of an undo.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/plugins/plugin_manager.h"
#include "core/undo/journal_recovery.h"
#include "core/undo/undo_catalog.h"
#include "ui/controls/custom_controls.h"
#include "ui/controls/handles.h"
#include "ui/controls/run_dialog.h"
#include "ui/controls/zel_dialog.h"

namespace ui {

class UndoDialog : public UI_dialog {
public:
    // `waiting`: the journals of interrupted runs kept for folders away now, listed after the
    // databases until the user deletes them.
    UndoDialog(HWND parent, const core::PluginManager& plugins, core::AppPaths paths,
               std::vector<core::WaitingJournal> waiting = {});

protected:
    void onInitDialog() override;
    void onDpiChanged(UINT) override { loadImages(); }
    void onCancel() override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void refreshList();
    int selectedLine() const;
    // The folder the run of `entry` renamed in, or empty when its database cannot be read.
    std::string runFolder(const core::IndexEntry& entry);
    bool canAct() const;
    void undoSelected();
    void deleteSelected();
    void showProperties();
    // A database that vanished: say so, and drop it from the index without deleting anything.
    void dropVanished(const core::IndexEntry& entry);
    void removeEntry(const core::IndexEntry& entry, bool deleteFile);

    const core::PluginManager& plugins_;
    core::AppPaths paths_;
    core::UndoCatalog catalog_;
    std::vector<core::IndexEntry> lines_;        // one copy per database line
    std::vector<core::WaitingJournal> waiting_;  // listed after the databases
    // The kept journal on `line`, or nothing for a database's line.
    const core::WaitingJournal* waitingAt(int line) const;
    // Tells what a kept journal is and why it cannot be undone or opened now.
    void explainWaiting(const core::WaitingJournal& journal);
    // Each database's folder by its name, with the size it had: finding the folder reads every
    // entry, so a list refreshed after each undo reads again only the databases that changed.
    std::map<std::string, std::pair<std::uint64_t, std::string>> folders_;
    bool hasDatabases_ = true;
    void loadImages();
    OwnedImageList images_;
};

class UndoProgressDialog : public RunDialog {
public:
    // Undoes the database of `entry` through `catalog` once the dialog shows.
    UndoProgressDialog(HWND parent, core::UndoCatalog& catalog, const core::IndexEntry& entry);
    // What the undo came to; read once the job has ended (service().wait()).
    const core::UndoOutcome& outcome() const { return outcome_; }

protected:
    void onInitDialog() override;
    void startRun() override;

private:
    core::UndoCatalog& catalog_;
    const core::IndexEntry& entry_;
    PercentProgressCtrl progress_;
    // Set by the worker, read on the dialog's thread once it has ended.
    core::UndoOutcome outcome_;
    std::function<void()> refusal_;  // tells why nothing was undone
};

class UndoPropertiesDialog : public UI_dialog {
public:
    UndoPropertiesDialog(HWND parent, const core::IndexEntry& entry, const core::DatabaseProperties& properties);

protected:
    void onInitDialog() override;

private:
    const core::IndexEntry& entry_;
    const core::DatabaseProperties& properties_;
};

}  // namespace ui
