// The real calderwynstrope.exe, copied into a folder of its own (so braxen.ini, braxen.idx and
// undo\ land there), driven as a person would.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <utility>
#include <vector>

#include "calderwynstrope/version.h"
#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/persist/filter_archive.h"
#include "core/rules/filter_kinds.h"
#include "core/rules/name_check.h"
#include "core/undo/journal.h"
#include "core/undo/undo_index.h"
#include "platform/files.h"
#include "platform/win32/wide.h"
#include "support/environment.h"
#include "support/temp_folder.h"
#include "ui/app/resource.h"
#include "ui/app_fixture.h"
#include "ui/ui_driver.h"

#include <commctrl.h>

namespace {

using namespace ui_testing;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

constexpr const char* kTitle = core::kMainTitle;

// The program in a folder of its own.
class AppTest : public AppFixture {
protected:
    HWND start(const std::string& arguments = std::string()) { return startApp(arguments); }

    // A filter file of the given rules in the music folder.
    std::string filterFile(const std::string& name, const core::RuleList& rules) {
        writeFilterFile(music / name, rules);
        return music / name;
    }

    // Waits until the dialog's control shows `expected`; the actual text goes into the failure.
    static ::testing::AssertionResult shows(HWND dialog, int id, const std::string& expected) {
        if (waitUntil([&] { return controlText(dialog, id) == expected; }, 5000)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << "control " << id << " shows \"" << controlText(dialog, id) << "\", not \"" << expected << "\"";
    }

    void closeWithEscape(HWND dialog) {
        pressKey(dialog, VK_ESCAPE);
        ASSERT_TRUE(program->waitForExit()) << "Escape did not end the program";
    }

    std::string musicFolder() const { return music.path() + "\\"; }

    TempFolder music;
};

core::Rule appendEnd(const std::string& end) {
    return *core::buildFilter("--append", {{"", end}}).rule;
}

TEST_F(AppTest, FirstStartFiltersFromTheCommandLineAndSettingsOnClose) {
    const std::string ren = filterFile("start.ren", {appendEnd("_x"), *core::buildFilter("--case", {{"upper"}}).rule});
    HWND dialog = start(ren);
    ASSERT_NE(dialog, nullptr) << "the main dialog did not appear";
    EXPECT_TRUE(isChecked(dialog, IDC_RECURSE));
    EXPECT_TRUE(isChecked(dialog, IDC_CONFIRM_ON));
    EXPECT_TRUE(isChecked(dialog, IDC_UNDO_ON));
    EXPECT_EQ(controlText(dialog, IDC_PATTERN), "*.mp3") << "a first start offers one";
    EXPECT_EQ(controlText(dialog, IDC_FOLDER), "");
    ASSERT_EQ(listCount(dialog, IDC_FILTERS), 2);
    EXPECT_EQ(listText(dialog, IDC_FILTERS, 0), "Append: \"_x\" at end");
    EXPECT_EQ(listText(dialog, IDC_FILTERS, 1), "Change Case: all characters to UPPER CASE");
    EXPECT_TRUE(waitUntil([&] { return !isEnabled(dialog, IDC_RENAME); }, 3000));
    EXPECT_TRUE(isEnabled(dialog, IDC_ADD));
    EXPECT_FALSE(isEnabled(dialog, IDC_DELETE)) << "no filter selected";

    setControlText(dialog, IDC_PATTERN, "");
    setControlText(dialog, IDC_FOLDER, musicFolder());
    EXPECT_TRUE(waitUntil([&] { return !isEnabled(dialog, IDC_RENAME); }, 1000)) << "the pattern is empty";
    // The longest pattern the window offers, which the next start must show whole.
    setControlText(dialog, IDC_PATTERN, "*.mp3;*.flac;*.ogg;*.opus;*.m4a;*.wma");
    EXPECT_TRUE(waitUntil([&] { return isEnabled(dialog, IDC_RENAME); })) << "folder, pattern and filters are there";
    EXPECT_TRUE(screenshot(dialog, "main_dialog"));

    closeWithEscape(dialog);
    const std::string base = home.path() + "\\";
    EXPECT_EQ(readFile(home / "braxen.ini"),
              "[settings]\r\nrecurse=1\r\nconfirm=1\r\nundo=1\r\nmask=*.mp3;*.flac;*.ogg;*.opus;*.m4a;*.wma\r\nlastdir="
              "\r\npath0=\r\npath1=\r\npath2="
              "\r\npath3=\r\npath4=\r\npath5=\r\npath6=\r\npath7=\r\npath8=\r\n"
              "path9=\r\n[options]\r\nregfiletype=1\r\ndirectoryPopup=0\r\npluginsdir=" +
                  base +
                  "\r\nlimitUndo=1\r\nundoLimit=50\r\ntitleSmallWords=a an the and or of in on at to for by vs "
                  "feat\r\nshortenNames=0\r\norderByTags=0\r\ncompanions=" + core::Settings::kDefaultCompanionExtensions +
                  "\r\nfolderFiles=" + core::Settings::kDefaultFolderFiles + "\r\n");
}

TEST_F(AppTest, AFolderOnTheCommandLineIsTheFolderToWorkOn) {
    // In quotes, as Explorer's "Rename with" verb passes it.
    HWND dialog = start("\"" + music.path() + "\"");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(shows(dialog, IDC_FOLDER, music.path()));
    EXPECT_EQ(listCount(dialog, IDC_FILTERS), 0);
    closeWithEscape(dialog);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(dialog); }));

    // A path that names nothing is a missing folder, not a filter file, and is told in full: a
    // relative path means the folder it named when the program started.
    // The message comes while the main dialog starts, before it shows.
    program = std::make_unique<Program>(home / "calderwynstrope.exe", "no such folder", home.path());
    HWND error = waitForMessageBox(*program, "Error");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(messageBoxText(error), "The folder \"" + (home / "no such folder") + "\" does not exist.");
    pressMessageBoxButton(error, IDOK);
    ASSERT_NE(dialog = program->waitForWindow(core::kMainTitle), nullptr);
    closeWithEscape(dialog);
}

TEST_F(AppTest, ConfirmedRunWithRenameSkipAndAll) {
    for (const char* name : {"1.mp3", "2.mp3", "3.mp3", "4.mp3", "4_x.mp3"}) writeFile(music / name, name);
    // Quoted, as typed in a console.
    HWND dialog = start("\"" + filterFile("x.ren", {appendEnd("_x")}) + "\"");
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(listCount(dialog, IDC_FILTERS), 1);
    setControlText(dialog, IDC_FOLDER, musicFolder());
    setControlText(dialog, IDC_PATTERN, "?.mp3");
    ASSERT_TRUE(waitUntil([&] { return isEnabled(dialog, IDC_RENAME); }));
    click(dialog, IDC_RENAME);

    // Cancelled while the first file is asked about: the run ends there and nothing moves.
    HWND confirm = program->waitForWindow("Calderwynstrope - Confirmation");
    ASSERT_NE(confirm, nullptr);
    EXPECT_TRUE(shows(confirm, IDC_OLD_NAME, "1.mp3"));
    click(confirm, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(confirm); }));
    EXPECT_TRUE(platform::fileExists(music / "1.mp3"));
    click(dialog, IDC_RENAME);
    confirm = program->waitForWindow("Calderwynstrope - Confirmation");
    ASSERT_NE(confirm, nullptr);
    EXPECT_TRUE(shows(confirm, IDC_OLD_NAME, "1.mp3"));
    EXPECT_TRUE(shows(confirm, IDC_NEW_NAME, "1_x.mp3"));
    EXPECT_TRUE(shows(confirm, IDC_PATH, musicFolder()));
    EXPECT_TRUE(shows(confirm, IDC_PROGRESS_TEXT, "Progress: File 0 of 4"));

    // A name that is taken: the error names both files and the same file stays.
    setControlText(confirm, IDC_NEW_NAME, "2.mp3");
    click(confirm, IDC_RENAME_ONE);
    HWND error = waitForMessageBox(*program, "Error");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(messageBoxText(error),
              core::formatString(core::IDS_RENAME_FAILED, {std::string("1.mp3"), std::string("2.mp3"),
                                                           std::string("2.mp3"), std::string("1.mp3")}));
    pressMessageBoxButton(error, IDOK);
    // Gone before the next is looked for: on a busy machine it lingers, and would be read again.
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(error); }));
    EXPECT_TRUE(shows(confirm, IDC_OLD_NAME, "1.mp3"));

    // A name Windows refuses is named with its fault, and an empty one is not taken.
    const std::pair<const char*, std::string> refused[] = {
        {"con .mp3", core::invalidNameMessage("con .mp3", "reserved device name")},
        {"a?.mp3", core::invalidNameMessage("a?.mp3", "forbidden character")},
        {"",
         "The new name is empty. Type a name and click \"Rename\", or click \"Skip\" to leave this file as it "
         "is."}};
    for (const auto& [typed, told] : refused) {
        setControlText(confirm, IDC_NEW_NAME, typed);
        click(confirm, IDC_RENAME_ONE);
        error = waitForMessageBox(*program, "Error");
        ASSERT_NE(error, nullptr) << typed;
        EXPECT_EQ(messageBoxText(error), told);
        pressMessageBoxButton(error, IDOK);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(error); }));
        EXPECT_TRUE(shows(confirm, IDC_OLD_NAME, "1.mp3"));
    }

    setControlText(confirm, IDC_NEW_NAME, "1_x.mp3");
    click(confirm, IDC_RENAME_ONE);
    EXPECT_TRUE(shows(confirm, IDC_OLD_NAME, "2.mp3"));
    EXPECT_TRUE(shows(confirm, IDC_PROGRESS_TEXT, "Progress: File 1 of 4"));
    EXPECT_TRUE(screenshot(confirm, "confirmation"));

    click(confirm, IDC_SKIP);
    EXPECT_TRUE(shows(confirm, IDC_OLD_NAME, "3.mp3"));
    EXPECT_TRUE(shows(confirm, IDC_PROGRESS_TEXT, "Progress: File 2 of 4"));

    click(confirm, IDC_ALL);  // 3 goes, 4 cannot: 4_x.mp3 is there
    EXPECT_TRUE(shows(confirm, IDC_ALL, "Report..."));
    EXPECT_TRUE(shows(confirm, IDCANCEL, "OK"));
    EXPECT_FALSE(IsWindowVisible(control(confirm, IDC_RENAME_ONE)));
    click(confirm, IDC_ALL);
    HWND report = program->waitForWindow("Calderwynstrope - Report");
    ASSERT_NE(report, nullptr);
    EXPECT_TRUE(shows(report, IDC_SCANNED, "4"));
    EXPECT_TRUE(shows(report, IDC_RENAMED, "2"));
    EXPECT_TRUE(shows(report, IDC_FAILS, "1"));
    EXPECT_TRUE(shows(report, IDC_SKIPPED, "1"));
    EXPECT_TRUE(shows(report, IDC_UNCHANGED, "0"));
    HWND failures = control(report, IDC_REPORT_LIST);
    EXPECT_EQ(SendMessageW(failures, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_NE(listViewText(report, IDC_REPORT_LIST, 0, 1).find("already exists"), std::string::npos);
    EXPECT_TRUE(screenshot(report, "report"));
    click(report, IDOK);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(report); }));
    click(confirm, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(confirm); }));

    for (const char* name : {"1_x.mp3", "2.mp3", "3_x.mp3", "4.mp3", "4_x.mp3"}) {
        EXPECT_TRUE(platform::fileExists(music / name)) << name;
    }
    EXPECT_EQ(readFile(music / "1_x.mp3"), "1.mp3");
    EXPECT_EQ(readFile(music / "4_x.mp3"), "4_x.mp3") << "never overwritten";

    // The run's undo database, registered in the index next to the program.
    core::UndoIndex index(home / "braxen.idx");
    ASSERT_TRUE(waitUntil([&] {
        return platform::fileExists(home / "braxen.idx") && !core::parseIndex(readFile(home / "braxen.idx")).empty();
    }));
    ASSERT_TRUE(index.open());
    std::vector<core::IndexEntry> entries;
    index.readAll(entries);
    index.close();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_NE(entries[0].description.find(" - 2 files renamed, 0 unchanged, 1 failed."), std::string::npos);
    EXPECT_TRUE(platform::fileExists(home / ("undo\\" + entries[0].name)));
    closeWithEscape(dialog);
}

TEST_F(AppTest, UnattendedRunReportsItsFailures) {
    for (const char* name : {"1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3", "2_x.mp3", "4_x.mp3"}) {
        writeFile(music / name, name);
    }
    HWND dialog = start(filterFile("x.ren", {appendEnd("_x")}));
    ASSERT_NE(dialog, nullptr);
    setChecked(dialog, IDC_CONFIRM_ON, false);
    setControlText(dialog, IDC_FOLDER, musicFolder());
    setControlText(dialog, IDC_PATTERN, "?.mp3");
    ASSERT_TRUE(waitUntil([&] { return isEnabled(dialog, IDC_RENAME); }));
    click(dialog, IDC_RENAME);
    // Told first, with how many cannot be renamed: Preview shows them, and nothing moves.
    HWND check = program->waitForWindow("Calderwynstrope - Check Before Renaming");
    ASSERT_NE(check, nullptr);
    click(check, IDC_CHECK_PREVIEW);
    HWND preview = program->waitForWindow("Calderwynstrope - Preview");
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(platform::fileExists(music / "1.mp3"));
    click(preview, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(preview); }));
    // Asked again, the others go.
    click(dialog, IDC_RENAME);
    check = program->waitForWindow("Calderwynstrope - Check Before Renaming");
    ASSERT_NE(check, nullptr);
    EXPECT_EQ(controlText(check, IDC_CHECK_TEXT).rfind("2 of the 5 files cannot be given their new names: 2 ", 0), 0u)
        << controlText(check, IDC_CHECK_TEXT);
    EXPECT_TRUE(screenshot(check, "run_check"));
    click(check, IDC_CHECK_RENAME);
    HWND progress = program->waitForWindow("Calderwynstrope - Progress");
    ASSERT_NE(progress, nullptr);
    const std::string folder = musicFolder();
    EXPECT_TRUE(shows(progress, IDC_STATUS,
                      "Renaming...done\r\n\r\nThe following files could not be renamed:\r\n- \"" + folder +
                          "2.mp3\": Not renamed: exists (another file has that name).\r\n- \"" + folder +
                          "4.mp3\": Not renamed: exists (another file has that name).\r\n\r\n3 files renamed, 0 "
                          "unchanged, 2 failed."));
    EXPECT_TRUE(shows(progress, IDC_PROGRESS_TEXT, "Progress: File 5 of 5"));
    EXPECT_TRUE(shows(progress, IDCANCEL, "OK"));
    EXPECT_TRUE(screenshot(progress, "progress"));
    click(progress, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(progress); }));
    EXPECT_TRUE(platform::fileExists(music / "5_x.mp3"));
    EXPECT_EQ(readFile(music / "2_x.mp3"), "2_x.mp3");

    // A name that would not change is left alone: neither moved nor recorded nor counted as renamed.
    for (const char* name : {"p_q.mp3", "plain.mp3"}) writeFile(music / name, name);
    closeWithEscape(dialog);
    dialog = start(filterFile("u.ren", {*core::buildFilter("--underscores", {}).rule}));
    ASSERT_NE(dialog, nullptr);
    setChecked(dialog, IDC_CONFIRM_ON, false);
    setControlText(dialog, IDC_FOLDER, musicFolder());
    setControlText(dialog, IDC_PATTERN, "p*.mp3");
    ASSERT_TRUE(waitUntil([&] { return isEnabled(dialog, IDC_RENAME); }));
    click(dialog, IDC_RENAME);
    progress = program->waitForWindow("Calderwynstrope - Progress");
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(shows(progress, IDC_STATUS, "Renaming...done\r\n\r\n1 file renamed, 1 unchanged, 0 failed."));
    click(progress, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(progress); }));
    EXPECT_EQ(readFile(music / "p q.mp3"), "p_q.mp3");
    const auto runs = core::parseIndex(readFile(home / "braxen.idx"));
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_TRUE(std::any_of(runs.begin(), runs.end(), [](const core::IndexEntry& run) {
        return run.description.find(" - 1 file renamed, 1 unchanged, 0 failed.") != std::string::npos;
    }));
    closeWithEscape(dialog);
}

TEST_F(AppTest, CancelStopsAnUnattendedRunAndItsRecordHoldsWhatMoved) {
    constexpr int kFiles = 1000;
    for (int i = 0; i < kFiles; ++i) writeFile(music / ("t" + std::to_string(i) + ".mp3"), "t");
    HWND dialog = start(filterFile("x.ren", {appendEnd("_x")}));
    ASSERT_NE(dialog, nullptr);
    setChecked(dialog, IDC_CONFIRM_ON, false);
    setControlText(dialog, IDC_FOLDER, musicFolder());
    setControlText(dialog, IDC_PATTERN, "t*.mp3");
    ASSERT_TRUE(waitUntil([&] { return isEnabled(dialog, IDC_RENAME); }));
    click(dialog, IDC_RENAME);
    HWND progress = program->waitForWindow("Calderwynstrope - Progress");
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(waitUntil([&] { return controlText(progress, IDC_PROGRESS_TEXT).rfind("Progress: File", 0) == 0; }));
    click(progress, IDCANCEL);  // the window answers while the run goes on
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(progress); }));
    // How far it got is told, not only left on the disk.
    HWND told = waitForMessageBox(*program, "Calderwynstrope");
    ASSERT_NE(told, nullptr);
    const std::string summary = messageBoxText(told);
    EXPECT_NE(summary.find(" not reached (the run was cancelled)"), std::string::npos) << summary;
    pressMessageBoxButton(told, IDOK);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(told); }));
    int moved = 0;
    for (int i = 0; i < kFiles; ++i) {
        const bool renamed = platform::fileExists(music / ("t" + std::to_string(i) + "_x.mp3"));
        EXPECT_NE(renamed, platform::fileExists(music / ("t" + std::to_string(i) + ".mp3"))) << i;
        moved += renamed;
    }
    EXPECT_LT(moved, kFiles) << "stopped before the end";
    const auto runs = core::parseIndex(readFile(home / "braxen.idx"));
    ASSERT_EQ(runs.size(), 1u);
    std::vector<core::UndoEntry> recorded;
    core::readUndoDatabase(home / ("undo\\" + runs[0].name), recorded);
    EXPECT_EQ(recorded.size(), static_cast<std::size_t>(moved)) << "every move made, and only those";
    EXPECT_NE(summary.find(std::to_string(moved) + (moved == 1 ? " file renamed" : " files renamed")),
              std::string::npos)
        << summary;
    closeWithEscape(dialog);
}

// The main window's list follows the pattern and the checks as they change, shows the files a run
// leaves out, and the run renames the checked files only.
TEST_F(AppTest, TheFileListFollowsTheChangesAndTheRunLeavesUncheckedFilesAlone) {
    writeFile(music / "a.mp3", "a");
    // Too long for its column: the list shows it whole in a tip.
    const std::string b = "b, whose name is far too long for its column to show it whole";
    writeFile(music / (b + ".mp3"), "b");
    writeFile(music / "c.ogg", "c");
    writeFile(music / "ro.mp3", "r");
    ASSERT_TRUE(SetFileAttributesW(platform::win32::widen(music / "ro.mp3").c_str(), FILE_ATTRIBUTE_READONLY));
    HWND dialog = start(filterFile("x.ren", {appendEnd("_x")}));
    ASSERT_NE(dialog, nullptr);
    setChecked(dialog, IDC_CONFIRM_ON, false);
    setControlText(dialog, IDC_PATTERN, "*.mp3");
    setControlText(dialog, IDC_FOLDER, musicFolder());
    HWND files = control(dialog, IDC_FILES_LIST);
    const auto counts = [&] { return controlText(dialog, IDC_FILES_COUNTS); };
    // A filter dialog opened from the main window, `fill`ed and closed with OK.
    const auto filterDialog = [&](int command, const char* title, const std::function<void(HWND)>& fill) {
        chooseCommand(dialog, command);
        HWND filter = program->waitForWindow(title);
        ASSERT_NE(filter, nullptr);
        fill(filter);
        click(filter, IDOK);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(filter); }));
    };
    // The Append filter on line `line` edited to append `end`.
    const auto editAppend = [&](int line, const char* end) {
        setListSelection(dialog, IDC_FILTERS, line);
        filterDialog(IDC_EDIT, "Append Filter", [&](HWND filter) { setControlText(filter, IDC_END_TEXT, end); });
    };
    const struct {
        const char* what;
        std::function<void()> change;
        const char* counts;
        const char* newNameOfA = nullptr;  // the first row's new name, when it matters
    } steps[] = {
        {"the folder chosen", [] {}, "3 files: 2 ok, 1 left out", "a_x.mp3"},
        {"another pattern", [&] { setControlText(dialog, IDC_PATTERN, "*.ogg"); }, "1 file: 1 ok"},
        {"the pattern back", [&] { setControlText(dialog, IDC_PATTERN, "*.mp3"); }, "3 files: 2 ok, 1 left out"},
        // A list made for the pattern of a moment ago never shows after the one for the pattern now.
        {"the pattern changed and back at once",
         [&] {
             setControlText(dialog, IDC_PATTERN, "*.ogg");
             setControlText(dialog, IDC_PATTERN, "*.mp3");
         },
         "3 files: 2 ok, 1 left out"},
        {"a filter added",
         [&] {
             filterDialog(ID_ADD_CHANGECASE, "Change Case Filter",
                          [&](HWND filter) { setChecked(filter, IDC_CASE_UPPER, true); });
         },
         "3 files: 2 ok, 1 left out", "A_X.MP3"},
        {"the filters reordered",
         [&] {
             setListSelection(dialog, IDC_FILTERS, 1);
             chooseCommand(dialog, ID_MOVE_UP);
         },
         "3 files: 2 ok, 1 left out", "A_x.MP3"},
        {"a filter edited", [&] { editAppend(1, "_y"); }, "3 files: 2 ok, 1 left out", "A_y.MP3"},
        {"a filter deleted",
         [&] {
             setListSelection(dialog, IDC_FILTERS, 0);
             click(dialog, IDC_DELETE);
         },
         "3 files: 2 ok, 1 left out", "a_y.mp3"},
        {"the filter back as it was", [&] { editAppend(0, "_x"); }, "3 files: 2 ok, 1 left out", "a_x.mp3"},
        {"the first row unchecked with Space",
         [&] {
             pressKey(files, VK_HOME);
             pressKey(files, VK_SPACE);
         },
         "3 files: 1 ok, 1 left out, 1 unchecked"},
        {"none checked", [&] { chooseCommand(dialog, ID_FILES_CHECK_NONE); }, "3 files: 1 left out, 2 unchecked"},
        {"the checks inverted", [&] { chooseCommand(dialog, ID_FILES_CHECK_INVERT); }, "3 files: 2 ok, 1 left out"},
        {"the first row unchecked again", [&] { pressKey(files, VK_SPACE); }, "3 files: 1 ok, 1 left out, 1 unchecked"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        EXPECT_TRUE(waitUntil([&] { return counts() == step.counts; })) << counts();
        if (step.newNameOfA) {
            EXPECT_TRUE(waitUntil([&] { return listViewText(dialog, IDC_FILES_LIST, 0, 2) == step.newNameOfA; }))
                << listViewText(dialog, IDC_FILES_LIST, 0, 2);
        }
        settle(300);  // time for a list of a moment ago to arrive, and be dropped
        EXPECT_EQ(counts(), step.counts);
    }
    EXPECT_EQ(listViewText(dialog, IDC_FILES_LIST, 0, 3), "unchecked");
    EXPECT_EQ(listViewText(dialog, IDC_FILES_LIST, 1, 2), b + "_x.mp3");
    const RECT cell = listViewCellRect(dialog, IDC_FILES_LIST, 1, 1);
    ASSERT_TRUE(movePointer(POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2}));
    EXPECT_TRUE(waitUntil([&] { return shownTip(dialog) == b + ".mp3"; })) << shownTip(dialog);
    EXPECT_EQ(listViewText(dialog, IDC_FILES_LIST, 2, 3), "left out (read-only)");

    click(dialog, IDC_RENAME);
    HWND progress = program->waitForWindow("Calderwynstrope - Progress");
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(waitUntil([&] {
        return controlText(progress, IDC_STATUS).find("1 unchecked (left as they are)") != std::string::npos;
    })) << controlText(progress, IDC_STATUS);
    click(progress, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(progress); }));
    EXPECT_EQ(readFile(music / "a.mp3"), "a");
    EXPECT_EQ(readFile(music / (b + "_x.mp3")), "b");
    // Listed again after the run: the renamed file now has its name on the disk.
    EXPECT_TRUE(waitUntil([&] { return listViewText(dialog, IDC_FILES_LIST, 1, 1) == b + "_x.mp3"; }));
    SetFileAttributesW(platform::win32::widen(music / "ro.mp3").c_str(), FILE_ATTRIBUTE_NORMAL);
    closeWithEscape(dialog);
}

TEST_F(AppTest, InterruptedRunsAreRecoveredAndUndoRecordFailuresShown) {
    // A run that died after renaming a.mp3: its journal is all that is left.
    writeFile(music / "a.mp3", "a");
    {
        core::RunJournal journal;
        journal.create(core::AppPaths::in(home.path()), {appendEnd("_x")});
        const auto record = journal.recordMove(musicFolder(), "a.mp3", "a_x.mp3", *platform::entryId(music / "a.mp3"));
        journal.waitDurable(record);
        platform::moveFile(music / "a.mp3", music / "a_x.mp3");
        journal.moveMade(record, true);
    }
    HWND dialog = start();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(waitForMessageBox(*program, "Critical Error", 600), nullptr) << "nothing to tell";
    // Recovered once the window shows.
    ASSERT_TRUE(waitUntil([&] { return platform::fileExists(home / "braxen.idx"); }));
    const auto recovered = core::parseIndex(readFile(home / "braxen.idx"));
    ASSERT_EQ(recovered.size(), 1u);
    EXPECT_NE(recovered[0].description.find(" - 1 file(s) renamed. (interrupted)"), std::string::npos);
    closeWithEscape(dialog);

    // An index that is not acceptable: the run's record cannot be registered, and the error box
    // says so, naming the index.
    writeFile(home / "braxen.idx", std::string(100, 'x'));
    writeFile(music / "b.mp3", "b");
    dialog = start(filterFile("x.ren", {appendEnd("_y")}));
    ASSERT_NE(dialog, nullptr);
    setChecked(dialog, IDC_CONFIRM_ON, false);
    setControlText(dialog, IDC_FOLDER, musicFolder());
    setControlText(dialog, IDC_PATTERN, "b.mp3");
    ASSERT_TRUE(waitUntil([&] { return isEnabled(dialog, IDC_RENAME); }));
    click(dialog, IDC_RENAME);
    HWND progress = program->waitForWindow("Calderwynstrope - Progress");
    ASSERT_NE(progress, nullptr);
    ASSERT_TRUE(waitUntil([&] { return controlText(progress, IDCANCEL) == "OK"; }));
    click(progress, IDCANCEL);
    HWND error = waitForMessageBox(*program, "Critical Error");
    ASSERT_NE(error, nullptr);
    EXPECT_NE(messageBoxText(error).find(home / "braxen.idx"), std::string::npos) << messageBoxText(error);
    pressMessageBoxButton(error, IDOK);
    EXPECT_TRUE(platform::fileExists(music / "b_y.mp3"));
    closeWithEscape(dialog);
}

TEST_F(AppTest, NoMatchingFileAndTheFolderListOrder) {
    // Ten folders saved: the first, the music folder, then eight more.
    std::string ini = "[settings]\r\npath0=C:\\first\\\r\npath1=" + musicFolder() + "\r\n";
    for (int i = 2; i < 10; ++i) ini += "path" + std::to_string(i) + "=C:\\folder" + std::to_string(i) + "\\\r\n";
    writeFile(home / "braxen.ini", ini);
    HWND dialog = start(filterFile("x.ren", {appendEnd("_x")}));
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(comboEntries(dialog, IDC_FOLDER).size(), 10u);
    EXPECT_EQ(comboEntries(dialog, IDC_FOLDER)[1], musicFolder());
    EXPECT_EQ(controlText(dialog, IDC_FOLDER), "C:\\first\\");

    setControlText(dialog, IDC_FOLDER, music.path());  // typed without its backslash
    setControlText(dialog, IDC_PATTERN, "*.wav");
    ASSERT_TRUE(waitUntil([&] { return isEnabled(dialog, IDC_RENAME); }));
    click(dialog, IDC_RENAME);
    HWND error = waitForMessageBox(*program, "Error");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(messageBoxText(error), core::loadString(core::IDS_NO_FILES_FOUND));
    pressMessageBoxButton(error, IDOK);
    EXPECT_TRUE(waitUntil([&] { return comboEntries(dialog, IDC_FOLDER).front() == musicFolder(); }));
    EXPECT_EQ(comboEntries(dialog, IDC_FOLDER)[1], "C:\\first\\");
    EXPECT_TRUE(shows(dialog, IDC_FOLDER, musicFolder()));

    // A folder that does not exist is told as such, and stays out of the list.
    const std::string missing = home / "no such folder";
    setControlText(dialog, IDC_FOLDER, missing);
    click(dialog, IDC_RENAME);
    error = waitForMessageBox(*program, "Error");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(messageBoxText(error), "The folder \"" + missing + "\" does not exist.");
    pressMessageBoxButton(error, IDOK);
    EXPECT_TRUE(waitUntil([&] { return IsWindowEnabled(dialog); }));
    EXPECT_EQ(comboEntries(dialog, IDC_FOLDER).size(), 10u);

    // A folder not in the list goes on top as typed with a backslash: eleven entries now.
    setControlText(dialog, IDC_FOLDER, home.path());
    click(dialog, IDC_RENAME);
    error = waitForMessageBox(*program, "Error");
    ASSERT_NE(error, nullptr);
    pressMessageBoxButton(error, IDOK);
    EXPECT_TRUE(waitUntil([&] { return comboEntries(dialog, IDC_FOLDER).size() == 11u; }));
    EXPECT_TRUE(shows(dialog, IDC_FOLDER, home.path())) << "the box keeps the text as typed";
    closeWithEscape(dialog);
    // Only the top ten are kept: the oldest one is gone.
    const std::string saved = readFile(home / "braxen.ini");
    EXPECT_NE(saved.find("path0=" + home.path() + "\\\r\npath1=" + musicFolder() + "\r\npath2=C:\\first\\\r\n"),
              std::string::npos)
        << saved;
    EXPECT_NE(saved.find("path9=C:\\folder8\\\r\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("folder9"), std::string::npos) << saved;
}

TEST_F(AppTest, LoadSaveAndDelete) {
    const core::RuleList three = {appendEnd("_1"), appendEnd("_2"), appendEnd("_3")};
    HWND dialog = start(filterFile("three.ren", three));
    ASSERT_NE(dialog, nullptr);
    ASSERT_EQ(listCount(dialog, IDC_FILTERS), 3);

    // A file that is not a filter file: the message, and the list as it was.
    writeFile(music / "bad.ren", std::string(200, 'x'));
    click(dialog, IDC_LOAD);
    ASSERT_TRUE(answerFileDialog(*program, "Load Filter Definition File...", music / "bad.ren"));
    HWND critical = waitForMessageBox(*program, "Critical Error");
    ASSERT_NE(critical, nullptr);
    EXPECT_EQ(messageBoxText(critical),
              "Failed to load specified filter file.\n\ncode (115, -1): The specified file "
              "format is invalid; the file is corrupt.");
    pressMessageBoxButton(critical, IDOK);
    EXPECT_EQ(listCount(dialog, IDC_FILTERS), 3);

    // Save as, then Load: the same list.
    click(dialog, IDC_SAVE);
    ASSERT_TRUE(answerFileDialog(*program, "Save As Filter Definition File...", music / "saved.ren"));
    ASSERT_TRUE(waitUntil([&] { return platform::fileExists(music / "saved.ren"); }));
    EXPECT_EQ(readFile(music / "saved.ren"), readFile(music / "three.ren"));

    // Delete: the line before becomes the selection; the last one gone, the focus is on Add.
    setListSelection(dialog, IDC_FILTERS, 0);
    click(dialog, IDC_DELETE);
    EXPECT_TRUE(waitUntil([&] { return listCount(dialog, IDC_FILTERS) == 2; }));
    EXPECT_EQ(listSelection(dialog, IDC_FILTERS), 0);
    EXPECT_EQ(listText(dialog, IDC_FILTERS, 0), "Append: \"_2\" at end");
    setListSelection(dialog, IDC_FILTERS, 1);
    click(dialog, IDC_DELETE);
    EXPECT_TRUE(waitUntil([&] { return listCount(dialog, IDC_FILTERS) == 1; }));
    EXPECT_EQ(listSelection(dialog, IDC_FILTERS), 0);
    click(dialog, IDC_DELETE);
    EXPECT_TRUE(waitUntil([&] { return listCount(dialog, IDC_FILTERS) == 0; }));
    EXPECT_TRUE(waitUntil([&] { return focusedWindow(dialog) == control(dialog, IDC_ADD); })) << "focus on Add";
    EXPECT_TRUE(waitUntil([&] { return !isEnabled(dialog, IDC_DELETE) && !isEnabled(dialog, IDC_EDIT); }));

    click(dialog, IDC_LOAD);
    ASSERT_TRUE(answerFileDialog(*program, "Load Filter Definition File...", music / "saved.ren"));
    EXPECT_TRUE(waitUntil([&] { return listCount(dialog, IDC_FILTERS) == 3; }));
    EXPECT_EQ(listText(dialog, IDC_FILTERS, 2), "Append: \"_3\" at end");
    closeWithEscape(dialog);
}

TEST_F(AppTest, NamesBeyondAsciiAreShownAndRenamed) {
    writeFile(music / "日本語の歌.mp3", "j");
    writeFile(music / "Café_Olé.mp3", "c");
    writeFile(music / "ABC.MP3", "a");  // unchanged: never asked about, yet counted as dealt with
    HWND dialog = start(filterFile(
        "x.ren", {*core::buildFilter("--underscores", {}).rule, *core::buildFilter("--case", {{"upper"}}).rule}));
    ASSERT_NE(dialog, nullptr);
    setControlText(dialog, IDC_FOLDER, musicFolder());
    setControlText(dialog, IDC_PATTERN, "*.mp3");
    ASSERT_TRUE(waitUntil([&] { return isEnabled(dialog, IDC_RENAME); }));
    click(dialog, IDC_RENAME);
    HWND confirm = program->waitForWindow("Calderwynstrope - Confirmation");
    ASSERT_NE(confirm, nullptr);
    EXPECT_TRUE(shows(confirm, IDC_OLD_NAME, "Café_Olé.mp3"));
    EXPECT_TRUE(shows(confirm, IDC_NEW_NAME, "CAFÉ OLÉ.MP3"));
    EXPECT_TRUE(screenshot(confirm, "confirmation_accents"));
    click(confirm, IDC_RENAME_ONE);
    EXPECT_TRUE(shows(confirm, IDC_OLD_NAME, "日本語の歌.mp3"));
    EXPECT_TRUE(shows(confirm, IDC_NEW_NAME, "日本語の歌.MP3"));
    EXPECT_TRUE(screenshot(confirm, "confirmation_japanese"));
    click(confirm, IDC_RENAME_ONE);
    EXPECT_TRUE(shows(confirm, IDCANCEL, "OK"));
    // The bar and the text count the same files.
    EXPECT_TRUE(shows(confirm, IDC_PROGRESS_TEXT, "Progress: File 3 of 3"));
    EXPECT_EQ(SendMessageW(control(confirm, IDC_CONFIRM_PROGRESS), PBM_GETPOS, 0, 0), 3);
    click(confirm, IDCANCEL);
    ASSERT_TRUE(waitUntil([&] { return !IsWindow(confirm); }));
    EXPECT_EQ(readFile(music / "CAFÉ OLÉ.MP3"), "c");
    EXPECT_EQ(readFile(music / "日本語の歌.MP3"), "j");
    closeWithEscape(dialog);
}

// The main window's tooltips. Grown, a window keeps its buttons in the corner and its list grows
// (a list view's last column with it); shrunk, it stops at its minimum.
TEST_F(AppTest, ResizedWindowsKeepButtonsInTheCornerAndGrowTheirList) {
    writeFile(music / "a.mp3", "a");
    ASSERT_NE(start(filterFile("x.ren", {appendEnd("_x")})), nullptr);
    setControlText(main, IDC_FOLDER, musicFolder());
    setControlText(main, IDC_PATTERN, "*.mp3");
    // The main window's buttons and options have tooltips: one tool each, two for a combo box.
    // The lists' cell tips are tooltips of the window too, with one tool each.
    LRESULT tools = 0;
    for (HWND tips = nullptr; (tips = FindWindowExW(nullptr, tips, TOOLTIPS_CLASSW, nullptr));) {
        if (GetWindow(tips, GW_OWNER) == main) tools = std::max(tools, SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0));
    }
    EXPECT_EQ(tools, 19);
    const auto rectOf = [](HWND window) {
        RECT rect{};
        GetWindowRect(window, &rect);
        return rect;
    };
    const struct {
        int opener;  // 0 for the main window itself
        const char* title;
        int corner, list, minimumPercent;
    } windows[] = {{0, kTitle, IDC_RENAME, IDC_FILES_LIST, 100},
                   {IDC_PREVIEW, "Calderwynstrope - Preview", IDCANCEL, IDC_PREVIEW_LIST, 66},
                   {IDC_UNDO, "Calderwynstrope - Undo", IDCANCEL, IDC_UNDO_LIST, 100}};
    for (const auto& w : windows) {
        SCOPED_TRACE(w.title);
        HWND window = main;
        if (w.opener) {
            ASSERT_TRUE(waitUntil([&] { return isEnabled(main, w.opener); }));
            click(main, w.opener);
            ASSERT_NE(window = program->waitForWindow(w.title), nullptr);
        }
        // Controls apart before stay apart after: one left out of the layout would be run over.
        const auto children = [&] {
            std::vector<std::pair<HWND, RECT>> all;
            for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                if (IsWindowVisible(c)) all.emplace_back(c, rectOf(c));
            }
            return all;
        };
        const auto apart = [](const RECT& a, const RECT& b) {
            RECT both{};
            return !IntersectRect(&both, &a, &b);
        };
        const auto before = children();
        const RECT frame = rectOf(window), corner = rectOf(control(window, w.corner));
        const RECT list = rectOf(control(window, w.list));
        const bool listView = className(control(window, w.list)) == "SysListView32";
        const LRESULT firstColumn = SendMessageW(control(window, w.list), LVM_GETCOLUMNWIDTH, 0, 0);
        SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + 120, frame.bottom - frame.top + 80,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        EXPECT_TRUE(waitUntil([&] {
            const RECT now = rectOf(control(window, w.corner));
            return now.left == corner.left + 120 && now.top == corner.top + 80;
        }));
        const auto after = children();
        for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
            for (std::size_t j = i + 1; j < before.size() && j < after.size(); ++j) {
                if (apart(before[i].second, before[j].second)) {
                    EXPECT_TRUE(apart(after[i].second, after[j].second))
                        << GetDlgCtrlID(after[i].first) << " runs over " << GetDlgCtrlID(after[j].first);
                }
            }
        }
        const RECT grown = rectOf(control(window, w.list));
        EXPECT_EQ(grown.right - grown.left, list.right - list.left + 120);
        EXPECT_EQ(grown.bottom - grown.top, list.bottom - list.top + 80);
        if (listView) {
            // The columns reach across the list, but for room for a scroll bar.
            HWND header = reinterpret_cast<HWND>(SendMessageW(control(window, w.list), LVM_GETHEADER, 0, 0));
            LRESULT columns = 0;
            for (WPARAM i = 0; i < static_cast<WPARAM>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)); ++i) {
                columns += SendMessageW(control(window, w.list), LVM_GETCOLUMNWIDTH, i, 0);
            }
            RECT client{};
            GetClientRect(control(window, w.list), &client);
            EXPECT_GE(columns, client.right - GetSystemMetrics(SM_CXVSCROLL));
            EXPECT_GT(SendMessageW(control(window, w.list), LVM_GETCOLUMNWIDTH, 0, 0), firstColumn)
                << "every column takes its share of the room, not the last one alone";
        }
        if (!w.opener) {
            // The splitter gives the filters room from the list, and moves their buttons along.
            const RECT filters = rectOf(control(window, IDC_FILTERS)), add = rectOf(control(window, IDC_ADD));
            const RECT bar = rectOf(control(window, IDC_SPLITTER));
            const POINT on{(bar.left + bar.right) / 2, (bar.top + bar.bottom) / 2};
            SetForegroundWindow(window);
            ASSERT_TRUE(movePointer(on));
            ASSERT_TRUE(movePointer(on, MOUSEEVENTF_LEFTDOWN));
            ASSERT_TRUE(movePointer(POINT{on.x + 60, on.y}));
            ASSERT_TRUE(movePointer(POINT{on.x + 100, on.y}, MOUSEEVENTF_LEFTUP));
            EXPECT_TRUE(waitUntil([&] { return rectOf(control(window, IDC_ADD)).left == add.left + 100; }));
            EXPECT_EQ(rectOf(control(window, IDC_FILTERS)).right, filters.right + 100);
            EXPECT_EQ(rectOf(control(window, IDC_FILES_LIST)).left, grown.left + 100);
            EXPECT_EQ(rectOf(control(window, IDC_FILES_LIST)).right, grown.right);
            screenshot(window, "main_dialog_grown");
        }
        SetWindowPos(window, nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        waitForHandled(window);
        const RECT shrunk = rectOf(window);
        EXPECT_GE(shrunk.right - shrunk.left, (frame.right - frame.left) * w.minimumPercent / 100);
        EXPECT_GE(shrunk.bottom - shrunk.top, (frame.bottom - frame.top) * w.minimumPercent / 100);
        if (w.opener) {
            click(window, IDCANCEL);
            ASSERT_TRUE(waitUntil([&] { return !IsWindow(window); }));
        }
    }
}

TEST_F(AppTest, NowhereToKeepUndoAsksBeforeRenamingWithout) {
    writeFile(music / "1.mp3", "1");
    writeFile(home / "file", "");
    const std::string nowhere = home / "file" + "\\undo-here";  // below a file: can never exist
    testing_support::ScopedEnvironment environment;
    environment.set("CALDERWYNSTROPE_HOME", nowhere);
    HWND dialog = start(filterFile("x.ren", {appendEnd("_x")}));
    ASSERT_NE(dialog, nullptr);
    setChecked(dialog, IDC_CONFIRM_ON, false);
    setControlText(dialog, IDC_FOLDER, musicFolder());
    setControlText(dialog, IDC_PATTERN, "*.mp3");
    ASSERT_TRUE(waitUntil([&] { return isEnabled(dialog, IDC_RENAME); }));

    const auto ask = [&](int answer) {
        click(dialog, IDC_RENAME);
        HWND box = waitForMessageBox(*program, "Calderwynstrope");
        ASSERT_NE(box, nullptr);
        EXPECT_NE(messageBoxText(box).find("Undo information cannot be saved: " + nowhere + "\\ cannot be written"),
                  std::string::npos)
            << messageBoxText(box);
        pressMessageBoxButton(box, answer);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(box); }));
    };
    const auto finishRun = [&] {
        HWND progress = program->waitForWindow("Calderwynstrope - Progress");
        ASSERT_NE(progress, nullptr);
        EXPECT_TRUE(shows(progress, IDCANCEL, "OK"));
        click(progress, IDCANCEL);
        ASSERT_TRUE(waitUntil([&] { return !IsWindow(progress); }));
    };
    ask(IDNO);
    EXPECT_TRUE(waitUntil([&] { return program->windows().size() == 1; }));
    EXPECT_TRUE(platform::fileExists(music / "1.mp3")) << "No renames nothing";
    ask(IDYES);
    finishRun();
    EXPECT_TRUE(platform::fileExists(music / "1_x.mp3"));
    click(dialog, IDC_RENAME);  // asked once: this run starts straight away
    finishRun();
    EXPECT_TRUE(platform::fileExists(music / "1_x_x.mp3"));
    closeWithEscape(dialog);
    EXPECT_FALSE(platform::fileExists(home / "undo"));
}

}  // namespace
