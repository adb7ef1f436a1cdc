// The message boxes through which the program reports errors.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace ui {

// The program's title, which captions every message box that has no title of its own.
std::string appTitle();

// "Error" with the exclamation icon, owned by the window that has the focus (or the main window).
void showError(const std::string& text);
// "Critical Error" with the stop icon.
void showCriticalError(const std::string& text);
// IDS_INVALID_FILENAME with the nine characters Windows refuses in a file name.
void showInvalidFilenameError();
// A message box captioned with the program's title.
int showAppMessage(const std::string& text, UINT flags);

// The handler for errors no command caught (a file that could not be opened, written, moved or
// deleted): the error's own text under the program's title with the stop icon. The program goes
// on.
void showUnhandledError(const std::exception& error);

// The main window, owner of boxes shown while no window has the focus.
void setMainWindow(HWND window);
HWND mainWindow();

}  // namespace ui
