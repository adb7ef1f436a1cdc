#include "ui/app/main_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "core/app/association.h"
#include "core/app/rename_job.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/persist/braxen_exception.h"
#include "core/persist/filter_archive.h"
#include "core/rules/filter_kinds.h"
#include "core/session/find_files.h"
#include "core/session/rename_run.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/utf8.h"
#include "platform/win32/wide.h"
#include "ui/app/help.h"
#include "ui/app/options_about.h"
#include "ui/app/resource.h"
#include "ui/controls/dpi.h"
#include "ui/controls/folder_picker.h"
#include "ui/controls/messages.h"
#include "ui/filterui/filter_editing.h"
#include "ui/filterui/filter_files.h"
#include "ui/filterui/plugin_filters.h"
#include "ui/session/preview_dialog.h"
#include "ui/session/session_dialogs.h"
#include "ui/undo/undo_dialogs.h"

namespace ui {

using platform::win32::narrow;
using platform::win32::widen;

namespace {

// Posted to itself by the window as it opens: interrupted runs are recovered once it shows.
constexpr UINT kRecoverMessage = WM_APP + 15;
// Posted by the file list's worker when it has a list to show.
constexpr UINT kFileListMessage = WM_APP + 16;
constexpr UINT_PTR kListingTimer = 2;
constexpr UINT kListingIntervalMs = 100;

// 12345 as "12,345".
std::string grouped(std::size_t number) {
    std::string digits = std::to_string(number);
    for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}

constexpr const char* kAllMusicPattern = "*.mp3;*.flac;*.ogg;*.opus;*.m4a;*.wma";
const char* const kPatterns[] = {"*.mp2", "*.mp3",  "*.mpeg", "*.mpg", "*.mp3;*.mp2",    "*.flac",
                                 "*.ogg", "*.opus", "*.m4a",  "*.wma", kAllMusicPattern, "*.*"};
// What a first start offers, so that Preview and Rename work once a folder and a filter are chosen.
constexpr const char* kFirstPattern = "*.mp3";

std::string comboEntry(HWND combo, int index) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return std::string();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return narrow(text);
}

bool isFolder(const std::string& path) {
    const DWORD attributes = GetFileAttributesW(widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool endsWithRen(const std::string& path) {
    return path.size() >= 4 &&
           CompareStringOrdinal(widen(path.substr(path.size() - 4)).c_str(), -1, L".ren", -1, TRUE) == CSTR_EQUAL;
}

// The folder part of a path, with its separator, and the name after it.
std::pair<std::string, std::string> splitPath(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return {std::string(), path};
    return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

std::string droppedFilesPattern(const std::vector<std::string>& names) {
    std::string pattern;
    for (std::string name : names) {
        // The pattern list is split at semicolons; "?" stands for one in a name.
        std::replace(name.begin(), name.end(), ';', '?');
        pattern += (pattern.empty() ? "" : ";") + name;
    }
    return pattern;
}

}  // namespace

void MessageBoxReporter::criticalError(const std::string& text) {
    showCriticalError(text);
}

void KeptReporter::criticalError(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    texts_.push_back(text);
}

std::string KeptReporter::take() {
    std::vector<std::string> texts;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        texts.swap(texts_);
    }
    if (texts.empty()) return std::string();
    std::string text = texts.front();
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    if (texts.size() > 1) text += " (" + std::to_string(texts.size() - 1) + " more like it)";
    return text;
}

MainDialog::MainDialog(std::string commandLine, core::AppContext& context)
    : UI_dialog(IDD_MAIN, nullptr),
      commandLine_(std::move(commandLine)),
      context_(context),
      settings_(context.settings()),
      listService_([this] { PostMessageW(hwnd(), kFileListMessage, 0, 0); }) {
    onCommand(ID_FILES_CHECK_ALL, [this] { files_.setChecks(PlanListView::Checks::All); });
    onCommand(ID_FILES_CHECK_NONE, [this] { files_.setChecks(PlanListView::Checks::None); });
    onCommand(ID_FILES_CHECK_INVERT, [this] { files_.setChecks(PlanListView::Checks::Invert); });
    onCommand(IDC_BROWSE, [this] { browse(); });
    onCommand(IDC_RENAME, [this] { rename(); });
    onCommand(IDC_PREVIEW, [this] { preview(); });
    onCommand(IDC_DELETE, [this] { deleteFilter(); });
    onCommand(IDC_EDIT, [this] { editSelectedFilter(); });
    onCommand(IDC_LOAD, [this] { load(); });
    onCommand(IDC_UNDO, [this] {
        // A run that died since the start is listed too, and those whose folder is away now.
        UndoDialog dialog(hwnd(), plugins(), context_.paths(), recoverInterruptedRuns());
        dialog.doModal();
        updateFileList(true);  // an undo moves files back
    });
    for (int command = ID_ADD_APPEND; command <= ID_ADD_NUMBER; ++command) {
        onCommand(command, [this, command] { addFilter(command); });
    }
    onCommand(ID_ADD_COUNTER, [this] { addFilter(ID_ADD_COUNTER); });
    onCommand(ID_ADD_CLEANUP, [this] { addFilter(ID_ADD_CLEANUP); });
    onCommand(IDC_SAVE, [this] { saveAs(); });
    onCommand(IDC_HELP_BUTTON, [this] { showHelp(hwnd(), context_.paths().programFolder); });
    onCommand(ID_MENU_HELP, [this] { showHelp(hwnd(), context_.paths().programFolder); });
    onCommand(ID_MENU_OPTIONS, [this] { options(); });
    onCommand(ID_MENU_ABOUT, [this] { about(); });
    const auto canRun = [this] {
        return !text(IDC_FOLDER).empty() && !text(IDC_PATTERN).empty() && filters_.size() > 0;
    };
    onUpdate(IDC_RENAME, canRun);
    onUpdate(IDC_PREVIEW, canRun);
    onCommand(ID_MOVE_UP, [this] { filterList_.moveSelection(-1); });
    onCommand(ID_MOVE_DOWN, [this] { filterList_.moveSelection(1); });
    onUpdate(ID_MOVE_UP, [this] { return filterList_.canMoveSelection(-1); });
    onUpdate(ID_MOVE_DOWN, [this] { return filterList_.canMoveSelection(1); });
    onUpdate(IDC_DELETE, [this] { return filterList_.selection() >= 0; });
    onUpdate(IDC_EDIT, [this] { return filterList_.selection() >= 0; });
    onUpdate(IDC_ADD, [] { return true; });
}

bool MainDialog::hasCommandHandler(int id) const {
    // Every plug-in item that can exist has a handler; beyond ID_PLUGIN_LAST none has.
    return (id >= ID_PLUGIN_FIRST && id <= ID_PLUGIN_LAST) || UI_dialog::hasCommandHandler(id);
}

bool MainDialog::onCommandRange(int id) {
    if (id >= ID_PLUGIN_FIRST && id <= ID_PLUGIN_LAST) {
        addPluginFilter(id);
        return true;
    }
    return false;
}

void MainDialog::addFilter(int command) {
    core::Rule rule;
    rule.type = ruleTypeOfAddCommand(command);
    if (editBuiltInFilter(hwnd(), rule, true, settings_, firstFilePath())) addRuleToList(std::move(rule));
}

void MainDialog::onInitDialog() {
    setMainWindow(hwnd());
    initSystemMenu();
    files_.attach(hwnd(), IDC_FILES_LIST, true);  // before the layout, which stretches the last column
    files_.onToggle = [this](const std::vector<std::size_t>& rows) { toggleChecks(rows); };
    initLayout();
    splitter_.attach(hwnd(), IDC_SPLITTER);
    splitter_.onDragStart = [this] { splitAtDragStart_ = layout.split(); };
    splitter_.onDrag = [this](int moved) { moveSplit(splitAtDragStart_ + moved); };

    addButton_.attach(hwnd(), IDC_ADD);
    addButton_.setMenu(IDR_MENU, 0);
    filterList_.attach(hwnd(), IDC_FILTERS, filters_);
    SendDlgItemMessageW(hwnd(), IDC_FOLDER, CB_LIMITTEXT, 260, 0);
    SendDlgItemMessageW(hwnd(), IDC_PATTERN, CB_LIMITTEXT, core::Settings::kMaxPatternLength, 0);
    for (const char* pattern : kPatterns) {
        SendDlgItemMessageW(hwnd(), IDC_PATTERN, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(pattern).c_str()));
    }

    applySettings();
    // Once the window shows: it stays painted while the files of a big interrupted run go back.
    PostMessageW(hwnd(), kRecoverMessage, 0, 0);
    if (!commandLine_.empty()) openPath(commandLine_);
    DragAcceptFiles(hwnd(), TRUE);
}

std::vector<core::WaitingJournal> MainDialog::recoverInterruptedRuns() {
    // The Undo dialog lists what was recovered, and the journals kept for folders away now; only
    // a journal that could not be recovered, or was set aside, is told now.
    core::JournalRecovery recovery;
    // Putting back the files of a big interrupted run takes a while.
    runAwayFromWindow(hwnd(), [&] { recovery = context_.recoverInterruptedRuns(); });
    for (const std::string& problem : recovery.problems) showCriticalError(problem);
    for (const std::string& setAside : recovery.setAside) showCriticalError(setAside);
    return std::move(recovery.waiting);
}

void MainDialog::initSystemMenu() {
    HMENU menu = GetSystemMenu(hwnd(), FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_OPTIONS, L"&Options...");
    AppendMenuW(menu, MF_STRING, IDM_ABOUT, L"&About...");
}

void MainDialog::moveSplit(int split) {
    // The filters never get narrower than the template made them, and the list keeps room for
    // its names.
    RECT list{}, least{0, 0, 150, 0};
    GetWindowRect(item(IDC_FILES_LIST), &list);
    MapDialogRect(hwnd(), &least);
    const int most = std::max(0, layout.split() + static_cast<int>(list.right - list.left - least.right));
    layout.setSplit(std::clamp(split, 0, most));
    layout.apply();
}

void MainDialog::initLayout() {
    using L = AnchorLayout;
    // The options and filters keep their width; the file list takes the room the window gains.
    // The splitter between them gives the filters room from the list.
    layout.capture(hwnd(), {{IDC_FOLDER, L::SplitGrow},
                            {IDC_BROWSE, L::SplitMove},
                            {IDC_FILTERS_GROUP, L::GrowDown | L::SplitGrow},
                            {IDC_FILTERS, L::GrowDown | L::SplitGrow},
                            {IDC_ADD, L::SplitMove},
                            {IDC_EDIT, L::SplitMove},
                            {IDC_DELETE, L::SplitMove},
                            {IDC_LOAD, L::SplitMove},
                            {IDC_SAVE, L::SplitMove},
                            {IDC_FILTERS_HINT, L::MoveDown | L::SplitGrow},
                            {IDC_UNDO_GROUP, L::MoveDown | L::SplitGrow},
                            {IDC_UNDO_HINT, L::MoveDown | L::SplitGrow},
                            {IDC_UNDO, L::MoveDown | L::SplitMove},
                            {IDC_HELP_BUTTON, L::MoveDown},
                            {IDC_SPLITTER, L::GrowDown | L::SplitMove},
                            {IDC_FILES_LABEL, L::GrowRight | L::SplitFollowLeft},
                            {IDC_FILES_LIST, L::Grow | L::SplitFollowLeft},
                            {IDC_FILES_COUNTS, L::MoveDown | L::GrowRight | L::SplitFollowLeft},
                            {IDC_PREVIEW, L::MoveCorner},
                            {IDC_RENAME, L::MoveCorner},
                            {IDCANCEL, L::MoveCorner}});
    addTooltips({
        {IDC_FOLDER, "The folder whose files are renamed; the last ones used are in the list."},
        {IDC_BROWSE, "Choose the folder."},
        {IDC_PATTERN, "Which files are renamed: *.mp3, or several patterns separated by semicolons."},
        {IDC_RECURSE, "Rename the matching files in the folders inside the folder too."},
        {IDC_UNDO_ON, "Record each run so that it can be undone later."},
        {IDC_CONFIRM_ON, "Show each new name and ask before the file is renamed."},
        {IDC_ADD, "Add a filter to the end of the list."},
        {IDC_EDIT, "Change the selected filter."},
        {IDC_DELETE, "Remove the selected filter."},
        {IDC_LOAD, "Replace the filters with those of a .ren filter file."},
        {IDC_SAVE, "Save the filters to a .ren filter file."},
        {IDC_UNDO, "List the recorded runs and undo one of them."},
        {IDC_PREVIEW, "Show every file's new name before renaming anything."},
        {IDC_RENAME, "Rename the matching files with the filters."},
        {IDCANCEL, "Close the program; its settings are kept."},
        {IDC_HELP_BUTTON, "Open the help page (F1); the arrow offers Options and About."},
        {IDC_FILES_COUNTS, nullptr},
    });
}

void MainDialog::onDpiChanged(UINT dpi) {
    addButton_.loadArrows(dpi);
}

void MainDialog::applySettings() {
    setChecked(IDC_CONFIRM_ON, settings_.confirm == 1);
    setChecked(IDC_RECURSE, settings_.recurse == 1);
    setChecked(IDC_UNDO_ON, settings_.undo == 1);
    setText(IDC_PATTERN, settings_.mask.empty() ? std::string(kFirstPattern) : settings_.mask);
    // The folders in effect are what the settings keep, and what is saved at close.
    settings_.pluginsdir = context_.pluginsFolder();
    // Older versions started the filter-file dialogs in the program's folder, which a user cannot
    // write to; that is no folder of theirs to come back to.
    if (settings_.lastdir == context_.paths().programFolder) settings_.lastdir.clear();

    context_.scanPlugins(hwnd());
    buildPluginMenu();
    if (auto registry = platform::openUserClasses()) {
        core::applyFileAssociation(*registry, settings_.regfiletype != 0, platform::modulePath());
    }

    HWND folders = item(IDC_FOLDER);
    for (const std::string& path : settings_.path) {
        if (!path.empty()) SendMessageW(folders, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(path).c_str()));
    }
    if (SendMessageW(folders, CB_GETCOUNT, 0, 0) > 0) SendMessageW(folders, CB_SETCURSEL, 0, 0);
}

void MainDialog::buildPluginMenu() {
    appendPluginItems(addButton_.popup(), plugins());
}

void MainDialog::onCancel() {
    listService_.cancel();
    // The folders and options kept in the settings as they changed go as they are.
    settings_.confirm = isChecked(IDC_CONFIRM_ON) ? 1 : 0;
    settings_.recurse = isChecked(IDC_RECURSE) ? 1 : 0;
    settings_.undo = isChecked(IDC_UNDO_ON) ? 1 : 0;
    const std::string pattern = text(IDC_PATTERN);
    // A longer one (made by a drop of many files) serves this session only, so that the next start
    // never shows it cut.
    if (widen(pattern).size() <= core::Settings::kMaxPatternLength) settings_.mask = pattern;
    settings_.path = {};
    HWND folders = item(IDC_FOLDER);
    const int count = static_cast<int>(SendMessageW(folders, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count && i < static_cast<int>(settings_.path.size()); ++i)
        settings_.path[i] = comboEntry(folders, i);
    context_.saveSettings();
    endDialog(IDCANCEL);
}

bool MainDialog::onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == FilterListBox::dragListMessage()) {
        result = filterList_.onDragListMessage(*reinterpret_cast<const DRAGLISTINFO*>(lParam));
        return true;
    }
    switch (message) {
        case kFileListMessage:
            try {
                listService_.runPending();
            } catch (const std::exception& error) {
                showUnhandledError(error);
            }
            return true;
        case WM_TIMER:
            if (wParam != kListingTimer) return false;
            showListingProgress();
            return true;
        case kRecoverMessage:
            try {
                recoverInterruptedRuns();
            } catch (const std::exception& error) {
                showUnhandledError(error);
            }
            return true;
        case WM_DROPFILES:
            try {
                dropFiles(reinterpret_cast<HDROP>(wParam));
            } catch (const std::exception& error) {
                showUnhandledError(error);
            }
            return true;
        case WM_SYSCOMMAND:
            // Our own commands are below the system's, which all have the low bits clear.
            if (wParam == IDM_OPTIONS || wParam == IDM_ABOUT) {
                try {
                    wParam == IDM_OPTIONS ? options() : about();
                } catch (const std::exception& error) {
                    showUnhandledError(error);
                }
                return true;
            }
            return false;
        case WM_HELP:
            showHelp(hwnd(), context_.paths().programFolder);
            result = TRUE;
            return true;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (files_.onNotify(*header, result)) return true;
            if (header->idFrom != IDC_HELP_BUTTON || header->code != BCN_DROPDOWN) return false;
            showHelpMenu();
            return true;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDC_FILTERS && HIWORD(wParam) == LBN_DBLCLK) {
                try {
                    editSelectedFilter();
                } catch (const std::exception& error) {
                    showUnhandledError(error);
                }
                return true;
            }
            return false;
    }
    return false;
}

void MainDialog::options() {
    OptionsDialog dialog(hwnd());
    dialog.pluginsdir = settings_.pluginsdir;
    dialog.regfiletype = settings_.regfiletype != 0;
    dialog.limitUndo = settings_.limitUndo != 0;
    dialog.undoLimit = settings_.undoLimit;
    dialog.shortenNames = settings_.shortenNames != 0;
    dialog.tagOrder = settings_.tagOrder != 0;
    if (dialog.doModal() != IDOK) return;
    settings_.pluginsdir = dialog.pluginsdir;  // scanned at the next start
    settings_.regfiletype = dialog.regfiletype ? 1 : 0;
    settings_.limitUndo = dialog.limitUndo ? 1 : 0;
    settings_.undoLimit = dialog.undoLimit;
    settings_.shortenNames = dialog.shortenNames ? 1 : 0;
    settings_.tagOrder = dialog.tagOrder ? 1 : 0;  // the list follows at the next idle pass
    if (auto registry = platform::openUserClasses()) {
        core::applyFileAssociation(*registry, dialog.regfiletype, platform::modulePath());
    }
}

void MainDialog::about() {
    AboutDialog dialog(hwnd(), helpPagePath(context_.paths().programFolder));
    dialog.doModal();
}

void MainDialog::showHelpMenu() {
    const OwnedMenu menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MENU)));
    if (!menu) return;
    HMENU popup = GetSubMenu(menu.get(), 3);  // "Help": the help page, Options, About
    RECT button{};
    GetWindowRect(item(IDC_HELP_BUTTON), &button);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN, button.left, button.bottom, 0, hwnd(), nullptr);
}

// --- The filter list ---------------------------------------------------------------------------

void MainDialog::showFilters(int selected) {
    filterList_.refresh(selected);
}

void MainDialog::addRuleToList(core::Rule rule) {
    filters_.add(std::move(rule));
    showFilters(filterList_.selection());
}

void MainDialog::deleteFilter() {
    const int index = filterList_.selection();
    if (index < 0) return;
    filterList_.deleteLine(index);
    if (filters_.size() == 0) SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(IDC_ADD)), TRUE);
}

void MainDialog::editSelectedFilter() {
    const int index = filterList_.selection();
    if (!filters_.contains(index)) return;
    core::Rule rule = filters_.at(index);
    // Every kind the program knows, the Counter and Clean Up ones too, which came after the
    // plug-ins' type number.
    if (rule.type != core::Plugin && !core::filterKindOf(rule)) {
        showCriticalError(core::formatString(core::IDS_INVALID_FILTER, {std::int64_t{rule.type}}));
        return;
    }
    const bool accepted = rule.type == core::Plugin
                              ? editPluginFilter(plugins(), rule)
                              : editBuiltInFilter(hwnd(), rule, false, settings_, firstFilePath());
    if (!accepted) return;
    // At its place with its new description, and selected.
    filters_.replace(index, std::move(rule));
    showFilters(index);
}

void MainDialog::addPluginFilter(int commandId) {
    core::Rule rule;
    if (ui::addPluginFilter(plugins(), commandId, rule)) addRuleToList(std::move(rule));
}

// --- Folders and renaming ----------------------------------------------------------------------

void MainDialog::rememberFolder(const std::string& folder) {
    const std::string copy = platform::withSeparator(folder);
    HWND folders = item(IDC_FOLDER);
    const std::wstring wide = widen(copy);
    const int count = static_cast<int>(SendMessageW(folders, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const std::wstring entry = widen(comboEntry(folders, i));
        if (CompareStringOrdinal(entry.c_str(), -1, wide.c_str(), -1, TRUE) == CSTR_EQUAL) {
            SendMessageW(folders, CB_DELETESTRING, static_cast<WPARAM>(i), 0);
            SendMessageW(folders, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
            SendMessageW(folders, CB_SETCURSEL, 0, 0);
            return;
        }
    }
    // A new folder: first in the list, while the box keeps the text as typed.
    const std::wstring typed = widen(text(IDC_FOLDER));
    SendMessageW(folders, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(wide.c_str()));
    SetWindowTextW(folders, typed.c_str());
}

bool MainDialog::folderExists(const std::string& folder) {
    if (isFolder(folder)) return true;
    showError("The folder \"" + platform::displayName(folder) + "\" does not exist.");
    return false;
}

void MainDialog::setFolder(const std::string& folder) {
    setText(IDC_FOLDER, folder);
    SetFocus(item(IDC_FOLDER));
    SendDlgItemMessageW(hwnd(), IDC_FOLDER, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

void MainDialog::openPath(const std::string& path) {
    if (isFolder(path)) {
        setFolder(path);
    } else if (platform::fileExists(path) || endsWithRen(path)) {
        // A file, as the shell passes an opened .ren file: its filters, or why they cannot be read.
        loadFilters(path);
    } else {
        folderExists(path);  // says the folder does not exist
    }
}

void MainDialog::browse() {
    const std::string chosen = pickFolder(hwnd(), text(IDC_FOLDER), core::loadString(core::IDS_BROWSE_FOLDER));
    if (!chosen.empty()) setFolder(chosen);
}

void MainDialog::rename() {
    WaitCursor wait;
    const bool confirm = isChecked(IDC_CONFIRM_ON);
    const bool recurse = isChecked(IDC_RECURSE);
    bool undo = isChecked(IDC_UNDO_ON);
    const std::string folder = text(IDC_FOLDER);
    const std::string pattern = text(IDC_PATTERN);
    if (!folderExists(folder)) return;
    rememberFolder(folder);
    if (undo && !context_.paths().dataWritable) {
        // Never a run without a record unless the user agreed to it; once is enough to ask.
        if (!renameWithoutUndo_) {
            const std::string question = core::formatString(core::IDS_NO_PLACE_FOR_UNDO, {context_.paths().problem});
            if (showAppMessage(question, MB_YESNO | MB_ICONWARNING) != IDYES) return;
            renameWithoutUndo_ = true;
        }
        undo = false;
    }
    core::PreparedRename prepared;
    plugins();  // scanned here, on the window's thread, before the run needs them
    core::RenameRequest request{
        folder,    pattern, recurse, filters_.rules(), undo, confirm, false, unchecked_, settings_.shortenNames != 0,
        runOrder()};
    try {
        // A folder of a hundred thousand files, or one held by another run, takes a while.
        runAwayFromWindow(hwnd(), [&] { prepared = core::prepareRename(context_, std::move(request), reporter_); });
    } catch (const platform::FileError& error) {
        showCriticalError(error.message());
        return;
    }
    using Refusal = core::PreparedRename::Refusal;
    switch (prepared.refusal) {
        case Refusal::None:
            break;
        case Refusal::NoFolder:
            folderExists(folder);  // says so
            return;
        case Refusal::UndoFolderUnusable:
            // The records' folder is there but takes no file (a file in its place, no right to
            // write): the run would stop at its first file, so it does not start.
            showAppMessage("Undo information cannot be saved: " + prepared.why +
                               ".\n\nNothing was renamed. Make that folder usable, or turn undo off to rename "
                               "without it.",
                           MB_OK | MB_ICONSTOP);
            return;
        case Refusal::NoFiles: {
            std::string text = core::loadString(core::IDS_NO_FILES_FOUND);
            if (prepared.leftOut > 0) {
                text += "\r\n\r\n" + std::to_string(prepared.leftOut) +
                        (prepared.leftOut == 1 ? " file matches" : " files match") +
                        ", but read-only, hidden and system files are left alone.";
            }
            if (!prepared.unlisted.empty()) {
                text = "These folders could not be listed:\r\n" + core::folderProblemLines(prepared.unlisted) + "\r\n" +
                       text;
            }
            showError(text);
            return;
        }
        case Refusal::FoldersBusy:
        case Refusal::IntoUnusable:
            showAppMessage(prepared.why, MB_OK | MB_ICONSTOP);
            return;
    }
    core::RenameRun& run = *prepared.run;
    // An unattended run is checked first; the user may ask for the preview instead.
    const bool showPreview = showRun(hwnd(), run, confirm, !confirm) == RunEnd::ShowPreview;
    prepared.run.reset();  // its locks with it
    updateFileList(true);  // the files have their new names now
    if (showPreview) preview();
}

void MainDialog::preview() {
    const std::string folder = text(IDC_FOLDER);
    if (!folderExists(folder)) return;
    rememberFolder(folder);
    plugins();  // scanned here, on the window's thread, before the preview's worker needs them
    // The Preview lists the folder for itself, and the window lists it again once the Preview
    // closes: meanwhile the window's own list would only double what a big folder takes.
    listService_.cancel();
    listService_.wait();
    KillTimer(hwnd(), kListingTimer);
    listing_ = false;
    files_.show(nullptr);
    made_.reset();
    source_.forget();
    setText(IDC_FILES_COUNTS, "");
    PreviewDialog dialog(hwnd(),
                         PreviewRequest{&context_, filters_.rules(), folder, text(IDC_PATTERN), isChecked(IDC_RECURSE),
                                        isChecked(IDC_CONFIRM_ON), isChecked(IDC_UNDO_ON), unchecked_});
    dialog.doModal();
    updateFileList(true);  // a run from the preview renamed files
}

// --- The file list ------------------------------------------------------------------------------

core::RenameRequest MainDialog::listRequest() {
    return core::RenameRequest{text(IDC_FOLDER),
                               text(IDC_PATTERN),
                               isChecked(IDC_RECURSE),
                               filters_.rules(),
                               isChecked(IDC_UNDO_ON),
                               isChecked(IDC_CONFIRM_ON),
                               true,
                               unchecked_,
                               settings_.shortenNames != 0,
                               runOrder()};
}

core::AlbumOrder MainDialog::runOrder() const {
    return settings_.tagOrder ? core::AlbumOrder::Tags : core::AlbumOrder::Names;
}

std::string MainDialog::firstFilePath() const {
    const core::FileListPlan* list = files_.plan();
    if (!list || list->empty()) return std::string();
    const core::FileListPlan::Row first = (*list)[0];
    return first.file->folder() + first.file->name.str();
}

void MainDialog::onIdle() {
    updateFileList();
}

void MainDialog::updateFileList(bool relist) {
    core::RenameRequest request = listRequest();
    const bool same = listAsked_ && request.folder == shown_.folder && request.patterns == shown_.patterns &&
                      request.recurse == shown_.recurse && request.rules == shown_.rules &&
                      request.unchecked == shown_.unchecked && request.confirm == shown_.confirm &&
                      request.shorten == shown_.shorten && request.order == shown_.order;
    if (same && !relist) return;
    shown_ = request;
    listAsked_ = true;
    // A list for what the boxes said a moment ago is of no use now.
    listService_.cancel();
    listService_.wait();
    KillTimer(hwnd(), kListingTimer);
    listing_ = false;
    if (request.folder.empty() || request.patterns.empty() || !isFolder(request.folder)) {
        files_.show(nullptr);
        setText(IDC_FILES_COUNTS, request.folder.empty() || request.patterns.empty()
                                      ? "Choose a folder and a pattern to see the files."
                                      : "The folder does not exist.");
        return;
    }
    plugins();  // scanned here, on the window's thread, before the worker needs them
    found_ = 0;
    listing_ = true;
    SetTimer(hwnd(), kListingTimer, kListingIntervalMs, nullptr);
    listService_.start(
        [this, request = std::move(request), relist] {
            made_.reset();
            listError_.clear();
            try {
                made_ = source_.make(
                    context_, request, listReporter_,
                    [this](std::size_t found) {
                        found_ = found;
                        return !listService_.cancelled();
                    },
                    [this](std::size_t, std::size_t) { return !listService_.cancelled(); }, relist,
                    [this](std::vector<core::EarlyRow> rows) {
                        // A big folder shows its first rows while the rest is listed.
                        listService_.post([this, rows = std::move(rows)]() mutable {
                            files_.setBaseFolder(platform::withSeparator(shown_.folder));
                            files_.showEarly(std::move(rows));
                        });
                    });
            } catch (const std::exception& error) {
                listError_ = error.what();
            }
        },
        [this] { showFileList(); });
}

void MainDialog::showListingProgress() {
    if (!listing_) return;
    const std::size_t found = found_;
    setText(IDC_FILES_COUNTS, found == 0 ? std::string("Listing...")
                                         : "Listing... " + grouped(found) + (found == 1 ? " file" : " files"));
}

void MainDialog::showFileList() {
    KillTimer(hwnd(), kListingTimer);
    listing_ = false;
    if (!listError_.empty()) {
        files_.show(nullptr);
        setText(IDC_FILES_COUNTS, "The files could not be listed: " + listError_);
        return;
    }
    if (!made_) return;  // stopped for a newer list
    std::shared_ptr<const core::FileListPlan> list = std::move(made_);
    files_.setBaseFolder(platform::withSeparator(shown_.folder));
    files_.show(list);
    std::string text = list->empty() ? core::loadString(core::IDS_NO_FILES_FOUND) : list->summary();
    if (!list->unlisted().empty()) {
        text += "; " + std::to_string(list->unlisted().size()) +
                (list->unlisted().size() == 1 ? " folder" : " folders") + " could not be listed";
    }
    if (!list->plan().uncheckedFolders().empty()) text += "; some names on disk could not be checked";
    if (const std::string reported = listReporter_.take(); !reported.empty()) text += ". " + reported;
    setText(IDC_FILES_COUNTS, text);
}

void MainDialog::toggleChecks(const std::vector<std::size_t>& rows) {
    const core::FileListPlan* list = files_.plan();
    if (!list) return;
    for (std::size_t row : rows) {
        const core::FileListPlan::Row line = (*list)[row];
        std::string path = line.file->folder();
        path.append(line.file->name.view());
        if (!unchecked_.erase(path)) unchecked_.insert(std::move(path));
    }
    updateFileList();  // the plan of the checked files, without listing the disk again
}

// --- Filter files ------------------------------------------------------------------------------

void MainDialog::loadFilters(const std::string& path) {
    core::RuleList rules = filters_.rules();
    loadFilterFile(plugins(), path, rules);
    // Also after a failure: a missing plug-in halfway leaves the filters before it.
    filters_.assign(std::move(rules));
    showFilters(-1);
}

void MainDialog::load() {
    const std::string path = askFilterFileToLoad(hwnd(), filterFileFolder(settings_.lastdir));
    if (path.empty()) return;
    WaitCursor wait;
    loadFilters(path);
    settings_.lastdir = splitPath(path).first;  // the next Load or Save as starts there
}

void MainDialog::saveAs() {
    const std::string path = askFilterFileToSave(hwnd(), filterFileFolder(settings_.lastdir));
    if (path.empty()) return;
    WaitCursor wait;
    if (saveFilterFile(path, filters_.rules())) settings_.lastdir = splitPath(path).first;
}

void MainDialog::dropFiles(HDROP drop) {
    WaitCursor wait;
    std::vector<std::string> paths;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // Asked for its length first: a file deep in a folder tree has a path of any length.
        std::wstring path(DragQueryFileW(drop, i, nullptr, 0), L'\0');
        const UINT length = path.empty() ? 0 : DragQueryFileW(drop, i, path.data(), static_cast<UINT>(path.size() + 1));
        path.resize(length);
        if (length > 0) paths.push_back(narrow(path));
    }
    DragFinish(drop);
    if (paths.empty()) return;
    // Filter files: the first one's filters. A folder among music files is the folder to work on.
    if (std::all_of(paths.begin(), paths.end(),
                    [](const std::string& path) { return endsWithRen(path) && !isFolder(path); })) {
        return loadFilters(paths[0]);
    }
    for (const std::string& path : paths) {
        if (isFolder(path)) return setFolder(path);
    }
    // Files: their folder, and a pattern naming those of them that are in it.
    const std::string folder = splitPath(paths[0]).first;
    std::vector<std::string> names;
    for (const std::string& path : paths) {
        const auto [parent, name] = splitPath(path);
        if (parent == folder) names.push_back(name);
    }
    setText(IDC_PATTERN, droppedFilesPattern(names));
    setFolder(folder);
}

}  // namespace ui
