#include "ui/undo/undo_dialogs.h"

#include "core/base/strings.h"
#include "core/persist/braxen_exception.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/win32/wide.h"
#include "ui/app/resource.h"
#include "ui/controls/dpi.h"
#include "ui/controls/messages.h"

namespace ui {

using platform::win32::widen;

namespace {

constexpr const char* kVanished =
    "The database you've selected doesn't exist;\n\nPress OK to remove it from the index.";

void addLine(HWND list, const std::string& text, int image, int index) {
    std::wstring wide = widen(text);
    LVITEMW line{};
    line.mask = LVIF_TEXT | LVIF_IMAGE;
    line.iItem = index;
    line.pszText = wide.data();
    line.iImage = image;
    ListView_InsertItem(list, &line);
}

}  // namespace

// --- UndoDialog -----------------------------------------------------------------------------------

UndoDialog::UndoDialog(HWND parent, const core::PluginManager& plugins, core::AppPaths paths,
                       std::vector<core::WaitingJournal> waiting)
    : UI_dialog(IDD_UNDO, parent),
      plugins_(plugins),
      paths_(paths),
      catalog_(std::move(paths)),
      waiting_(std::move(waiting)) {
    onCommand(IDC_UNDO_RUN, [this] { undoSelected(); });
    onCommand(ID_UNDO_DELETE, [this] { deleteSelected(); });
    onCommand(ID_UNDO_PROPERTIES, [this] { showProperties(); });
    for (int id : {IDC_UNDO_RUN, ID_UNDO_DELETE, ID_UNDO_PROPERTIES}) onUpdate(id, [this] { return canAct(); });
}

void UndoDialog::onInitDialog() {
    HWND list = item(IDC_UNDO_LIST);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    column.fmt = LVCFMT_LEFT;
    column.cx = scaledForDpi(225, dpi());
    wchar_t title[] = L"Description";
    column.pszText = title;
    ListView_InsertColumn(list, 0, &column);
    // Which folder each run renamed in; the last column, so it takes the room the list has.
    column.cx = scaledForDpi(120, dpi());
    wchar_t folderTitle[] = L"Folder";
    column.pszText = folderTitle;
    ListView_InsertColumn(list, 1, &column);
    // A description longer than the column shows whole while the pointer rests on it.
    ListView_SetExtendedListViewStyle(list, LVS_EX_LABELTIP);
    loadImages();
    refreshList();
    if (lines_.empty()) initialFocus = item(IDCANCEL);
    using L = AnchorLayout;
    layout.capture(hwnd(), {{IDC_UNDO_HELP, L::GrowRight},
                            {IDC_UNDO_LIST, L::Grow},
                            {IDC_UNDO_RUN, L::MoveCorner},
                            {IDCANCEL, L::MoveCorner}});
}

void UndoDialog::loadImages() {
    // 15 pixels square at 100%, drawn again for 150% and 200%.
    const int size = (15 * drawnScale(dpi()) + 50) / 100;
    OwnedImageList images(ImageList_LoadImageW(GetModuleHandleW(nullptr),
                                               MAKEINTRESOURCEW(scaledBitmapId(IDB_UNDO_IMAGES, dpi())), size, 1,
                                               RGB(255, 0, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION));
    ListView_SetImageList(item(IDC_UNDO_LIST), images.get(), LVSIL_SMALL);
    images_ = std::move(images);  // the list has let go of the old one
}

void UndoDialog::refreshList() {
    HWND list = item(IDC_UNDO_LIST);
    ListView_DeleteAllItems(list);
    hasDatabases_ = true;
    lines_.clear();
    try {
        catalog_.refresh();
    } catch (const BRAXEN::braxen_Exception& error) {
        showCriticalError(core::fileErrorReport(core::IDS_INDEX_FAILED, error));
        return;
    }
    lines_ = catalog_.entries();
    if (lines_.empty() && waiting_.empty()) {
        hasDatabases_ = false;
        addLine(list, "The database index file is empty", 0, 0);
        return;
    }
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        addLine(list, lines_[i].description, 1, static_cast<int>(i));
        std::wstring folder = widen(runFolder(lines_[i]));
        ListView_SetItemText(list, static_cast<int>(i), 1, folder.data());
    }
    for (std::size_t i = 0; i < waiting_.size(); ++i) {
        const int line = static_cast<int>(lines_.size() + i);
        addLine(list, core::waitingDescription(waiting_[i]), 1, line);
        std::wstring folder = widen(waiting_[i].folder);
        ListView_SetItemText(list, line, 1, folder.data());
    }
    // The descriptions show whole: their column fits the longest (never narrower than it
    // started), and the folder column takes the room that is left.
    const int least = scaledForDpi(225, dpi());
    ListView_SetColumnWidth(list, 0, LVSCW_AUTOSIZE);
    if (ListView_GetColumnWidth(list, 0) < least) ListView_SetColumnWidth(list, 0, least);
    ListView_SetColumnWidth(list, 1, LVSCW_AUTOSIZE_USEHEADER);
}

std::string UndoDialog::runFolder(const core::IndexEntry& entry) {
    const auto status = platform::fileStatus(paths_.undoFolder() + entry.name);
    if (!status) return std::string();
    const auto known = folders_.find(entry.name);
    if (known != folders_.end() && known->second.first == status->size) return known->second.second;
    // Read from the database; one that cannot be read says why when it is undone or opened.
    core::DatabaseProperties properties;
    try {
        if (!core::loadDatabaseProperties(&plugins_, paths_, entry.name, properties)) return std::string();
    } catch (const BRAXEN::braxen_Exception&) {
        return std::string();
    }
    folders_[entry.name] = {status->size, properties.folder};
    return properties.folder;
}

int UndoDialog::selectedLine() const {
    return ListView_GetNextItem(item(IDC_UNDO_LIST), -1, LVNI_SELECTED);
}

bool UndoDialog::canAct() const {
    const int line = selectedLine();
    return hasDatabases_ && line >= 0 && line < static_cast<int>(lines_.size() + waiting_.size());
}

const core::WaitingJournal* UndoDialog::waitingAt(int line) const {
    const auto at = static_cast<std::size_t>(line);
    return line >= 0 && at >= lines_.size() && at < lines_.size() + waiting_.size() ? &waiting_[at - lines_.size()]
                                                                                    : nullptr;
}

void UndoDialog::explainWaiting(const core::WaitingJournal& journal) {
    showAppMessage(core::waitingDescription(journal) +
                       "\r\n\r\nThe record of this interrupted run is kept until its folder can be reached again with "
                       "its files; it can be undone then. Delete removes the record, and its files keep the names "
                       "the run gave them.",
                   MB_OK | MB_ICONINFORMATION);
}

void UndoDialog::removeEntry(const core::IndexEntry& entry, bool deleteFile) {
    try {
        catalog_.removeIndexEntry(entry, deleteFile);
    } catch (const BRAXEN::braxen_Exception& error) {
        showCriticalError(core::fileErrorReport(core::IDS_DELETE_DATABASE_FAILED, error));
    }
}

void UndoDialog::dropVanished(const core::IndexEntry& entry) {
    showAppMessage(kVanished, MB_OK | MB_ICONSTOP);
    WaitCursor wait;
    removeEntry(entry, false);
    refreshList();
}

void UndoDialog::undoSelected() {
    if (!canAct()) return;
    if (const core::WaitingJournal* waiting = waitingAt(selectedLine())) return explainWaiting(*waiting);
    const core::IndexEntry entry = lines_[static_cast<std::size_t>(selectedLine())];
    if (!catalog_.databaseExists(entry)) return dropVanished(entry);
    if (showAppMessage(core::loadString(core::IDS_CONFIRM_UNDO), MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    // The catalog settles the database: gone when every file came back, else kept with the
    // entries that failed, for another try. One that cannot be read, or is being undone
    // elsewhere, is told by the progress dialog before anything moves.
    UndoProgressDialog progress(hwnd(), catalog_, entry);
    progress.doModal();
    // A cancelled undo closes its dialog at once: what it did and did not do is still told.
    progress.service().cancel();
    progress.service().wait();
    if (progress.outcome().notReached > 0) showAppMessage(progress.outcome().finalText, MB_OK | MB_ICONINFORMATION);
    refreshList();
}

void UndoDialog::deleteSelected() {
    if (!canAct()) return;
    if (showAppMessage("Are you sure you want to delete the selected item?", MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    if (const core::WaitingJournal* waiting = waitingAt(selectedLine())) {
        try {
            core::deleteWaitingJournal(paths_, *waiting);
        } catch (const platform::FileError& error) {
            showCriticalError(error.message());
            return;
        }
        waiting_.erase(waiting_.begin() + (waiting - waiting_.data()));
        refreshList();
        return;
    }
    const core::IndexEntry entry = lines_[static_cast<std::size_t>(selectedLine())];
    WaitCursor wait;
    removeEntry(entry, true);
    refreshList();
}

void UndoDialog::showProperties() {
    if (!canAct()) return;
    if (const core::WaitingJournal* waiting = waitingAt(selectedLine())) return explainWaiting(*waiting);
    const core::IndexEntry entry = lines_[static_cast<std::size_t>(selectedLine())];
    core::DatabaseProperties properties;
    bool found;
    try {
        WaitCursor wait;
        found = core::loadDatabaseProperties(&plugins_, paths_, entry.name, properties);
    } catch (const BRAXEN::braxen_Exception& error) {
        showCriticalError(core::fileErrorReport(core::IDS_PROPERTIES_FAILED, error));
        return;
    }
    if (!found) return dropVanished(entry);
    UndoPropertiesDialog dialog(hwnd(), entry, properties);
    dialog.doModal();
}

void UndoDialog::onCancel() {
    catalog_.close();
    lines_.clear();
    endDialog(IDCANCEL);
}

bool UndoDialog::onMessage(UINT message, WPARAM, LPARAM lParam, LRESULT&) {
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom != IDC_UNDO_LIST) return false;
        if (header->code == NM_DBLCLK && canAct()) {
            PostMessageW(hwnd(), WM_COMMAND, IDC_UNDO_RUN, 0);
        }
        return false;
    }
    if (message == WM_CONTEXTMENU) {
        POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (at.x == -1 && at.y == -1) {
            // From the keyboard: just inside the dialog's top-left corner.
            at = POINT{5, 5};
            ClientToScreen(hwnd(), &at);
        }
        const OwnedMenu menu(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MENU)));
        HMENU popup = GetSubMenu(menu.get(), 1);
        SetMenuDefaultItem(popup, IDC_UNDO_RUN, FALSE);
        TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
        return true;
    }
    return false;
}

// --- UndoProgressDialog ---------------------------------------------------------------------------

UndoProgressDialog::UndoProgressDialog(HWND parent, core::UndoCatalog& catalog, const core::IndexEntry& entry)
    : RunDialog(IDD_UNDO_PROGRESS, parent), catalog_(catalog), entry_(entry) {}

void UndoProgressDialog::onInitDialog() {
    progress_.attach(hwnd(), IDC_UNDO_PROGRESS);
}

void UndoProgressDialog::startRun() {
    setText(IDC_UNDO_STATUS, "Undoing changes...");
    service().start(
        [this] {
            // What went wrong is told on the dialog's thread, once the undo is over.
            try {
                ProgressPacer pacer;
                std::size_t total = 0;
                outcome_ = catalog_.undoDatabase(
                    entry_,
                    [&](std::size_t done) {
                        if (pacer.due(done == total)) {
                            service().post([this, done] { progress_.setPosition(static_cast<int>(done)); });
                        }
                    },
                    [&](std::size_t count) {
                        total = count;
                        service().post([this, count] {
                            progress_.setRange(static_cast<int>(count));
                            progress_.setPosition(0);
                        });
                    },
                    [this] { return service().cancelled(); });
            } catch (const BRAXEN::braxen_Exception& error) {
                refusal_ = [text = core::fileErrorReport(core::IDS_LOAD_UNDO_FAILED, error)] {
                    showCriticalError(text);
                };
            } catch (const core::UndoInProgress& refused) {
                refusal_ = [text = std::string(refused.what())] { showAppMessage(text, MB_OK | MB_ICONEXCLAMATION); };
            } catch (const core::UndoFoldersBusy& busy) {
                refusal_ = [text = std::string(busy.what())] { showAppMessage(text, MB_OK | MB_ICONSTOP); };
            } catch (const core::UndoDatabaseSetAside& unreadable) {
                refusal_ = [text = std::string(unreadable.what())] { showCriticalError(text); };
            } catch (const std::exception&) {
                refusal_ = [error = std::current_exception()] {
                    try {
                        std::rethrow_exception(error);
                    } catch (const std::exception& shown) {
                        showUnhandledError(shown);
                    }
                };
            }
        },
        [this] {
            if (refusal_) {
                refusal_();
                return endDialog(IDCANCEL);
            }
            setText(IDCANCEL, "OK");
            setText(IDC_UNDO_STATUS, outcome_.finalText);
        });
}

// --- UndoPropertiesDialog -------------------------------------------------------------------------

UndoPropertiesDialog::UndoPropertiesDialog(HWND parent, const core::IndexEntry& entry,
                                           const core::DatabaseProperties& properties)
    : UI_dialog(IDD_UNDO_PROPERTIES, parent), entry_(entry), properties_(properties) {
    autoDisable = false;
}

void UndoPropertiesDialog::onInitDialog() {
    setText(IDC_PROP_NAME, entry_.name);
    setText(IDC_PROP_DESCRIPTION, entry_.description);
    setText(IDC_PROP_FOLDER, properties_.folder);
    setText(IDC_PROP_COUNT, core::entryCountText(properties_) + ", " + std::to_string(properties_.verified) +
                                " verified by file identity");
    setText(IDC_PROP_DATE, core::longDateTime(platform::localTime(properties_.created)));
    setText(IDC_PROP_SIZE, std::to_string(properties_.size / 1024) + " KB");
    for (const core::Rule& rule : properties_.rules) {
        SendDlgItemMessageW(hwnd(), IDC_PROP_FILTERS, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(widen(rule.description).c_str()));
    }
    initialFocus = item(IDCANCEL);
    // A long folder loses its middle on its line, and shows whole as a tip.
    addTooltips({{IDC_PROP_FOLDER, nullptr}});
    using L = AnchorLayout;
    layout.capture(hwnd(), {{IDC_PROP_NAME, L::GrowRight},
                            {IDC_PROP_DESCRIPTION, L::GrowRight},
                            {IDC_PROP_FOLDER, L::GrowRight},
                            {IDC_PROP_COUNT, L::GrowRight},
                            {IDC_PROP_DATE, L::GrowRight},
                            {IDC_PROP_SIZE, L::GrowRight},
                            {IDC_PROP_FILTERS, L::Grow},
                            {IDCANCEL, L::MoveCorner}});
}

}  // namespace ui
