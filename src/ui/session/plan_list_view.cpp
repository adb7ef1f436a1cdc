#include "ui/session/plan_list_view.h"

#include <algorithm>

#include "core/base/strings.h"
#include "core/rules/text_rules.h"
#include "platform/win32/wide.h"
#include "ui/app/resource.h"

namespace ui {
namespace {

using platform::win32::narrow;
using platform::win32::widen;

enum Column { FolderColumn, OldNameColumn, NewNameColumn, StatusColumn, ColumnCount };

// Widths in dialog units, so the columns follow the font.
// The status says why a file keeps its name: it takes the room a long folder would.
constexpr int kColumnWidths[ColumnCount] = {110, 100, 100, 105};
constexpr const wchar_t* kColumnTitles[ColumnCount] = {L"Folder", L"Old name", L"New name", L"Status"};

// The state images of a list with check boxes: 1 unchecked, 2 checked.
constexpr UINT kUncheckedImage = 1, kCheckedImage = 2;

}  // namespace

void PlanListView::attach(HWND dialog, int id, bool checkBoxes) {
    dialog_ = dialog;
    id_ = id;
    list_ = GetDlgItem(dialog, id);
    checkBoxes_ = checkBoxes;
    DWORD styles = LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER;
    if (checkBoxes) styles |= LVS_EX_CHECKBOXES;
    ListView_SetExtendedListViewStyle(list_, styles);
    // The rows are virtual: the list asks for each one's check as it draws it.
    if (checkBoxes) ListView_SetCallbackMask(list_, LVIS_STATEIMAGEMASK);
    for (int column = 0; column < ColumnCount; ++column) {
        RECT width{0, 0, kColumnWidths[column], 0};
        MapDialogRect(dialog, &width);
        LVCOLUMNW header{};
        header.mask = LVCF_TEXT | LVCF_WIDTH;
        header.cx = width.right;
        header.pszText = const_cast<wchar_t*>(kColumnTitles[column]);
        ListView_InsertColumn(list_, column, &header);
    }
    tips_.attach(list_);
}

void PlanListView::showEarly(std::vector<core::EarlyRow> rows) {
    plan_.reset();
    early_ = std::move(rows);
    order_.resize(early_.size());
    for (std::size_t i = 0; i < early_.size(); ++i) order_[i] = static_cast<std::uint32_t>(i);
    ListView_SetItemCountEx(list_, static_cast<int>(order_.size()), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    InvalidateRect(list_, nullptr, FALSE);
}

void PlanListView::show(std::shared_ptr<const core::FileListPlan> plan) {
    plan_ = std::move(plan);
    early_.clear();
    order();
    // The same count keeps the rows in sight where they were; the list only draws again.
    ListView_SetItemCountEx(list_, static_cast<int>(order_.size()), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    if (!order_.empty() && ListView_GetNextItem(list_, -1, LVNI_FOCUSED) < 0) {
        ListView_SetItemState(list_, 0, LVIS_FOCUSED, LVIS_FOCUSED);
    }
    InvalidateRect(list_, nullptr, FALSE);
}

std::string_view PlanListView::cellText(std::size_t row, int column) const {
    const bool early = !plan_;
    const core::FileEntry& file = early ? early_[row].file : *(*plan_)[row].file;
    switch (column) {
        case FolderColumn: {
            std::string_view folder = folderText_.of(file.folderText);
            if (!base_.empty() && folder.size() >= base_.size() &&
                core::toLowerText(std::string(folder.substr(0, base_.size()))) == core::toLowerText(base_)) {
                folder.remove_prefix(base_.size());
            }
            return folder;
        }
        case OldNameColumn:
            return file.name.view();
        case NewNameColumn:
            return early ? std::string_view(early_[row].newName) : (*plan_)[row].newName;
        default:
            statusText_ = early ? "listing..." : plan_->statusText(row);
            return statusText_;
    }
}

void PlanListView::order() {
    const std::size_t count = plan_ ? plan_->size() : 0;
    order_.resize(count);
    for (std::size_t i = 0; i < count; ++i) order_[i] = static_cast<std::uint32_t>(i);
    if (sortColumn_ < 0 || count == 0) return;
    const int column = sortColumn_;
    // Texts compare ignoring case, as the folder lists them; the status by its order of severity.
    // Equal keys keep the plan's order. The keys are one block of text, not a string a row.
    core::NameList keys;
    if (column != StatusColumn) {
        keys.reserve(count);
        for (std::size_t i = 0; i < count; ++i) keys.push_back(core::toLowerText(std::string(cellText(i, column))));
    }
    const auto less = [&](std::uint32_t a, std::uint32_t b) {
        if (column == StatusColumn) {
            const auto rank = [&](std::uint32_t row) {
                const core::FileListPlan::Row line = (*plan_)[row];
                // Unchecked files come after those that keep their names for a reason of the disk.
                return line.unchecked ? 100 : static_cast<int>(line.status);
            };
            return rank(a) < rank(b);
        }
        return keys[a] < keys[b];
    };
    if (descending_) {
        std::stable_sort(order_.begin(), order_.end(), [&](std::uint32_t a, std::uint32_t b) { return less(b, a); });
    } else {
        std::stable_sort(order_.begin(), order_.end(), less);
    }
}

void PlanListView::sortBy(int column) {
    descending_ = column == sortColumn_ ? !descending_ : false;
    sortColumn_ = column;
    order();
    HWND header = ListView_GetHeader(list_);
    for (int i = 0; i < ColumnCount; ++i) {
        HDITEMW format{};
        format.mask = HDI_FORMAT;
        Header_GetItem(header, i, &format);
        format.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == column) format.fmt |= descending_ ? HDF_SORTDOWN : HDF_SORTUP;
        Header_SetItem(header, i, &format);
    }
    ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
    InvalidateRect(list_, nullptr, FALSE);
}

int PlanListView::findItem(const NMLVFINDITEMW& find) const {
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

void PlanListView::toggle(int item) {
    if (!plan_) return;
    std::vector<std::size_t> rows;
    // Space toggles every selected row, or the one with the focus when none is selected; a click
    // on a box only its own.
    if (item < 0) {
        const int first = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
        const UINT which = first >= 0 ? LVNI_SELECTED : LVNI_FOCUSED;
        for (int i = ListView_GetNextItem(list_, -1, which); i >= 0; i = ListView_GetNextItem(list_, i, which)) {
            if (static_cast<std::size_t>(i) < order_.size() && plan_->checkable(order_[i])) rows.push_back(order_[i]);
            if (which == LVNI_FOCUSED) break;
        }
    } else if (static_cast<std::size_t>(item) < order_.size() && plan_->checkable(order_[item])) {
        rows.push_back(order_[item]);
    }
    if (!rows.empty() && onToggle) onToggle(rows);
}

void PlanListView::setChecks(Checks checks) {
    if (!plan_ || !onToggle) return;
    std::vector<std::size_t> rows;
    for (std::size_t row = 0; row < plan_->size(); ++row) {
        if (!plan_->checkable(row)) continue;
        const bool checked = !(*plan_)[row].unchecked;
        if (checks == Checks::Invert || (checks == Checks::All) != checked) rows.push_back(row);
    }
    if (!rows.empty()) onToggle(rows);
}

bool PlanListView::onNotify(const NMHDR& header, LRESULT& result) {
    if (header.hwndFrom != list_) return false;
    result = 0;
    switch (header.code) {
        case LVN_GETDISPINFOW: {
            LVITEMW& cell = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
            const bool known = cell.iItem >= 0 && static_cast<std::size_t>(cell.iItem) < order_.size();
            if (checkBoxes_ && (cell.mask & LVIF_STATE)) {
                // Checked: the run renames it. The album's other files show so too, though they
                // follow their files rather than being checked on their own.
                const bool checked = known && plan_ && !(*plan_)[order_[cell.iItem]].unchecked &&
                                     (*plan_)[order_[cell.iItem]].status == core::PreviewStatus::Ok;
                cell.state = (cell.state & ~LVIS_STATEIMAGEMASK) |
                             INDEXTOSTATEIMAGEMASK(checked ? kCheckedImage : kUncheckedImage);
                cell.stateMask |= LVIS_STATEIMAGEMASK;
            }
            if (!(cell.mask & LVIF_TEXT) || cell.cchTextMax <= 0) return true;
            if (!known) {
                cell.pszText[0] = L'\0';
                return true;
            }
            const std::wstring text = widen(cellText(order_[cell.iItem], cell.iSubItem));
            const std::size_t length = std::min<std::size_t>(text.size(), cell.cchTextMax - 1);
            std::copy_n(text.data(), length, cell.pszText);
            cell.pszText[length] = L'\0';
            return true;
        }
        case LVN_COLUMNCLICK:
            if (plan_ && !order_.empty()) sortBy(reinterpret_cast<const NMLISTVIEW&>(header).iSubItem);
            return true;
        case LVN_ODFINDITEMW:
            result = findItem(reinterpret_cast<const NMLVFINDITEMW&>(header));
            return true;
        case NM_CLICK:
        case NM_DBLCLK: {
            if (!checkBoxes_) return true;
            LVHITTESTINFO hit{};
            hit.pt = reinterpret_cast<const NMITEMACTIVATE&>(header).ptAction;
            if (ListView_SubItemHitTest(list_, &hit) >= 0 && (hit.flags & LVHT_ONITEMSTATEICON)) toggle(hit.iItem);
            return true;
        }
        case LVN_KEYDOWN:
            if (checkBoxes_ && reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_SPACE) toggle(-1);
            return true;
        case NM_RCLICK: {
            if (!checkBoxes_) return true;
            HMENU menu = CreatePopupMenu();
            AppendMenuW(menu, MF_STRING, ID_FILES_CHECK_ALL, L"Check &all");
            AppendMenuW(menu, MF_STRING, ID_FILES_CHECK_NONE, L"Check &none");
            AppendMenuW(menu, MF_STRING, ID_FILES_CHECK_INVERT, L"&Invert the checks");
            POINT at{};
            GetCursorPos(&at);
            const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, dialog_, nullptr);
            DestroyMenu(menu);
            if (chosen == ID_FILES_CHECK_ALL) setChecks(Checks::All);
            if (chosen == ID_FILES_CHECK_NONE) setChecks(Checks::None);
            if (chosen == ID_FILES_CHECK_INVERT) setChecks(Checks::Invert);
            return true;
        }
    }
    return false;
}

}  // namespace ui
