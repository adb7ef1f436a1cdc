#include "ui/controls/zel_dialog.h"

#include <commctrl.h>

#include <exception>
#include <memory>
#include <optional>
#include <thread>

#include "platform/win32/wide.h"
#include "ui/app/resource.h"
#include "ui/controls/dpi.h"
#include "ui/controls/messages.h"
#include "ui/controls/subclassed_control.h"
#include "ui/controls/text_limit.h"

namespace ui {

using platform::win32::narrow;
using platform::win32::widen;

ZelDialog::ZelDialog(int resourceId, HWND parent) : resourceId_(resourceId), parent_(parent) {}

ZelDialog::~ZelDialog() {
    if (hwnd_) DestroyWindow(hwnd_);
}

INT_PTR ZelDialog::doModal() {
    HWND owner = parent_ ? GetAncestor(parent_, GA_ROOT) : nullptr;
    const bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    hwnd_ = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId_), owner, dialogProc,
                               reinterpret_cast<LPARAM>(this));
    if (!hwnd_) return -1;
    if (ownerWasEnabled) EnableWindow(owner, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    bool idle = true;
    MSG message;
    while (!ended_) {
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
            // The queue is empty: the moment to bring every control's enabled state up to date.
            if (idle && IsWindowVisible(hwnd_)) updateControls();
            idle = false;
            WaitMessage();
            continue;
        }
        if (!GetMessageW(&message, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        if (!IsDialogMessageW(hwnd_, &message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        idle = true;
    }
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    HWND window = hwnd_;
    hwnd_ = nullptr;
    DestroyWindow(window);
    if (owner) SetActiveWindow(owner);
    return result_;
}

void ZelDialog::endDialog(INT_PTR result) {
    result_ = result;
    ended_ = true;
    PostMessageW(hwnd_, WM_NULL, 0, 0);  // wake the loop
}

bool ZelDialog::hasCommandHandler(int id) const {
    return commands_.count(id) != 0 || id == IDOK || id == IDCANCEL;
}

int ZelDialog::updateState(int id, bool isButtonOrMenuItem) const {
    const auto update = updates_.find(id);
    if (update != updates_.end()) return update->second() ? 1 : 0;
    if (autoDisable && isButtonOrMenuItem) return hasCommandHandler(id) ? 1 : 0;
    return -1;
}

void ZelDialog::updateControls() {
    if (!hwnd_) return;
    onIdle();
    HWND focus = GetFocus();
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const int id = GetDlgCtrlID(child);
        wchar_t className[32] = {};
        GetClassNameW(child, className, 32);
        const LONG style = GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
        const bool pushButton = lstrcmpiW(className, L"Button") == 0 &&
                                (style == BS_PUSHBUTTON || style == BS_DEFPUSHBUTTON || style == BS_OWNERDRAW);
        const int state = updateState(id, pushButton);
        if (state >= 0 && (IsWindowEnabled(child) != FALSE) != (state == 1)) EnableWindow(child, state == 1);
    }
    if (focus ? focus == hwnd_ || IsChild(hwnd_, focus) : GetActiveWindow() == hwnd_) keepKeyboardFocus(focus);
}

void ZelDialog::keepKeyboardFocus(HWND had) {
    HWND now = GetFocus();
    if (now && IsWindowEnabled(now)) return;
    // The control it had may be a combo box's edit field: the control is the dialog's child.
    HWND control = had;
    while (control && GetParent(control) != hwnd_) control = GetParent(control);
    HWND next = GetNextDlgTabItem(hwnd_, control, FALSE);
    if (next && IsWindowEnabled(next)) SendMessageW(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
}

void ZelDialog::loadIcons() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto load = [&](int width, int height) {
        return OwnedIcon(
            static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON,
                                          systemMetricForDpi(width, dpi_), systemMetricForDpi(height, dpi_), 0)));
    };
    OwnedIcon icon = load(SM_CXICON, SM_CYICON), smallIcon = load(SM_CXSMICON, SM_CYSMICON);
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.get()));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.get()));
    // The window shows the new ones now; the old ones can go.
    icon_ = std::move(icon);
    smallIcon_ = std::move(smallIcon);
}

void ZelDialog::addTooltips(std::initializer_list<std::pair<int, const char*>> tips) {
    if (!tooltips_) {
        tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
        if (!tooltips_) return;
        // Long texts wrap at about forty characters.
        SendMessageW(tooltips_, TTM_SETMAXTIPWIDTH, 0, scaledForDpi(300, dpi_));
    }
    for (const auto& [id, text] : tips) {
        HWND control = item(id);
        if (!control) continue;
        std::wstring wide = text ? widen(text) : std::wstring();
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd_;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = text ? wide.data() : LPSTR_TEXTCALLBACKW;
        SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        // A combo box's edit field is a window of its own that hides the combo box from the pointer.
        COMBOBOXINFO combo{};
        combo.cbSize = sizeof(combo);
        if (GetComboBoxInfo(control, &combo) && combo.hwndItem) {
            tool.uId = reinterpret_cast<UINT_PTR>(combo.hwndItem);
            SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
        }
    }
}

void ZelDialog::updatePopup(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        HMENU sub = GetSubMenu(menu, i);
        // A sub-menu follows its first item.
        const UINT id = sub ? GetMenuItemID(sub, 0) : GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1) || id >= 0xF000) continue;
        const int state = updateState(static_cast<int>(id), true);
        if (state >= 0) EnableMenuItem(menu, i, MF_BYPOSITION | (state == 1 ? MF_ENABLED : MF_GRAYED));
    }
}

void ZelDialog::dispatchCommand(int id, int code) {
    try {
        const auto handler = commands_.find(id);
        if (handler != commands_.end()) {
            handler->second();
        } else if (id == IDOK && (code == BN_CLICKED || code == 0 || code == 1)) {
            onOk();
        } else if (id == IDCANCEL) {
            onCancel();
        } else {
            onCommandRange(id);
        }
    } catch (const std::exception& error) {
        // Nothing a command does may end the program: tell the user and go on.
        showUnhandledError(error);
    }
}

bool ZelDialog::onMessage(UINT, WPARAM, LPARAM, LRESULT&) {
    return false;
}

INT_PTR ZelDialog::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (message == WM_SIZE && wParam != SIZE_MINIMIZED) layout.apply();
    if (message == WM_GETMINMAXINFO) layout.limit(*reinterpret_cast<MINMAXINFO*>(lParam));
    if (message == WM_NOTIFY && tooltips_ && reinterpret_cast<const NMHDR*>(lParam)->hwndFrom == tooltips_ &&
        reinterpret_cast<const NMHDR*>(lParam)->code == TTN_GETDISPINFOW) {
        // A tip that shows its control's text: the text as it is now.
        auto& info = *reinterpret_cast<NMTTDISPINFOW*>(lParam);
        HWND control = reinterpret_cast<HWND>(info.hdr.idFrom);
        const int length = GetWindowTextLengthW(control);
        tipText_.assign(static_cast<std::size_t>(length) + 1, L'\0');
        tipText_.resize(static_cast<std::size_t>(GetWindowTextW(control, tipText_.data(), length + 1)));
        info.lpszText = tipText_.data();
        return TRUE;
    }
    // Notifications meant for a control object go to it first (drawing, colours, clicks).
    if (message == WM_DRAWITEM || message == WM_CTLCOLORSTATIC || (message == WM_COMMAND && lParam != 0)) {
        HWND control = message == WM_DRAWITEM ? reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem
                                              : reinterpret_cast<HWND>(lParam);
        SubclassedControl* reflected = SubclassedControl::of(control);
        if (reflected && reflected->reflect(message, wParam, lParam, result)) {
            SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
            return message == WM_CTLCOLORSTATIC ? result : TRUE;
        }
    }
    if (onMessage(message, wParam, lParam, result)) {
        SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
        return message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN ? result : TRUE;
    }
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            const int code = HIWORD(wParam);
            // Control notifications other than clicks belong to onMessage; menus and buttons here.
            if (lParam == 0 || code == BN_CLICKED) dispatchCommand(id, code);
            return TRUE;
        }
        case WM_CLOSE:
            dispatchCommand(IDCANCEL, 0);
            return TRUE;
        case WM_INITMENUPOPUP:
            if (!HIWORD(lParam)) updatePopup(reinterpret_cast<HMENU>(wParam));
            return TRUE;
        case WM_DPICHANGED: {
            const UINT dpi = LOWORD(wParam);
            if (dpi == 0 || dpi == dpi_) return TRUE;
            std::vector<OwnedFont> fonts;
            layout.rescale(dpi_, dpi);
            rescaleDialog(hwnd_, dpi_, dpi, *reinterpret_cast<const RECT*>(lParam), fonts);
            scaledFonts_.swap(fonts);  // the old ones are no control's any more
            dpi_ = dpi;
            loadIcons();
            try {
                onDpiChanged(dpi);
            } catch (const std::exception& error) {
                showUnhandledError(error);
            }
            return TRUE;
        }
    }
    return FALSE;
}

INT_PTR CALLBACK ZelDialog::dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ZelDialog* self;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<ZelDialog*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        self->hwnd_ = window;
        self->dpi_ = windowDpi(window);
        takeOverDialogScaling(window);
        self->loadIcons();
        try {
            self->onInitDialog();
        } catch (const std::exception& error) {
            showUnhandledError(error);
        }
        self->updateControls();
        if (self->initialFocus) {
            SetFocus(self->initialFocus);
            return FALSE;
        }
        return TRUE;
    }
    self = reinterpret_cast<ZelDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    return self && self->hwnd_ ? self->handle(message, wParam, lParam) : FALSE;
}

void UI_dialog::setLimitText(int id, int bytes) {
    limitUtf8Bytes(item(id), bytes);
}

bool UI_dialog::isChecked(int id) const {
    return IsDlgButtonChecked(hwnd(), id) == BST_CHECKED;
}

void UI_dialog::setChecked(int id, bool checked) {
    CheckDlgButton(hwnd(), id, checked ? BST_CHECKED : BST_UNCHECKED);
}

std::string UI_dialog::text(int id) const {
    HWND control = item(id);
    const int length = GetWindowTextLengthW(control);
    std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
    buffer.resize(static_cast<std::size_t>(GetWindowTextW(control, buffer.data(), length + 1)));
    return narrow(buffer);
}

void UI_dialog::setText(int id, const std::string& text) {
    SetDlgItemTextW(hwnd(), id, widen(text).c_str());
}

void runAwayFromWindow(HWND window, const std::function<void()>& job) {
    const HANDLE finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!finished) return job();  // no event to be had: the window waits for it
    const std::unique_ptr<void, decltype(&CloseHandle)> event(finished, CloseHandle);
    // Disabled, the window still paints and moves, and no click starts a second job.
    const bool wasEnabled = !EnableWindow(window, FALSE);
    std::exception_ptr failed;
    std::thread worker([&] {
        try {
            job();
        } catch (...) {
            failed = std::current_exception();
        }
        SetEvent(finished);
    });
    std::optional<int> quit;
    // Waits on the event, not on a posted message: a message box of the job's runs a loop of its
    // own, which would take that message.
    while (MsgWaitForMultipleObjects(1, &finished, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = static_cast<int>(message.wParam);
                continue;
            }
            if (!IsDialogMessageW(window, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }
    worker.join();
    if (wasEnabled) EnableWindow(window, TRUE);
    if (quit) PostQuitMessage(*quit);
    if (failed) std::rethrow_exception(failed);
}

}  // namespace ui
