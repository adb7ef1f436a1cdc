// Drives a real Windows program from a test, the way a person would: start it, find its windows
// by title, type into fields, click buttons, tick boxes, read and answer message boxes, and save
// screenshots. Windows (Wine) only; every wait is bounded so a hung dialog fails the test rather
// than the run.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace ui_testing {

constexpr DWORD kDefaultTimeoutMs = 15000;

class Program {
public:
    // Starts exePath with the given command-line tail, in workingFolder (empty: the exe's own).
    Program(const std::string& exePath, const std::string& arguments = std::string(),
            const std::string& workingFolder = std::string());
    ~Program();  // ends the program if it still runs
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool started() const { return process_ != nullptr; }
    DWORD startError() const { return startError_; }
    DWORD processId() const { return processId_; }
    HANDLE handle() const { return process_; }

    // The first visible top-level window of this program whose title is `title`; nullptr when
    // none appears in time.
    HWND waitForWindow(const std::string& title, DWORD timeoutMs = kDefaultTimeoutMs) const;

    // Waits for the program to end; false when it is still running after the timeout.
    bool waitForExit(DWORD timeoutMs = kDefaultTimeoutMs) const;
    DWORD exitCode() const;
    void kill();

    // Top-level windows of the program that are visible now.
    std::vector<HWND> windows() const;

private:
    HANDLE process_ = nullptr;
    DWORD processId_ = 0;
    DWORD startError_ = 0;
};

// The first visible top-level window of a process (this one, for dialogs a test opens itself)
// whose title is `title`; nullptr when none appears in time.
HWND waitForProcessWindow(DWORD processId, const std::string& title, DWORD timeoutMs = kDefaultTimeoutMs);

std::string windowText(HWND window);
std::string className(HWND window);

// Controls of a dialog, by id.
HWND control(HWND dialog, int id);
std::string controlText(HWND dialog, int id);
void setControlText(HWND dialog, int id, const std::string& text);
bool isChecked(HWND dialog, int id);
void setChecked(HWND dialog, int id, bool checked);
bool isEnabled(HWND dialog, int id);
// Clicks a button as the user would: the dialog gets BN_CLICKED. Posted, so a click that opens a
// modal dialog does not block the test.
void click(HWND dialog, int id);
// Picks a menu command of the dialog (or of a popup it owns).
void chooseCommand(HWND dialog, int commandId);
// A key pressed and released while the window has the focus (Escape, Enter, Delete...).
void pressKey(HWND window, WORD virtualKey);
// The window that has the keyboard focus in the thread that owns `window`.
HWND focusedWindow(HWND window);
// The window that holds the mouse capture in the thread that owns `window` (a drag under way).
HWND captureWindow(HWND window);
// Returns once the thread that owns `window` has finished the message it was handling.
void waitForHandled(HWND window);

// List and combo boxes.
int listCount(HWND dialog, int id);
std::string listText(HWND dialog, int id, int index);
int listSelection(HWND dialog, int id);
void setListSelection(HWND dialog, int id, int index);
std::vector<std::string> comboEntries(HWND dialog, int id);

// List views (report view), also another process's: a row count, a cell's text, the row with the
// focus (or -1), and a click on a column header.
int listViewCount(HWND dialog, int id);
std::string listViewText(HWND dialog, int id, int row, int column);
int listViewFocus(HWND dialog, int id);
void clickListViewColumn(HWND dialog, int id, int column);
// A double click on a row's text, without the button presses before it.
void doubleClickListViewRow(HWND dialog, int id, int row);
// Where a cell's text is drawn, in screen coordinates (empty when the cell is not there).
RECT listViewCellRect(HWND dialog, int id, int row, int column);
// The text of the tooltip of `window` showing now, or empty when none shows.
std::string shownTip(HWND window);
// Characters typed into a window, as WM_CHAR messages.
void typeText(HWND window, const std::string& text);

// Runs a console program to its end and gives what it wrote to standard output; the exit code
// goes to `exitCode`.
std::string programOutput(const std::string& exePath, const std::string& arguments, DWORD* exitCode = nullptr,
                          DWORD timeoutMs = kDefaultTimeoutMs);

// Answers a file-open or file-save dialog titled `title`: types the path and presses its OK.
bool answerFileDialog(const Program& program, const std::string& title, const std::string& path,
                      DWORD timeoutMs = kDefaultTimeoutMs);

// A message box is a dialog whose text is in static 0xFFFF.
HWND waitForMessageBox(const Program& program, const std::string& title, DWORD timeoutMs = kDefaultTimeoutMs);
// The same in a process given by its id (this one, for dialogs a test runs itself).
HWND waitForProcessMessageBox(DWORD processId, const std::string& title, DWORD timeoutMs = kDefaultTimeoutMs);
std::string messageBoxText(HWND box);
void pressMessageBoxButton(HWND box, int buttonId);

// The popup menu window that is open now (any process), or nullptr when none opens in time.
HWND waitForMenuWindow(DWORD timeoutMs = kDefaultTimeoutMs);

// Saves what the window shows on screen as a PNG. False when it could not be captured.
bool saveScreenshot(HWND window, const std::string& pngPath);
// The same for an area of the screen (a window with a popup of its own over its edge).
bool saveScreenshot(const RECT& area, const std::string& pngPath);

// Moves the real pointer to a screen point, pressing or releasing buttons on the way
// (MOUSEEVENTF_LEFTDOWN...), and returns once it is there; false when it did not get there.
bool movePointer(POINT at, DWORD buttons = 0);

// Lets the program under test catch up: pumps our own queue and sleeps a little.
void settle(DWORD ms = 200);

// Waits until predicate() is true, checking every 50 ms; false on timeout.
template <typename Predicate>
bool waitUntil(Predicate predicate, DWORD timeoutMs = kDefaultTimeoutMs) {
    const DWORD start = GetTickCount();
    while (!predicate()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(50);
    }
    return true;
}

// The folder of the running test program, ending with a backslash.
std::string testProgramFolder();

}  // namespace ui_testing
