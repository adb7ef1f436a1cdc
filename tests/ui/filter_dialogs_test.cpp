// The built-in filters' edit dialogs, reached through the main dialog's Add menu and Edit button.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/base/settings.h"
#include "core/base/strings.h"
#include "core/rules/filter_kinds.h"
#include "support/tag_files.h"
#include "support/temp_folder.h"
#include "ui/app/resource.h"
#include "ui/app_fixture.h"
#include "ui/ui_driver.h"

namespace {

using namespace ui_testing;
using testing_support::TempFolder;

class FilterDialogTest : public AppFixture {
protected:
    void SetUp() override { ASSERT_NE(startApp(), nullptr); }

    HWND add(int command, const char* title) {
        chooseCommand(main, command);
        return program->waitForWindow(title);
    }
    bool closed(HWND dialog) {
        return waitUntil([&] { return !IsWindow(dialog); }, 5000);
    }
    bool okEnabled(HWND dialog, bool enabled) {
        return waitUntil([&] { return isEnabled(dialog, IDOK) == enabled; }, 3000);
    }
};

TEST_F(FilterDialogTest, FindAndReplaceOpensOnUnderscoresAndRefusesFindEqualToReplace) {
    HWND dialog = add(ID_ADD_REPLACE, "Find and Replace Filter");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(isChecked(dialog, IDC_UNDERSCORES));
    EXPECT_TRUE(waitUntil([&] { return focusedWindow(dialog) == control(dialog, IDC_UNDERSCORES); }));
    EXPECT_TRUE(waitUntil([&] { return !isEnabled(dialog, IDC_FIND) && !isEnabled(dialog, IDC_REPLACE_WITH); }));
    click(dialog, IDOK);
    ASSERT_TRUE(closed(dialog));
    EXPECT_TRUE(waitUntil([&] { return listCount(main, IDC_FILTERS) == 1; }));
    EXPECT_EQ(listText(main, IDC_FILTERS, 0), "Replace: underscores with spaces");

    dialog = add(ID_ADD_REPLACE, "Find and Replace Filter");
    ASSERT_NE(dialog, nullptr);
    click(dialog, IDC_CUSTOM);
    EXPECT_TRUE(waitUntil([&] { return isEnabled(dialog, IDC_FIND); }));
    setControlText(dialog, IDC_FIND, "a");
    ASSERT_TRUE(okEnabled(dialog, true)) << "an empty Replace With removes what is found";
    setControlText(dialog, IDC_REPLACE_WITH, "A");
    screenshot(dialog, "find_replace");
    click(dialog, IDOK);
    HWND error = waitForMessageBox(*program, "Error");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(messageBoxText(error), core::loadString(core::IDS_FIND_EQUALS_REPLACE));
    pressMessageBoxButton(error, IDOK);
    EXPECT_TRUE(IsWindow(dialog)) << "the dialog stays open";
    setChecked(dialog, IDC_MATCH_CASE, true);
    click(dialog, IDOK);
    ASSERT_TRUE(closed(dialog));
    EXPECT_TRUE(waitUntil([&] { return listCount(main, IDC_FILTERS) == 2; }));
    EXPECT_EQ(listText(main, IDC_FILTERS, 1), "Replace: \"a\" with \"A\" (match case)");
}

TEST_F(FilterDialogTest, AppendReportsTheFirstBadFieldOnce) {
    HWND dialog = add(ID_ADD_APPEND, "Append Filter");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(okEnabled(dialog, false));
    setChecked(dialog, IDC_USE_FRONT, true);
    setChecked(dialog, IDC_USE_END, true);
    setControlText(dialog, IDC_FRONT_TEXT, "a:b");
    setControlText(dialog, IDC_END_TEXT, "c?");
    ASSERT_TRUE(okEnabled(dialog, true));
    click(dialog, IDOK);
    HWND error = waitForMessageBox(*program, "Error");
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(messageBoxText(error), core::invalidFilenameMessage());
    pressMessageBoxButton(error, IDOK);
    EXPECT_TRUE(waitUntil([&] { return focusedWindow(dialog) == control(dialog, IDC_FRONT_TEXT); }))
        << "the front field";
    EXPECT_EQ(waitForMessageBox(*program, "Error", 600), nullptr) << "one message only";
    setControlText(dialog, IDC_FRONT_TEXT, "front ");
    setChecked(dialog, IDC_USE_END, false);  // the end text no longer counts
    click(dialog, IDOK);
    ASSERT_TRUE(closed(dialog));
    EXPECT_TRUE(waitUntil([&] { return listCount(main, IDC_FILTERS) == 1; }));
    EXPECT_EQ(listText(main, IDC_FILTERS, 0), "Append: \"front \" at front");
}

TEST_F(FilterDialogTest, NumberReplaceEnablesOkOnlyForAUsableRange) {
    HWND dialog = add(ID_ADD_NUMBER, "Number Replace");
    ASSERT_NE(dialog, nullptr);
    setControlText(dialog, IDC_LOWER_LIMIT, "5");
    setControlText(dialog, IDC_UPPER_LIMIT, "5");
    setControlText(dialog, IDC_FIND_FORM, "%s - ");
    setControlText(dialog, IDC_REPLACE_FORM, "%s. ");
    EXPECT_TRUE(okEnabled(dialog, false)) << "equal limits";
    setControlText(dialog, IDC_LOWER_LIMIT, "4");
    EXPECT_TRUE(okEnabled(dialog, true));
    setControlText(dialog, IDC_FIND_FORM, "%s%s");
    EXPECT_TRUE(okEnabled(dialog, false)) << "two numbers in the find form";
    setControlText(dialog, IDC_FIND_FORM, "Track %s");
    setControlText(dialog, IDC_REPLACE_FORM, "track %s");
    EXPECT_TRUE(okEnabled(dialog, false)) << "the same form, ignoring case";
    setControlText(dialog, IDC_REPLACE_FORM, "%s. ");
    EXPECT_TRUE(okEnabled(dialog, true));
    screenshot(dialog, "number_replace");
    click(dialog, IDOK);
    ASSERT_TRUE(closed(dialog));
    EXPECT_TRUE(waitUntil([&] { return listCount(main, IDC_FILTERS) == 1; }));
    EXPECT_EQ(listText(main, IDC_FILTERS, 0), "NumReplace: (4 to 5) find=\"Track %s\" replace=\"%s. \"");
}

TEST_F(FilterDialogTest, PaddingDefaultsAndCancelAddsNothing) {
    HWND dialog = add(ID_ADD_PADDING, "Padding Filter");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(controlText(dialog, IDC_PAD_LEFT), "([{");
    EXPECT_EQ(controlText(dialog, IDC_PAD_BOTH), "-");
    EXPECT_EQ(controlText(dialog, IDC_PAD_RIGHT), ")]}");
    screenshot(dialog, "padding");
    for (int id : {IDC_PAD_LEFT, IDC_PAD_BOTH, IDC_PAD_RIGHT}) setControlText(dialog, id, "");
    EXPECT_TRUE(okEnabled(dialog, false));
    click(dialog, IDCANCEL);
    ASSERT_TRUE(closed(dialog));
    EXPECT_EQ(listCount(main, IDC_FILTERS), 0);
}

TEST_F(FilterDialogTest, EditingKeepsThePlaceAndTheRuleFollowsTheDialog) {
    // One tagged song in the list, whose tags the Tags dialog's sample shows.
    TempFolder music;
    testing_support::writeFile(music / "t.mp3",
                               testing_support::id3v2Tag({"Song", "Artist", "Album", "", "", "", "3", "", ""}, 3,
                                                         testing_support::TextEncoding::Latin1) +
                                   testing_support::mpegFrames());
    setControlText(main, IDC_FOLDER, music.path());
    setControlText(main, IDC_PATTERN, "*.mp3");
    ASSERT_TRUE(waitUntil([&] { return listViewCount(main, IDC_FILES_LIST) == 1; }));
    for (int command : {ID_ADD_CHANGECASE, ID_ADD_ID3, ID_ADD_FLIP, ID_ADD_STRIPPER, ID_ADD_COUNTER, ID_ADD_CLEANUP}) {
        const char* title = command == ID_ADD_CHANGECASE ? "Change Case Filter"
                            : command == ID_ADD_ID3      ? "Tags Filter"
                            : command == ID_ADD_FLIP     ? "Filename Flip"
                            : command == ID_ADD_COUNTER  ? "Counter Filter"
                            : command == ID_ADD_CLEANUP  ? "Clean Up Filter"
                                                         : "Character Stripper";
        HWND dialog = add(command, title);
        ASSERT_NE(dialog, nullptr) << title;
        if (command == ID_ADD_ID3) {
            // The sample follows the format as it is typed, and the switches as they are ticked.
            HWND format = FindWindowExW(control(dialog, IDC_ID3_FORMAT), nullptr, L"Edit", nullptr);
            ASSERT_NE(format, nullptr);
            const struct {
                const char* typed;  // more of the format
                int tick;           // then a box clicked
                const char* sample;
            } steps[] = {
                {"%7 - %2", 0, "t.mp3  \xE2\x86\x92  03 - Song.mp3"},
                {" (%1)", 0, "t.mp3  \xE2\x86\x92  03 - Song (Artist).mp3"},
                {"", IDC_ID3_BEST_TAG,
                 "t.mp3  \xE2\x86\x92  t.mp3  (unchanged: the file's tags do not serve this filter)"},
                {"", IDC_ID3_BEST_TAG, "t.mp3  \xE2\x86\x92  03 - Song (Artist).mp3"},
                {"%", 0, "t.mp3  \xE2\x86\x92  03 - Song (Artist)%.mp3"},
            };
            for (const auto& step : steps) {
                typeText(format, step.typed);
                if (step.tick) click(dialog, step.tick);
                EXPECT_TRUE(waitUntil([&] { return controlText(dialog, IDC_ID3_SAMPLE) == step.sample; }))
                    << step.typed << ": " << controlText(dialog, IDC_ID3_SAMPLE);
            }
            EXPECT_FALSE(isChecked(dialog, IDC_ID3_FOLDERS)) << "a new filter renames in place";
            EXPECT_FALSE(isEnabled(dialog, IDC_ID3_INTO) || isEnabled(dialog, IDC_ID3_BROWSE_INTO));
            EXPECT_EQ(controlText(dialog, IDC_ID3_INTO), "");
            setChecked(dialog, IDC_ID3_FOLDERS, true);
            EXPECT_TRUE(
                waitUntil([&] { return isEnabled(dialog, IDC_ID3_INTO) && isEnabled(dialog, IDC_ID3_BROWSE_INTO); }));
            // "..." opens the shell's folder picker: Cancel keeps the field, OK puts a whole path there.
            const std::string into = "Sorted\\\xE6\x97\xA5\xE6\x9C\xAC";
            setControlText(dialog, IDC_ID3_INTO, into);
            for (int button : {IDCANCEL, IDOK}) {
                click(dialog, IDC_ID3_BROWSE_INTO);
                HWND picker = program->waitForWindow(core::loadString(core::IDS_APP_TITLE));
                ASSERT_NE(picker, nullptr);
                pressMessageBoxButton(picker, button);
                ASSERT_TRUE(waitUntil([&] { return !IsWindow(picker); }));
                EXPECT_TRUE(waitUntil([&] {
                    const std::string field = controlText(dialog, IDC_ID3_INTO);
                    return button == IDCANCEL ? field == into
                                              : field.size() > 3 && field[1] == ':' && field.back() == '\\';
                })) << controlText(dialog, IDC_ID3_INTO);
            }
            setControlText(dialog, IDC_ID3_INTO, into);
            setControlText(dialog, IDC_ID3_FORMAT, "(%3) %1 - %2");
            EXPECT_TRUE(isChecked(dialog, IDC_ID3_MUST_EXIST));
            EXPECT_TRUE(isChecked(dialog, IDC_ID3_BEST_TAG)) << "a new filter reads the best tag";
            EXPECT_TRUE(isChecked(dialog, IDC_ID3_SAFE_NAMES));
            setChecked(dialog, IDC_ID3_CLEAN, true);
            EXPECT_TRUE(waitUntil([&] { return isEnabled(dialog, IDC_ID3_ASCII); }));
            setChecked(dialog, IDC_ID3_ASCII, true);
            screenshot(dialog, "tags");
        }
        if (command == ID_ADD_FLIP) setControlText(dialog, IDC_FLIP_TEXT, " - ");
        if (command == ID_ADD_STRIPPER) {
            EXPECT_TRUE(okEnabled(dialog, false)) << "nothing to strip yet";
            setControlText(dialog, IDC_STRIP_TEXT, "feat.");
            setChecked(dialog, IDC_STRIP_MATCH_CASE, true);
            screenshot(dialog, "stripper");
        }
        if (command == ID_ADD_COUNTER) {
            EXPECT_EQ(controlText(dialog, IDC_COUNTER_FORMAT), "%2n - %b");
            setControlText(dialog, IDC_COUNTER_START, "-5");
            setControlText(dialog, IDC_COUNTER_STEP, "3");
            EXPECT_FALSE(isEnabled(dialog, IDC_COUNTER_PER_DISC)) << "a disc is counted within its folder";
            setChecked(dialog, IDC_COUNTER_PER_FOLDER, true);
            ASSERT_TRUE(waitUntil([&] { return isEnabled(dialog, IDC_COUNTER_PER_DISC); }));
            setChecked(dialog, IDC_COUNTER_PER_DISC, true);
            screenshot(dialog, "counter");
        }
        if (command == ID_ADD_CLEANUP) {
            EXPECT_TRUE(isChecked(dialog, IDC_CLEAN_NFC)) << "a new filter composes what a Mac decomposed";
            setChecked(dialog, IDC_CLEAN_ASCII, true);
            EXPECT_TRUE(waitUntil([&] { return !isEnabled(dialog, IDC_CLEAN_NFC); })) << "ASCII includes it";
            setChecked(dialog, IDC_CLEAN_FORBIDDEN, true);
            setControlText(dialog, IDC_CLEAN_CHAR, "-");
            screenshot(dialog, "clean_up");
        }
        EXPECT_TRUE(okEnabled(dialog, true));
        click(dialog, IDOK);
        ASSERT_TRUE(closed(dialog));
    }
    ASSERT_TRUE(waitUntil([&] { return listCount(main, IDC_FILTERS) == 6; }));
    EXPECT_EQ(listText(main, IDC_FILTERS, 0), "Change Case: all characters to Sentence case");
    EXPECT_EQ(listText(main, IDC_FILTERS, 1),
              "Tags: \"(%3) %1 - %2\" (all fields must exist) (tag texts in ASCII letters) (into folders under "
              "\"Sorted\\\xE6\x97\xA5\xE6\x9C\xAC\")");
    EXPECT_EQ(listText(main, IDC_FILTERS, 2), "Flip at: \" - \"");
    EXPECT_EQ(listText(main, IDC_FILTERS, 3), "Strip: \"feat.\" (match case)");
    EXPECT_EQ(listText(main, IDC_FILTERS, 4), "Counter: \"%2n - %b\" from -5 by 3 (restarted on each disc)");
    EXPECT_EQ(listText(main, IDC_FILTERS, 5), "Clean up: ASCII letters, forbidden characters to \"-\"");

    setListSelection(main, IDC_FILTERS, 1);
    ASSERT_TRUE(waitUntil([&] { return isEnabled(main, IDC_EDIT); }));
    click(main, IDC_EDIT);
    HWND id3 = program->waitForWindow("Tags Filter");
    ASSERT_NE(id3, nullptr);
    EXPECT_EQ(controlText(id3, IDC_ID3_FORMAT), "(%3) %1 - %2");
    EXPECT_TRUE(isChecked(id3, IDC_ID3_MUST_EXIST)) << "a stored mask opens ticked";
    EXPECT_TRUE(isChecked(id3, IDC_ID3_CLEAN) && isChecked(id3, IDC_ID3_ASCII));
    EXPECT_TRUE(isChecked(id3, IDC_ID3_FOLDERS)) << "the rule's folder bit opens ticked";
    EXPECT_EQ(controlText(id3, IDC_ID3_INTO), "Sorted\\\xE6\x97\xA5\xE6\x9C\xAC")
        << "the rule's folder opens in its field";
    EXPECT_TRUE(isEnabled(id3, IDC_ID3_INTO));
    EXPECT_EQ(controlText(id3, IDC_ID3_SAMPLE), "t.mp3  \xE2\x86\x92  (Album) Artist - Song.mp3");
    setChecked(id3, IDC_ID3_FOLDERS, false);
    EXPECT_TRUE(waitUntil([&] { return !isEnabled(id3, IDC_ID3_INTO) && !isEnabled(id3, IDC_ID3_BROWSE_INTO); }));
    setChecked(id3, IDC_ID3_CLEAN, false);
    setChecked(id3, IDC_ID3_MUST_EXIST, false);
    setChecked(id3, IDC_ID3_BEST_TAG, false);
    setChecked(id3, IDC_ID3_SAFE_NAMES, false);
    click(id3, IDOK);
    ASSERT_TRUE(closed(id3));
    // Both boxes clear: the filter of older filter files, which reads and describes itself so.
    EXPECT_TRUE(waitUntil([&] { return listText(main, IDC_FILTERS, 1) == "ID3: \"(%3) %1 - %2\""; }));
    click(main, IDC_EDIT);
    id3 = program->waitForWindow("Tags Filter");
    ASSERT_NE(id3, nullptr);
    EXPECT_FALSE(isChecked(id3, IDC_ID3_BEST_TAG));
    EXPECT_FALSE(isChecked(id3, IDC_ID3_SAFE_NAMES));
    EXPECT_EQ(controlText(id3, IDC_ID3_INTO), "") << "a folder counts only while the files move into folders";
    EXPECT_FALSE(isEnabled(id3, IDC_ID3_INTO));
    click(id3, IDCANCEL);
    ASSERT_TRUE(closed(id3));
    EXPECT_EQ(listSelection(main, IDC_FILTERS), 1);
    EXPECT_EQ(listCount(main, IDC_FILTERS), 6);

    // The Clean Up filter opens on its steps, and gives the character up with its step.
    setListSelection(main, IDC_FILTERS, 5);
    click(main, IDC_EDIT);
    HWND clean = program->waitForWindow("Clean Up Filter");
    ASSERT_NE(clean, nullptr);
    EXPECT_TRUE(isChecked(clean, IDC_CLEAN_ASCII));
    EXPECT_TRUE(isChecked(clean, IDC_CLEAN_NFC));
    EXPECT_FALSE(isChecked(clean, IDC_CLEAN_SPACES));
    EXPECT_EQ(controlText(clean, IDC_CLEAN_CHAR), "-");
    setChecked(clean, IDC_CLEAN_FORBIDDEN, false);
    setChecked(clean, IDC_CLEAN_SPACES, true);
    click(clean, IDOK);
    ASSERT_TRUE(closed(clean));
    EXPECT_TRUE(waitUntil([&] { return listText(main, IDC_FILTERS, 5) == "Clean up: ASCII letters, single spaces"; }));

    setListSelection(main, IDC_FILTERS, 3);
    click(main, IDC_EDIT);
    HWND stripper = program->waitForWindow("Character Stripper");
    ASSERT_NE(stripper, nullptr);
    EXPECT_EQ(controlText(stripper, IDC_STRIP_TEXT), "feat.");
    EXPECT_TRUE(isChecked(stripper, IDC_STRIP_MATCH_CASE));
    setChecked(stripper, IDC_STRIP_MATCH_CASE, false);
    click(stripper, IDOK);
    ASSERT_TRUE(closed(stripper));
    EXPECT_TRUE(waitUntil([&] { return listText(main, IDC_FILTERS, 3) == "Strip: \"feat.\""; }));

    setListSelection(main, IDC_FILTERS, 0);
    click(main, IDC_EDIT);
    HWND changeCase = program->waitForWindow("Change Case Filter");
    ASSERT_NE(changeCase, nullptr);
    EXPECT_TRUE(isChecked(changeCase, IDC_CASE_SENTENCE));
    setChecked(changeCase, IDC_CASE_TOGGLE, true);
    click(changeCase, IDOK);
    ASSERT_TRUE(closed(changeCase));
    EXPECT_TRUE(
        waitUntil([&] { return listText(main, IDC_FILTERS, 0) == "Change Case: all characters to tOGGLE cASE"; }));

    // Title Case: the small words only while it is chosen, the list offered being the settings'.
    click(main, IDC_EDIT);
    changeCase = program->waitForWindow("Change Case Filter");
    ASSERT_NE(changeCase, nullptr);
    EXPECT_TRUE(isChecked(changeCase, IDC_CASE_TOGGLE));
    EXPECT_TRUE(waitUntil([&] { return !isEnabled(changeCase, IDC_CASE_SMALL_WORDS); }));
    EXPECT_EQ(controlText(changeCase, IDC_CASE_SMALL_LIST), core::kDefaultSmallWords);
    click(changeCase, IDC_CASE_TITLE);
    EXPECT_TRUE(waitUntil([&] { return isEnabled(changeCase, IDC_CASE_SMALL_LIST); }));
    EXPECT_TRUE(isChecked(changeCase, IDC_CASE_SMALL_WORDS));
    setControlText(changeCase, IDC_CASE_SMALL_LIST, "Of  the");
    screenshot(changeCase, "change_case");
    click(changeCase, IDOK);
    ASSERT_TRUE(closed(changeCase));
    EXPECT_TRUE(waitUntil([&] {
        return listText(main, IDC_FILTERS, 0) == "Change Case: all characters to Title Case, small words in lower case";
    }));
    // A new filter offers the list last confirmed; unticked, every word is capitalised.
    changeCase = add(ID_ADD_CHANGECASE, "Change Case Filter");
    ASSERT_NE(changeCase, nullptr);
    EXPECT_EQ(controlText(changeCase, IDC_CASE_SMALL_LIST), "of the");
    click(changeCase, IDC_CASE_TITLE);
    ASSERT_TRUE(waitUntil([&] { return isEnabled(changeCase, IDC_CASE_SMALL_WORDS); }));
    click(changeCase, IDC_CASE_SMALL_WORDS);
    EXPECT_TRUE(waitUntil([&] { return !isEnabled(changeCase, IDC_CASE_SMALL_LIST); }));
    click(changeCase, IDOK);
    ASSERT_TRUE(closed(changeCase));
    EXPECT_TRUE(waitUntil([&] {
        for (int i = 0; i < listCount(main, IDC_FILTERS); ++i) {
            if (listText(main, IDC_FILTERS, i) == "Change Case: all characters to Title Case") return true;
        }
        return false;
    }));
}

TEST_F(FilterDialogTest, RefuseWhatTheCommandLineRefusesInItsWords) {
    struct Case {
        int command;
        const char* title;
        std::vector<std::pair<int, std::string>> typed;  // the last field typed is the one at fault
        const char* option;                              // the same values on the command line
        core::FilterValues values;
        int choice = 0;  // a radio button clicked before OK
        int tick = 0;    // then a check box ticked
    };
    const Case cases[] = {
        {ID_ADD_NUMBER,
         "Number Replace",
         {{IDC_LOWER_LIMIT, "5"}, {IDC_FIND_FORM, "%s"}, {IDC_REPLACE_FORM, "%s."}, {IDC_UPPER_LIMIT, "100"}},
         "--number",
         {{"5", "100", "%s", "%s."}}},
        {ID_ADD_REPLACE,
         "Find and Replace Filter",
         {{IDC_FIND, "a"}, {IDC_REPLACE_WITH, "b:c"}},
         "--replace",
         {{"a", "b:c"}},
         IDC_CUSTOM},
        {ID_ADD_REPLACE,
         "Find and Replace Filter",
         {{IDC_REPLACE_WITH, "x"}, {IDC_FIND, "(ab"}},
         "--replace",
         {{"(ab", "x"}, 4},
         IDC_CUSTOM,
         IDC_REGEX},
        // An old custom text is checked even while a preset is chosen and its field disabled.
        {ID_ADD_REPLACE, "Find and Replace Filter", {{IDC_REPLACE_WITH, "b|c"}}, "--replace", {{"a", "b|c"}}},
        {ID_ADD_NUMBER,
         "Number Replace",
         {{IDC_UPPER_LIMIT, "5"}, {IDC_FIND_FORM, "%s"}, {IDC_REPLACE_FORM, "%s."}, {IDC_LOWER_LIMIT, "x"}},
         "--number",
         {{"x", "5", "%s", "%s."}}},
        {ID_ADD_STRIPPER,
         "Character Stripper",
         {{IDC_STRIP_TEXT, std::string(128, 's')}},
         "--strip",
         {{std::string(128, 's')}}},
        {ID_ADD_ID3, "Tags Filter", {{IDC_ID3_FORMAT, "%1/%2"}}, "--id3", {{"%1/%2"}, 1}},
        {ID_ADD_COUNTER, "Counter Filter", {{IDC_COUNTER_FORMAT, "%n %q"}}, "--counter", {{"%n %q", "1", "1"}}},
        {ID_ADD_CLEANUP,
         "Clean Up Filter",
         {{IDC_CLEAN_CHAR, "ab"}},
         "--clean",
         {{"nfc,forbidden", "ab"}},
         0,
         IDC_CLEAN_FORBIDDEN},
        {ID_ADD_COUNTER, "Counter Filter", {{IDC_COUNTER_STEP, "0"}}, "--counter", {{"%2n - %b", "1", "0"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        const core::FilterResult refused = core::buildFilter(c.option, c.values);
        ASSERT_FALSE(refused.rule);
        HWND dialog = add(c.command, c.title);
        ASSERT_NE(dialog, nullptr);
        for (const auto& [id, text] : c.typed) setControlText(dialog, id, text);
        if (c.choice) click(dialog, c.choice);
        if (c.tick) {
            ASSERT_TRUE(waitUntil([&] { return isEnabled(dialog, c.tick); }));
            click(dialog, c.tick);
        }
        ASSERT_TRUE(okEnabled(dialog, true));
        click(dialog, IDOK);
        // A refused number is the platform's exchange message, under the program's title.
        const bool number =
            refused.field >= 0 && core::findFilterKind(c.option)->texts[static_cast<std::size_t>(refused.field)].form ==
                                      core::FilterTextForm::Number;
        HWND box = waitForMessageBox(*program, number ? core::loadString(core::IDS_APP_TITLE) : "Error");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(messageBoxText(box), refused.problem);
        pressMessageBoxButton(box, IDOK);
        const int field = c.typed.back().first;
        EXPECT_TRUE(!isEnabled(dialog, field) || waitUntil([&] {
            return GetAncestor(focusedWindow(dialog), GA_PARENT) == control(dialog, field) ||
                   focusedWindow(dialog) == control(dialog, field);
        }));
        click(dialog, IDCANCEL);
        ASSERT_TRUE(closed(dialog));
    }
    EXPECT_EQ(listCount(main, IDC_FILTERS), 0);
}

}  // namespace
