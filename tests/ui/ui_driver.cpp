#include "ui/ui_driver.h"

#include <commctrl.h>

#include <cstdlib>

#include "platform/files.h"
#include "platform/paths.h"
#include "platform/win32/wide.h"
#include "ui/controls/handles.h"
#include "ui/png_writer.h"

namespace ui_testing {
namespace {

using platform::win32::narrow;
using platform::win32::widen;

// Messages to another process's windows must never hang the test.
LRESULT sendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result);
    return static_cast<LRESULT>(result);
}

}  // namespace

Program::Program(const std::string& exePath, const std::string& arguments, const std::string& workingFolder) {
    std::wstring commandLine = L"\"" + widen(exePath) + L"\"";
    if (!arguments.empty()) commandLine += L" " + widen(arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    const std::wstring folder = widen(workingFolder);
    // Under a busy Wine a start can fail now and then; a person would simply try again.
    for (int attempt = 0; attempt < 3 && !process_; ++attempt) {
        if (attempt > 0) Sleep(500);
        std::wstring line = commandLine;
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
            CloseHandle(info.hThread);
            process_ = info.hProcess;
            processId_ = info.dwProcessId;
            WaitForInputIdle(process_, 10000);
        } else {
            startError_ = GetLastError();
        }
    }
}

Program::~Program() {
    kill();
    if (process_) CloseHandle(process_);
}

void Program::kill() {
    if (process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
}

bool Program::waitForExit(DWORD timeoutMs) const {
    return process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

DWORD Program::exitCode() const {
    DWORD code = STILL_ACTIVE;
    if (process_) GetExitCodeProcess(process_, &code);
    return code;
}

namespace {

std::vector<HWND> windowsOf(DWORD processId) {
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    } search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->processId && IsWindowVisible(window)) s->found.push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::vector<HWND> Program::windows() const {
    return windowsOf(processId_);
}

HWND waitForProcessWindow(DWORD processId, const std::string& title, DWORD timeoutMs) {
    HWND found = nullptr;
    waitUntil(
        [&] {
            for (HWND window : windowsOf(processId)) {
                if (windowText(window) == title) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

HWND Program::waitForWindow(const std::string& title, DWORD timeoutMs) const {
    return waitForProcessWindow(processId_, title, timeoutMs);
}

std::string windowText(HWND window) {
    if (!window) return std::string();
    const LRESULT length = sendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT got = sendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(got));
    return narrow(text);
}

std::string className(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return narrow(name);
}

HWND control(HWND dialog, int id) {
    return GetDlgItem(dialog, id);
}

std::string controlText(HWND dialog, int id) {
    return windowText(control(dialog, id));
}

void setControlText(HWND dialog, int id, const std::string& text) {
    const std::wstring wide = widen(text);
    sendWithTimeout(control(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    // Typing posts messages, and a dialog brings its buttons up to date once it has handled them.
    PostMessageW(dialog, WM_NULL, 0, 0);
}

bool isChecked(HWND dialog, int id) {
    return sendWithTimeout(control(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void setChecked(HWND dialog, int id, bool checked) {
    if (isChecked(dialog, id) != checked) click(dialog, id);
    waitUntil([&] { return isChecked(dialog, id) == checked; }, 2000);
}

bool isEnabled(HWND dialog, int id) {
    return IsWindowEnabled(control(dialog, id)) != FALSE;
}

void click(HWND dialog, int id) {
    HWND button = control(dialog, id);
    // BM_CLICK behaves like a real click: auto check boxes toggle and the dialog hears about it.
    if (button) {
        PostMessageW(button, BM_CLICK, 0, 0);
    } else {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
    }
}

void chooseCommand(HWND dialog, int commandId) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

void pressKey(HWND window, WORD virtualKey) {
    PostMessageW(window, WM_KEYDOWN, virtualKey, 1);
    PostMessageW(window, WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001u));
}

HWND focusedWindow(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    return GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
}

HWND captureWindow(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    return GetGUIThreadInfo(thread, &info) ? info.hwndCapture : nullptr;
}

void waitForHandled(HWND window) {
    // A sent message is taken only between two handled ones.
    sendWithTimeout(window, WM_NULL, 0, 0);
}

int listCount(HWND dialog, int id) {
    return static_cast<int>(sendWithTimeout(control(dialog, id), LB_GETCOUNT, 0, 0));
}

std::string listText(HWND dialog, int id, int index) {
    HWND list = control(dialog, id);
    const LRESULT length = sendWithTimeout(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) return std::string();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    sendWithTimeout(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return narrow(text);
}

int listSelection(HWND dialog, int id) {
    return static_cast<int>(sendWithTimeout(control(dialog, id), LB_GETCURSEL, 0, 0));
}

void setListSelection(HWND dialog, int id, int index) {
    sendWithTimeout(control(dialog, id), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageW(dialog, WM_NULL, 0, 0);
}

std::vector<std::string> comboEntries(HWND dialog, int id) {
    HWND combo = control(dialog, id);
    std::vector<std::string> entries;
    const int count = static_cast<int>(sendWithTimeout(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const LRESULT length = sendWithTimeout(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
        sendWithTimeout(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length < 0 ? 0 : length));
        entries.push_back(narrow(text));
    }
    return entries;
}

int listViewCount(HWND dialog, int id) {
    return static_cast<int>(sendWithTimeout(control(dialog, id), LVM_GETITEMCOUNT, 0, 0));
}

std::string listViewText(HWND dialog, int id, int row, int column) {
    // The list view writes the text into memory of its own process: lend it some there.
    HWND list = control(dialog, id);
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process) return std::string();
    constexpr std::size_t kChars = 1024;
    auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + kChars * sizeof(wchar_t),
                                                     MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    std::wstring text;
    if (remote) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iSubItem = column;
        item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
        item.cchTextMax = kChars;
        if (WriteProcessMemory(process, remote, &item, sizeof(item), nullptr)) {
            const LRESULT length =
                sendWithTimeout(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
            text.resize(static_cast<std::size_t>(length));
            if (!ReadProcessMemory(process, remote + sizeof(LVITEMW), text.data(), text.size() * sizeof(wchar_t),
                                   nullptr)) {
                text.clear();
            }
        }
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return narrow(text);
}

namespace {

// A list view's rectangle of `row` (LVM_GETITEMRECT, column -1) or of a cell (LVM_GETSUBITEMRECT),
// in the list's client coordinates; read in the list's own process.
bool listViewRect(HWND list, int row, int column, RECT& rect) {
    DWORD processId = 0;
    GetWindowThreadProcessId(list, &processId);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (!process) return false;
    rect = RECT{LVIR_LABEL, column < 0 ? 0 : column, 0, 0};
    void* remote = VirtualAllocEx(process, nullptr, sizeof(rect), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    const bool found = remote && WriteProcessMemory(process, remote, &rect, sizeof(rect), nullptr) &&
                       sendWithTimeout(list, column < 0 ? LVM_GETITEMRECT : LVM_GETSUBITEMRECT,
                                       static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote)) &&
                       ReadProcessMemory(process, remote, &rect, sizeof(rect), nullptr);
    if (remote) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return found;
}

}  // namespace

void doubleClickListViewRow(HWND dialog, int id, int row) {
    HWND list = control(dialog, id);
    RECT rect{};
    if (listViewRect(list, row, -1, rect)) {
        PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(rect.left + 2, (rect.top + rect.bottom) / 2));
        PostMessageW(list, WM_LBUTTONUP, 0, MAKELPARAM(rect.left + 2, (rect.top + rect.bottom) / 2));
    }
}

RECT listViewCellRect(HWND dialog, int id, int row, int column) {
    HWND list = control(dialog, id);
    RECT rect{};
    if (!listViewRect(list, row, column, rect)) return RECT{};
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::string shownTip(HWND window) {
    for (HWND tip = nullptr; (tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr));) {
        if (GetWindow(tip, GW_OWNER) != window || !IsWindowVisible(tip)) continue;
        wchar_t text[1024] = {};
        SendMessageTimeoutW(tip, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
        if (text[0]) return narrow(text);
    }
    return std::string();
}

int listViewFocus(HWND dialog, int id) {
    return static_cast<int>(
        sendWithTimeout(control(dialog, id), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

void clickListViewColumn(HWND dialog, int id, int column) {
    HWND list = control(dialog, id);
    HWND header = reinterpret_cast<HWND>(sendWithTimeout(list, LVM_GETHEADER, 0, 0));
    int x = 0;
    for (int i = 0; i < column; ++i) x += static_cast<int>(sendWithTimeout(list, LVM_GETCOLUMNWIDTH, i, 0));
    x += static_cast<int>(sendWithTimeout(list, LVM_GETCOLUMNWIDTH, column, 0)) / 2;
    const LPARAM at = MAKELPARAM(x, 5);
    PostMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(header, WM_LBUTTONUP, 0, at);
}

void typeText(HWND window, const std::string& text) {
    for (wchar_t c : widen(text)) PostMessageW(window, WM_CHAR, c, 1);
}

std::string programOutput(const std::string& exePath, const std::string& arguments, DWORD* exitCode, DWORD timeoutMs) {
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return std::string();
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    std::wstring line = L"\"" + widen(exePath) + L"\" " + widen(arguments);
    PROCESS_INFORMATION info{};
    const bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &info);
    CloseHandle(write);  // the child holds its own copy; reading ends when it closes it
    std::string output;
    if (started) {
        // Read what is there while the program runs, so a full pipe cannot stall it, and give up on
        // one that does not end in time.
        const DWORD start = GetTickCount();
        char buffer[4096];
        for (bool running = true; running;) {
            running = WaitForSingleObject(info.hProcess, 20) == WAIT_TIMEOUT && GetTickCount() - start < timeoutMs;
            DWORD waiting = 0, got = 0;
            while (PeekNamedPipe(read, nullptr, 0, nullptr, &waiting, nullptr) && waiting > 0 &&
                   ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0) {
                output.append(buffer, got);
            }
        }
        if (exitCode) GetExitCodeProcess(info.hProcess, exitCode);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    CloseHandle(read);
    return output;
}

bool answerFileDialog(const Program& program, const std::string& title, const std::string& path, DWORD timeoutMs) {
    HWND dialog = program.waitForWindow(title, timeoutMs);
    if (!dialog) return false;
    // The file name box: a combo box (1148) in the explorer-style dialog, an edit (1152) in older ones.
    HWND box = GetDlgItem(dialog, 1148);
    if (!box) box = GetDlgItem(dialog, 1152);
    if (!box) return false;
    const std::wstring wide = widen(path);
    sendWithTimeout(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    return true;
}

HWND waitForMessageBox(const Program& program, const std::string& title, DWORD timeoutMs) {
    return waitForProcessMessageBox(program.processId(), title, timeoutMs);
}

HWND waitForProcessMessageBox(DWORD processId, const std::string& title, DWORD timeoutMs) {
    HWND found = nullptr;
    waitUntil(
        [&] {
            for (HWND window : windowsOf(processId)) {
                if (className(window) == "#32770" && windowText(window) == title &&
                    GetDlgItem(window, 0xFFFF) != nullptr) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

std::string messageBoxText(HWND box) {
    return controlText(box, 0xFFFF);
}

void pressMessageBoxButton(HWND box, int buttonId) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, buttonId)));
}

HWND waitForMenuWindow(DWORD timeoutMs) {
    HWND found = nullptr;
    waitUntil(
        [&] {
            EnumWindows(
                [](HWND window, LPARAM data) -> BOOL {
                    if (!IsWindowVisible(window) || className(window) != "#32768") return TRUE;
                    *reinterpret_cast<HWND*>(data) = window;
                    return FALSE;
                },
                reinterpret_cast<LPARAM>(&found));
            return found != nullptr;
        },
        timeoutMs);
    return found;
}

bool saveScreenshot(HWND window, const std::string& pngPath) {
    RECT rect;
    if (!window || !GetWindowRect(window, &rect)) return false;
    SetForegroundWindow(window);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    settle(300);
    return saveScreenshot(rect, pngPath);
}

bool movePointer(POINT at, DWORD buttons) {
    const auto send = [&](DWORD flags) {
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dx = MulDiv(at.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
        input.mi.dy = MulDiv(at.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
        input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
        SendInput(1, &input, sizeof(input));
    };
    const auto there = [&] {
        POINT now{};
        return GetCursorPos(&now) && std::abs(now.x - at.x) <= 1 && std::abs(now.y - at.y) <= 1;
    };
    send(buttons);
    // The pointer counts as moved once it stays put for a moment: under a busy Wine a late event
    // from the X server can put it back where an earlier move left it, and a hand would simply
    // move it again (without pressing or letting go of a button twice).
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (!waitUntil(there, 3000)) return false;
        Sleep(30);
        if (there()) return true;
        send(0);
    }
    return false;
}

bool saveScreenshot(const RECT& rect, const std::string& pngPath) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;

    const ui::WindowDC screen(nullptr);
    const ui::OwnedMemoryDC memory(CreateCompatibleDC(screen.get()));
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    const ui::OwnedBitmap bitmap(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    bool ok = false;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory.get(), bitmap.get());
        // What a person sees: the screen where the window is.
        ok = BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY | CAPTUREBLT);
        SelectObject(memory.get(), old);
        if (ok) {
            const auto* p = static_cast<const std::uint32_t*>(bits);
            std::vector<std::uint32_t> pixels(p, p + static_cast<std::size_t>(width) * height);
            for (auto& pixel : pixels) pixel &= 0x00FFFFFF;
            try {
                writePng(pngPath, width, height, pixels);
            } catch (const platform::FileError&) {
                ok = false;
            }
        }
    }
    return ok;
}

void settle(DWORD ms) {
    const DWORD start = GetTickCount();
    MSG message;
    while (GetTickCount() - start < ms) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(20);
    }
}

std::string testProgramFolder() {
    return platform::GetModuleFolder();
}

}  // namespace ui_testing
