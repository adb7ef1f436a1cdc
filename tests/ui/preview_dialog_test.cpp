// The Preview dialog of the real program: the list it shows against the command line's own
// prediction for the same folder, sorting and finding in it, and a run from it.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/persist/filter_archive.h"
#include "core/rules/filter_kinds.h"
#include "core/rules/text_rules.h"
#include "platform/files.h"
#include "support/temp_folder.h"
#include "ui/app/resource.h"
#include "ui/app_fixture.h"
#include "ui/ui_driver.h"

namespace {

using namespace ui_testing;
using testing_support::readFile;
using testing_support::TempFolder;
using testing_support::writeFile;

class PreviewTest : public AppFixture {
protected:
    // b and c both become a: b1 meets a1, which stays (exists); b2 and c2 both want a2 (duplicate).
    void SetUp() override {
        for (const char* name : {"a1.mp3", "b1.mp3", "b2.mp3", "c2.mp3", "d.mp3"}) writeFile(music / name, name);
        core::writeFilterFile(home / "ab.ren", {*core::buildFilter("--replace", {{"b", "a"}}).rule,
                                                *core::buildFilter("--replace", {{"c", "a"}}).rule});
        ASSERT_NE(startApp(home / "ab.ren"), nullptr);
        setChecked(main, IDC_CONFIRM_ON, false);
        setControlText(main, IDC_FOLDER, folder());
        setControlText(main, IDC_PATTERN, "*.mp3");
    }

    // Opens the preview and waits for its list.
    HWND openPreview() {
        EXPECT_TRUE(waitUntil([&] { return isEnabled(main, IDC_PREVIEW); })) << "enabled with Rename";
        click(main, IDC_PREVIEW);
        HWND preview = program->waitForWindow("Calderwynstrope - Preview");
        EXPECT_NE(preview, nullptr);
        if (preview) {
            EXPECT_TRUE(waitUntil([&] { return !controlText(preview, IDC_PREVIEW_COUNTS).empty(); }));
        }
        return preview;
    }

    // The rows as the list shows them, each as the command line's --tsv prints one.
    static std::vector<std::string> rows(HWND preview) {
        std::vector<std::string> out;
        for (int row = 0; row < listViewCount(preview, IDC_PREVIEW_LIST); ++row) {
            std::string line;
            for (int column = 0; column < 4; ++column) {
                line += (column ? "\t" : "") + listViewText(preview, IDC_PREVIEW_LIST, row, column);
            }
            out.push_back(line);
        }
        return out;
    }
    static std::vector<std::string> column(HWND preview, int index) {
        std::vector<std::string> out;
        for (int row = 0; row < listViewCount(preview, IDC_PREVIEW_LIST); ++row) {
            out.push_back(core::toLowerText(listViewText(preview, IDC_PREVIEW_LIST, row, index)));
        }
        return out;
    }

    std::string folder() const { return music.path() + "\\"; }

    TempFolder music;
};

TEST_F(PreviewTest, ShowsWhatTheCommandLinePredicts) {
    HWND preview = openPreview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(controlText(preview, IDC_PREVIEW_COUNTS), "5 files: 1 ok, 2 unchanged, 1 exists, 1 duplicate");
    EXPECT_TRUE(isEnabled(preview, IDC_PREVIEW_RENAME));
    EXPECT_TRUE(screenshot(preview, "preview"));

    DWORD exitCode = 1;
    const std::string tsv = programOutput(
        testProgramFolder() + "calderwynstrope-cli.exe",
        "preview --tsv --filters \"" + home / "ab.ren" + "\" -p *.mp3 \"" + music.path() + "\"", &exitCode);
    EXPECT_EQ(exitCode, 0u);
    std::vector<std::string> expected;
    for (std::size_t start = 0, end; (end = tsv.find('\n', start)) != std::string::npos; start = end + 1) {
        // --tsv doubles every backslash; these names hold no other escape.
        std::string line;
        for (std::size_t i = start; i < end; ++i) {
            line += tsv[i];
            if (tsv[i] == '\\' && i + 1 < end && tsv[i + 1] == '\\') ++i;
        }
        expected.push_back(line);
    }
    // The window says why beside the status; the command line's TSV has the status alone.
    std::vector<std::string> shown = rows(preview);
    ASSERT_EQ(shown.size(), 5u);
    EXPECT_NE(shown[3].find("\tduplicate (\"b2.mp3\" takes that name first)"), std::string::npos) << shown[3];
    for (std::string& row : shown) row = row.substr(0, row.find(" (", row.rfind('\t')));
    EXPECT_EQ(shown, expected);
    for (const char* name : {"a1.mp3", "b1.mp3", "b2.mp3", "c2.mp3", "d.mp3"}) {
        EXPECT_EQ(readFile(music / name), name) << "a preview renames nothing";
    }
    click(preview, IDCANCEL);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(preview); }));
    EXPECT_FALSE(platform::fileExists(music / "a2.mp3"));
}

TEST_F(PreviewTest, ColumnsSortAndTypingFindsARow) {
    HWND preview = openPreview();
    ASSERT_NE(preview, nullptr);
    HWND list = control(preview, IDC_PREVIEW_LIST);
    SetForegroundWindow(preview);
    typeText(list, "c");
    EXPECT_TRUE(waitUntil([&] { return listViewFocus(preview, IDC_PREVIEW_LIST) == 3; }, 5000))
        << "c2.mp3, by its old name; the focus is on " << listViewFocus(preview, IDC_PREVIEW_LIST);

    clickListViewColumn(preview, IDC_PREVIEW_LIST, 3);  // Status
    const std::vector<std::string> byStatus{"ok", "unchanged", "unchanged", "exists", "duplicate"};
    const auto statuses = [&] {
        std::vector<std::string> words = column(preview, 3);
        for (std::string& word : words) word = word.substr(0, word.find(" ("));  // the reason after it
        return words;
    };
    EXPECT_TRUE(waitUntil([&] { return statuses() == byStatus; })) << "worst last, run order within";
    EXPECT_EQ(column(preview, 1), (std::vector<std::string>{"b2.mp3", "a1.mp3", "d.mp3", "b1.mp3", "c2.mp3"}));
    clickListViewColumn(preview, IDC_PREVIEW_LIST, 2);  // New name
    EXPECT_TRUE(waitUntil([&] {
        const auto names = column(preview, 2);
        return std::is_sorted(names.begin(), names.end()) && column(preview, 3) != byStatus;
    })) << "sorted by the new name";
    clickListViewColumn(preview, IDC_PREVIEW_LIST, 2);
    EXPECT_TRUE(waitUntil([&] {
        const auto names = column(preview, 2);
        return std::is_sorted(names.rbegin(), names.rend()) && names.front() == "d.mp3";
    })) << "a second click reverses";
    click(preview, IDCANCEL);
}

TEST_F(PreviewTest, RenameRunsExactlyThePreviewedList) {
    ASSERT_TRUE(waitUntil([&] { return listViewCount(main, IDC_FILES_LIST) == 5; }));
    HWND preview = openPreview();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(listViewCount(main, IDC_FILES_LIST), 0) << "the window's own list is let go meanwhile";
    // Files that come after the preview are not part of its run.
    writeFile(music / "b3.mp3", "b3.mp3");
    click(preview, IDC_PREVIEW_RENAME);
    HWND progress = program->waitForWindow("Calderwynstrope - Progress");
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(waitUntil([&] { return controlText(progress, IDCANCEL) == "OK"; }));
    EXPECT_NE(controlText(progress, IDC_STATUS).find("\"" + folder() + "c2.mp3\""), std::string::npos)
        << controlText(progress, IDC_STATUS);
    click(progress, IDCANCEL);
    EXPECT_TRUE(waitUntil([&] { return !IsWindow(progress) && !IsWindow(preview); }))
        << "the preview closes with the run";

    // Only the one "ok" file moved; nothing was overwritten.
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::u8path(music.path()))) {
        names.insert(entry.path().filename().u8string());
    }
    EXPECT_EQ(names, (std::set<std::string>{"a1.mp3", "a2.mp3", "b1.mp3", "b3.mp3", "c2.mp3", "d.mp3"}));
    EXPECT_EQ(readFile(music / "a2.mp3"), "b2.mp3");
    EXPECT_EQ(readFile(music / "a1.mp3"), "a1.mp3");
    EXPECT_TRUE(waitUntil([&] { return listViewCount(main, IDC_FILES_LIST) == 6; })) << "and listed again after";
}

}  // namespace
