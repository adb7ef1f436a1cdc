// A list view showing a file list's plan: folder, old name, new name and status, one row a file.
// Virtual: only the rows in sight are drawn, so a hundred thousand files cost nothing to show.
// Sorting by a column and typing to find a row work as in Explorer. With check boxes, the user
// takes files out of the run and puts them back; the owner decides what a toggle changes. A cell
// its column cuts shows whole in a tip.
#pragma once

#include <windows.h>
// windows.h first: the other system headers build on it.
#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/app/file_list.h"
#include "ui/controls/cell_tips.h"

namespace ui {

class PlanListView {
public:
    // Takes over the dialog's list view control `id`, and gives it its columns.
    void attach(HWND dialog, int id, bool checkBoxes);
    HWND hwnd() const { return list_; }

    // The folder column shows each file's folder relative to this one (the chosen folder), or
    // whole when it is empty.
    void setBaseFolder(std::string folder) { base_ = std::move(folder); }

    // Shows another plan (null: none). The sort chosen stays, and so do the rows in sight.
    void show(std::shared_ptr<const core::FileListPlan> plan);
    // Shows the first rows of a plan still being made, "listing..." for their status, in the
    // order found; none can be checked or sorted until the plan comes.
    void showEarly(std::vector<core::EarlyRow> rows);
    const core::FileListPlan* plan() const { return plan_.get(); }

    // Called with the rows (of the plan) whose check the user toggled.
    std::function<void(const std::vector<std::size_t>& rows)> onToggle;
    enum class Checks { All, None, Invert };
    // Toggles the rows that must change for `checks`, through onToggle.
    void setChecks(Checks checks);

    // The list's notifications (WM_NOTIFY from it); false for any other.
    bool onNotify(const NMHDR& header, LRESULT& result);

private:
    void sortBy(int column);
    void order();
    int findItem(const NMLVFINDITEMW& find) const;
    void toggle(int item);
    // The text of a cell, until the next call.
    std::string_view cellText(std::size_t row, int column) const;

    HWND dialog_ = nullptr, list_ = nullptr;
    int id_ = 0;
    bool checkBoxes_ = false;
    std::shared_ptr<const core::FileListPlan> plan_;
    std::vector<core::EarlyRow> early_;  // shown while there is no plan
    std::vector<std::uint32_t> order_;   // rows in the order shown: indexes into the plan
    int sortColumn_ = -1;                // the plan's own order
    bool descending_ = false;
    std::string base_;
    mutable std::string statusText_;       // the status cell cellText last gave
    mutable core::FolderPath folderText_;  // the path of the folder cell cellText last gave
    ListViewCellTips tips_;
};

}  // namespace ui
