// The dialog base of every dialog of the program. Controls and popup-menu items are enabled and
// disabled only by update handlers, asked whenever the dialog falls idle and whenever a popup
// menu opens, instead of by enable calls scattered through the commands.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ui/controls/anchor_layout.h"
#include "ui/controls/handles.h"

namespace ui {

class ZelDialog {
public:
    ZelDialog(int resourceId, HWND parent);
    virtual ~ZelDialog();
    ZelDialog(const ZelDialog&) = delete;
    ZelDialog& operator=(const ZelDialog&) = delete;

    // Runs the dialog modally: its owner is disabled meanwhile, and the dialog's own message loop
    // runs the update pass each time the queue empties. Returns the code given to endDialog.
    INT_PTR doModal();
    void endDialog(INT_PTR result);

    HWND hwnd() const { return hwnd_; }
    HWND item(int id) const { return GetDlgItem(hwnd_, id); }

    // The idle update pass: every child control and its update handler.
    void updateControls();

    // Push buttons and menu items with neither an update handler nor a command handler are
    // disabled by the update pass.
    bool autoDisable = true;

protected:
    // Called once the controls exist; the first update pass follows at once.
    virtual void onInitDialog() {}
    // Any message not handled by the base. Return true when handled (result in `result`).
    virtual bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // Cancel (Escape, the close box, a button with id 2); the default ends the dialog with 2.
    virtual void onCancel() { endDialog(IDCANCEL); }
    // OK (Enter, a button with id 1); the default ends the dialog with 1.
    virtual void onOk() { endDialog(IDOK); }
    // Whether a command has a handler, for commands handled outside the tables (ranges).
    virtual bool hasCommandHandler(int id) const;
    // After the dialog was laid out again for another display scale (its controls, fonts and
    // list columns already are): images and icons made for the old one are made again.
    virtual void onDpiChanged(UINT dpi) { (void)dpi; }
    // Each time the dialog's messages are all handled, before the controls are brought up to date.
    virtual void onIdle() {}
    // The display scale the dialog is laid out for.
    UINT dpi() const { return dpi_; }

    // Commands outside the tables; true when handled.
    virtual bool onCommandRange(int id) {
        (void)id;
        return false;
    }

    // Set by onInitDialog to give a control the focus instead of the first one.
    HWND initialFocus = nullptr;

    // How the controls follow the dialog's size; a dialog with a resizing frame captures it in
    // onInitDialog.
    AnchorLayout layout;

    // Tooltips for controls: each id with the text shown while the pointer rests on the control;
    // nullptr shows the control's own text whole, for a line too long for its place.
    void addTooltips(std::initializer_list<std::pair<int, const char*>> tips);

    void onCommand(int id, std::function<void()> handler) { commands_[id] = std::move(handler); }
    void onUpdate(int id, std::function<bool()> handler) { updates_[id] = std::move(handler); }

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR handle(UINT message, WPARAM wParam, LPARAM lParam);
    void dispatchCommand(int id, int code);
    void updatePopup(HMENU menu);
    void loadIcons();
    // After a control lost its enabled state with the focus in it: the focus goes on to the next
    // control that can take it, so that Tab, Escape and Enter keep working.
    void keepKeyboardFocus(HWND lost);
    // The update answer for an id: 1 enabled, 0 disabled, -1 leave as it is.
    int updateState(int id, bool isButtonOrMenuItem) const;

    int resourceId_;
    HWND parent_;
    HWND hwnd_ = nullptr;
    bool ended_ = false;
    INT_PTR result_ = IDCANCEL;
    std::map<int, std::function<void()>> commands_;
    std::map<int, std::function<bool()>> updates_;
    UINT dpi_ = 96;
    std::vector<OwnedFont> scaledFonts_;  // the fonts of the controls since the last scale change
    OwnedIcon icon_, smallIcon_;          // the program's, in the caption and the task switcher
    HWND tooltips_ = nullptr;             // destroyed with the dialog, which owns it
    std::wstring tipText_;                // the text a tooltip asked for last
};

// The application's dialog base, with the helpers every dialog uses.
class UI_dialog : public ZelDialog {
public:
    using ZelDialog::ZelDialog;

    // At most `bytes` bytes of UTF-8 in an edit field or a combo box's field: what fits the byte
    // slot the text is stored in.
    void setLimitText(int id, int bytes);
    bool isChecked(int id) const;
    void setChecked(int id, bool checked);

    std::string text(int id) const;
    void setText(int id, const std::string& text);
};

// Runs `job` on a thread of its own while `window` stays painted but takes no input, and returns
// when it is done; an exception the job throws comes out here. For work of unknown length before
// a dialog of its own can show (finding the files of a run, recovering interrupted runs): the
// window must not freeze while a big folder is listed. The job may show message boxes.
void runAwayFromWindow(HWND window, const std::function<void()>& job);

// The wait cursor, for as long as the object lives.
class WaitCursor {
public:
    WaitCursor() : previous_(SetCursor(LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { SetCursor(previous_); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR previous_;
};

}  // namespace ui
