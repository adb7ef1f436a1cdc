// The filter list of the main dialog: one line per filter of a FilterList, which it shows and
// changes only through the list's own functions. The user
// reorders lines by drag and drop or with Alt+Up and Alt+Down, deletes one with the Delete key,
// and opens a context menu with Edit, Delete, Move up and Move down on a right click, Shift+F10
// or the menu key.
#pragma once

#include <windows.h>
// windows.h first: the other system headers build on it.
#include <commctrl.h>

#include "ui/controls/title_tip_list_box.h"
#include "ui/filterui/filter_list.h"

namespace ui {

class FilterListBox : public TitleTipListBox {
public:
    // The list outlives the control; the dialog owns both.
    void attach(HWND dialog, int id, FilterList& filters);

    // The drag-list notifications, which the platform sends to the dialog; the dialog hands them
    // over. Returns the value the notification expects.
    LRESULT onDragListMessage(const DRAGLISTINFO& info);
    // The registered message number of those notifications.
    static UINT dragListMessage();

    int count() const;
    int selection() const;
    // Shows the list as it is now, with line `selected` selected (-1: none), keeping the scroll
    // position where it can.
    void refresh(int selected);
    // Removes the filter and its line; selects the line before it (or the first).
    void deleteLine(int index);
    // Moves line `from` so that it lands before line `before` (the drop rule of the list).
    void moveLine(int from, int before);
    // Whether the selected line can move one place up (-1) or down (+1), and the move itself.
    bool canMoveSelection(int delta) const;
    void moveSelection(int delta);

protected:
    bool onListMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // At a point in client coordinates; from the keyboard, beside the selected line.
    void showContextMenu(POINT clientPoint);
    void showContextMenuFromKeyboard();

    FilterList* filters_ = nullptr;
    int dragged_ = -1;
};

}  // namespace ui
