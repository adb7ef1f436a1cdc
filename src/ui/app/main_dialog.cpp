#include "ui/app/main_dialog.h"

#include <commdlg.h>
#include <shlobj.h>

#include "core/app/association.h"
#include "core/app/settings.h"
#include "core/app/strings.h"
#include "core/persist/braxen_exception.h"
#include "core/persist/filter_archive.h"
#include "core/session/find_files.h"
#include "core/session/rename_run.h"
#include "platform/paths.h"
#include "platform/registry.h"
#include "platform/utf8.h"
#include "platform/win32/wide.h"
#include "ui/app/options_about.h"
#include "ui/app/resource.h"
#include "ui/controls/dpi.h"
#include "ui/controls/folder_picker.h"
#include "ui/controls/messages.h"
#include "ui/filterui/filter_editing.h"
#include "ui/session/preview_dialog.h"
#include "ui/session/session_dialogs.h"
#include "ui/undo/undo_dialogs.h"

namespace ui {

using platform::win32::narrow;
using platform::win32::widen;

namespace {

const char* const kPatterns[] = {"*.mp2", "*.mp3", "*.mpeg", "*.mpg", "*.mp3;*.mp2", "*.*"};
constexpr const wchar_t* kFilterFileTypes = L"Filter Definition File (*.ren)\0*.ren\0All Files (*.*)\0*.*\0\0";

std::string comboEntry(HWND combo, int index) {
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return std::string();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return narrow(text);
}

}  // namespace

void MessageBoxReporter::criticalError(const std::string& text) {
    showCriticalError(text);
}

MainDialog::MainDialog(std::string commandLine, core::AppContext& context)
    : UI_dialog(IDD_MAIN, nullptr),
      commandLine_(std::move(commandLine)),
      context_(context),
      settings_(context.settings()) {
    onCommand(IDC_BROWSE, [this] { browse(); });
    onCommand(IDC_RENAME, [this] { rename(); });
    onCommand(IDC_PREVIEW, [this] { preview(); });
    onCommand(IDC_DELETE, [this] { deleteFilter(); });
    onCommand(IDC_EDIT, [this] { editSelectedFilter(); });
    onCommand(IDC_LOAD, [this] { load(); });
    onCommand(IDC_UNDO, [this] {
        recoverInterruptedRuns(true);  // a run that died since the start is listed too
        UndoDialog dialog(hwnd(), plugins(), context_.paths());
        dialog.doModal();
    });
    for (int command = ID_ADD_APPEND; command <= ID_ADD_NUMBER; ++command) {
        onCommand(command, [this, command] { addFilter(command); });
    }
    onCommand(ID_ADD_COUNTER, [this] { addFilter(ID_ADD_COUNTER); });
    onCommand(IDC_SAVE, [this] { saveAs(); });
    const auto canRun = [this] { return !text(IDC_FOLDER).empty() && !text(IDC_PATTERN).empty() && filterCount() > 0; };
    onUpdate(IDC_RENAME, canRun);
    onUpdate(IDC_PREVIEW, canRun);
    onCommand(ID_MOVE_UP, [this] { filterList_.moveSelection(-1); });
    onCommand(ID_MOVE_DOWN, [this] { filterList_.moveSelection(1); });
    onUpdate(ID_MOVE_UP, [this] { return filterList_.canMoveSelection(-1); });
    onUpdate(ID_MOVE_DOWN, [this] { return filterList_.canMoveSelection(1); });
    onUpdate(IDC_DELETE, [this] { return selectedFilter() >= 0; });
    onUpdate(IDC_EDIT, [this] { return selectedFilter() >= 0; });
    onUpdate(IDC_ADD, [] { return true; });
}

bool MainDialog::hasCommandHandler(int id) const {
    // Every plug-in item that can exist has a handler; beyond 2200 none has.
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
    if (editBuiltInFilter(hwnd(), rule, true)) addRuleToList(rule);
}

void MainDialog::onInitDialog() {
    setMainWindow(hwnd());
    initSystemMenu();
    initLayout();

    addButton_.attach(hwnd(), IDC_ADD);
    addButton_.setMenu(IDR_MENU, 0);
    filterList_.attach(hwnd(), IDC_FILTERS);
    SendDlgItemMessageW(hwnd(), IDC_FOLDER, CB_LIMITTEXT, 260, 0);
    SendDlgItemMessageW(hwnd(), IDC_PATTERN, CB_LIMITTEXT, 20, 0);
    for (const char* pattern : kPatterns) {
        SendDlgItemMessageW(hwnd(), IDC_PATTERN, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(pattern).c_str()));
    }

    applySettings();
    recoverInterruptedRuns(false);
    if (!commandLine_.empty()) readWriteFilterFile(true, commandLine_);
    DragAcceptFiles(hwnd(), TRUE);
}

void MainDialog::recoverInterruptedRuns(bool tellWaiting) {
    // The Undo dialog lists what was recovered; only a journal that could not be, or was set
    // aside, is told now, and one whose folder is away when the user looks at the runs.
    const core::JournalRecovery recovery = context_.recoverInterruptedRuns();
    for (const std::string& problem : recovery.problems) showCriticalError(problem);
    for (const std::string& setAside : recovery.setAside) showCriticalError(setAside);
    if (!tellWaiting || recovery.waiting.empty()) return;
    std::string text =
        "The undo records of these interrupted runs are kept until their folder can be reached again; "
        "they are listed here then:\r\n";
    for (const core::WaitingJournal& waiting : recovery.waiting) text += "\r\n" + core::waitingDescription(waiting);
    showAppMessage(text, MB_OK | MB_ICONINFORMATION);
}

void MainDialog::initSystemMenu() {
    HMENU menu = GetSystemMenu(hwnd(), FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, IDM_OPTIONS, L"&Options...");
    AppendMenuW(menu, MF_STRING, IDM_ABOUT, L"&About...");
}

void MainDialog::initLayout() {
    using L = AnchorLayout;
    layout.capture(hwnd(), {{IDC_FOLDER, L::GrowRight},
                            {IDC_BROWSE, L::MoveRight},
                            {IDC_FILTERS_GROUP, L::Grow},
                            {IDC_FILTERS, L::Grow},
                            {IDC_ADD, L::MoveRight},
                            {IDC_EDIT, L::MoveRight},
                            {IDC_DELETE, L::MoveRight},
                            {IDC_LOAD, L::MoveRight},
                            {IDC_SAVE, L::MoveRight},
                            {IDC_FILTERS_HINT, L::MoveDown | L::GrowRight},
                            {IDC_UNDO_GROUP, L::MoveDown | L::GrowRight},
                            {IDC_UNDO_HINT, L::MoveDown | L::GrowRight},
                            {IDC_UNDO, L::MoveCorner},
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
    });
}

void MainDialog::onDpiChanged(UINT dpi) {
    addButton_.loadArrows(dpi);
}

void MainDialog::applySettings() {
    setChecked(IDC_CONFIRM_ON, settings_.confirm == 1);
    setChecked(IDC_RECURSE, settings_.recurse == 1);
    setChecked(IDC_UNDO_ON, settings_.undo == 1);
    if (!settings_.mask.empty()) setText(IDC_PATTERN, settings_.mask);
    // The folders in effect are what the settings keep, and what is saved at close.
    settings_.pluginsdir = context_.pluginsFolder();
    if (settings_.lastdir.empty()) settings_.lastdir = context_.paths().programFolder;

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
    HMENU menu = addButton_.popup();
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    if (plugins().entries().empty()) {
        // No handler serves it, so the menu refresh shows it greyed.
        AppendMenuW(menu, MF_STRING, ID_NO_PLUGINS, L"(no plugins)");
        return;
    }
    for (const core::PluginEntry& plugin : plugins().entries()) {
        AppendMenuW(menu, MF_STRING, static_cast<UINT_PTR>(plugin.commandId), widen(plugin.menuText).c_str());
    }
}

void MainDialog::onCancel() {
    clearFilterList();
    // The folders and options kept in the settings as they changed go as they are.
    settings_.confirm = isChecked(IDC_CONFIRM_ON) ? 1 : 0;
    settings_.recurse = isChecked(IDC_RECURSE) ? 1 : 0;
    settings_.undo = isChecked(IDC_UNDO_ON) ? 1 : 0;
    settings_.mask = text(IDC_PATTERN);
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
    if (dialog.doModal() != IDOK) return;
    settings_.pluginsdir = dialog.pluginsdir;  // scanned at the next start
    settings_.regfiletype = dialog.regfiletype ? 1 : 0;
    settings_.limitUndo = dialog.limitUndo ? 1 : 0;
    settings_.undoLimit = dialog.undoLimit;
    if (auto registry = platform::openUserClasses()) {
        core::applyFileAssociation(*registry, dialog.regfiletype, platform::modulePath());
    }
}

void MainDialog::about() {
    AboutDialog dialog(hwnd());
    dialog.doModal();
}

// --- The filter list ---------------------------------------------------------------------------

core::Rule* MainDialog::ruleAt(int index) const {
    return filterList_.ruleAt(index);
}

int MainDialog::filterCount() const {
    return filterList_.count();
}

int MainDialog::selectedFilter() const {
    return filterList_.selection();
}

void MainDialog::addRuleToList(const core::Rule& rule) {
    HWND list = item(IDC_FILTERS);
    const LRESULT index =
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(rule.description).c_str()));
    if (index < 0) return;
    SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(new core::Rule(rule)));
}

void MainDialog::clearFilterList() {
    for (int i = 0; i < filterCount(); ++i) delete ruleAt(i);
    SendDlgItemMessageW(hwnd(), IDC_FILTERS, LB_RESETCONTENT, 0, 0);
}

core::RuleList MainDialog::ruleList() const {
    core::RuleList rules;
    for (int i = 0; i < filterCount(); ++i) {
        if (const core::Rule* rule = ruleAt(i)) rules.push_back(*rule);
    }
    return rules;
}

void MainDialog::deleteFilter() {
    const int index = selectedFilter();
    if (index < 0) return;
    filterList_.deleteLine(index);
    if (filterCount() == 0) SendMessageW(hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item(IDC_ADD)), TRUE);
}

namespace {

// Runs a plug-in's own dialog over a Rule's values (mode 0 adding, 1 editing); on acceptance
// the five values come back into the Rule. Texts longer than the 128-byte buffers (possible in
// loaded files) reach the plug-in cut at a character boundary.
bool runPluginDialog(const core::PluginEntry& plugin, int mode, core::Rule& rule) {
    char buffers[4][core::PluginManager::kTextBufferSize] = {};
    std::string* texts[4] = {&rule.text1, &rule.text2, &rule.text3, &rule.description};
    for (int i = 0; i < 4; ++i) {
        const std::string fitting = platform::utf8::truncate(*texts[i], core::PluginManager::kTextBufferSize - 1);
        std::copy(fitting.begin(), fitting.end(), buffers[i]);
    }
    int option = rule.option;
    if (plugin.dialogProc(mode, core::PluginManager::kTextBufferSize, buffers[0], buffers[1], buffers[2], &option,
                          buffers[3]) == 0) {
        return false;
    }
    for (int i = 0; i < 4; ++i) *texts[i] = std::string(buffers[i], strnlen(buffers[i], sizeof buffers[i]));
    rule.option = option;
    return true;
}

void pluginMissing() {
    showAppMessage("Error: couldn't find the plugin for the selected menu item.", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

void MainDialog::editSelectedFilter() {
    const int index = selectedFilter();
    core::Rule* rule = index >= 0 ? ruleAt(index) : nullptr;
    if (!rule) return;
    if (rule->type < core::ChangeCase || rule->type > core::Plugin) {
        showCriticalError(core::formatString(core::IDS_INVALID_FILTER, {std::int64_t{rule->type}}));
        return;
    }
    if (rule->type == core::Plugin) {
        const auto plugin = plugins().findById(rule->extra);
        if (!plugin || !plugin->dialogProc) return pluginMissing();
        if (!runPluginDialog(*plugin, 1, *rule)) return;
    } else if (!editBuiltInFilter(hwnd(), *rule, false)) {
        return;
    }
    // The same Rule, re-inserted at its place with its new description, and selected.
    HWND list = item(IDC_FILTERS);
    SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(widen(rule->description).c_str()));
    SendMessageW(list, LB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rule));
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void MainDialog::addPluginFilter(int commandId) {
    const auto plugin = plugins().findById(commandId);
    if (!plugin || !plugin->dialogProc) return pluginMissing();
    core::Rule rule;
    rule.type = core::Plugin;
    rule.extra = commandId;
    rule.pluginPath = plugin->dllName;
    if (runPluginDialog(*plugin, 0, rule)) addRuleToList(rule);
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

void MainDialog::browse() {
    const std::string chosen = pickFolder(hwnd(), text(IDC_FOLDER), core::loadString(core::IDS_BROWSE_FOLDER));
    if (chosen.empty()) return;
    setText(IDC_FOLDER, chosen);
    SetFocus(item(IDC_FOLDER));
    SendDlgItemMessageW(hwnd(), IDC_FOLDER, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

void MainDialog::rename() {
    WaitCursor wait;
    const bool confirm = isChecked(IDC_CONFIRM_ON);
    const bool recurse = isChecked(IDC_RECURSE);
    bool undo = isChecked(IDC_UNDO_ON);
    const std::string folder = text(IDC_FOLDER);
    const std::string pattern = text(IDC_PATTERN);
    rememberFolder(folder);
    const core::RuleList rules = ruleList();
    core::FileList files;
    std::vector<core::FolderProblem> unlisted =
        core::findFiles(files, recurse, folder, pattern, context_.paths().ownFolders());
    if (files.empty()) {
        showError(unlisted.empty() ? std::string(core::loadString(core::IDS_NO_FILES_FOUND))
                                   : "These folders could not be listed:\r\n" + core::folderProblemLines(unlisted) +
                                         "\r\n" + core::loadString(core::IDS_NO_FILES_FOUND));
        return;
    }
    if (undo && !context_.paths().dataWritable) {
        // Never a run without a record unless the user agreed to it; once is enough to ask.
        if (!renameWithoutUndo_) {
            const std::string question = core::formatString(core::IDS_NO_PLACE_FOR_UNDO, {context_.paths().problem});
            if (showAppMessage(question, MB_YESNO | MB_ICONWARNING) != IDYES) return;
            renameWithoutUndo_ = true;
        }
        undo = false;
    }
    std::string why;
    if (undo && !context_.paths().prepareUndoFolder(why)) {
        // The records' folder is there but takes no file (a file in its place, no right to write):
        // the run would stop at its first file, so it does not start.
        showAppMessage("Undo information cannot be saved: " + why +
                           ".\n\nNothing was renamed. Make that folder usable, or turn undo off to rename "
                           "without it.",
                       MB_OK | MB_ICONSTOP);
        return;
    }
    core::RunOptions options = context_.runOptions(undo);
    options.solveOrder = !confirm;  // an unattended run orders its moves; confirming goes file by file
    core::RenameRun run(&plugins(), rules, std::move(files), options, context_.paths(), reporter_);
    // Told with the failures at the end of the run.
    run.noteUnlistedFolders(std::move(unlisted));
    showRun(hwnd(), run, confirm);
}

void MainDialog::preview() {
    const std::string folder = text(IDC_FOLDER);
    rememberFolder(folder);
    core::RunOptions options = context_.runOptions(isChecked(IDC_UNDO_ON));
    options.solveOrder = !isChecked(IDC_CONFIRM_ON);
    PreviewDialog dialog(hwnd(),
                         PreviewRequest{&plugins(), ruleList(), folder, text(IDC_PATTERN), isChecked(IDC_RECURSE),
                                        isChecked(IDC_CONFIRM_ON), options, context_.paths()});
    dialog.doModal();
}

// --- Filter files ------------------------------------------------------------------------------

bool MainDialog::readWriteFilterFile(bool load, const std::string& path) {
    try {
        if (load) {
            std::uint32_t count = 0;
            core::FilterArchive archive(&plugins(), path, false, count, 0);
            clearFilterList();
            for (std::uint32_t i = 0; i < count; ++i) {
                core::Rule rule;
                archive.readRule(rule);
                addRuleToList(rule);
            }
        } else {
            core::writeFilterFile(path, ruleList());
        }
        return true;
    } catch (const BRAXEN::braxen_Exception& error) {
        showCriticalError(
            core::fileErrorReport(load ? core::IDS_LOAD_FILTERS_FAILED : core::IDS_SAVE_FILTERS_FAILED, error));
        return false;
    }
}

namespace {

// The Load (open) or Save as dialog for filter files; empty when cancelled.
std::string askFilterFile(HWND owner, bool save, const std::string& startFolder) {
    std::wstring file(32768, L'\0');
    const std::wstring start = widen(startFolder);
    OPENFILENAMEW request{};
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.lpstrFilter = kFilterFileTypes;
    request.lpstrFile = file.data();
    request.nMaxFile = static_cast<DWORD>(file.size());
    request.lpstrInitialDir = start.empty() ? nullptr : start.c_str();
    request.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING;
    if (save) {
        request.lpstrTitle = L"Save As Filter Definition File...";
        request.lpstrDefExt = L"ren";
        request.Flags |= OFN_OVERWRITEPROMPT;
    } else {
        request.lpstrTitle = L"Load Filter Definition File...";
        request.Flags |= OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
    }
    if (!(save ? GetSaveFileNameW(&request) : GetOpenFileNameW(&request))) return std::string();
    file.resize(wcslen(file.c_str()));
    return narrow(file);
}

}  // namespace

void MainDialog::load() {
    const std::string path = askFilterFile(hwnd(), false, settings_.lastdir);
    if (path.empty()) return;
    WaitCursor wait;
    readWriteFilterFile(true, path);
    // The file dialog moved the current folder to the chosen file's; the next Load starts there.
    settings_.lastdir = platform::currentFolder();
}

void MainDialog::saveAs() {
    const std::string path = askFilterFile(hwnd(), true, std::string());
    if (path.empty()) return;
    WaitCursor wait;
    readWriteFilterFile(false, path);
    settings_.lastdir = platform::currentFolder();
}

void MainDialog::dropFiles(HDROP drop) {
    WaitCursor wait;
    // Asked for its length first: a file deep in a folder tree has a path of any length.
    std::wstring path(DragQueryFileW(drop, 0, nullptr, 0), L'\0');
    const UINT length = path.empty() ? 0 : DragQueryFileW(drop, 0, path.data(), static_cast<UINT>(path.size() + 1));
    DragFinish(drop);
    path.resize(length);
    if (length > 0) readWriteFilterFile(true, narrow(path));
}

}  // namespace ui
