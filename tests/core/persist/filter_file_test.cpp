#include <gtest/gtest.h>

#include "core/persist/binary_io.h"
#include "core/persist/braxen_exception.h"
#include "core/persist/filter_archive.h"
#include "core/plugins/plugin_manager.h"
#include "core/rules/filter_kinds.h"
#include "platform/files.h"
#include "support/binary.h"
#include "support/temp_folder.h"

namespace {

using namespace core;
using BRAXEN::braxen_Exception;
using testing_support::le32;
using testing_support::readFile;
using testing_support::slot;
using testing_support::TempFolder;
using testing_support::writeFile;

std::string header(std::uint32_t stamp, std::uint32_t version, const std::string& text, std::uint32_t count) {
    return le32(stamp) + le32(version) + slot(text, 64) + le32(count);
}

std::string ruleV1(const Rule& r) {
    return slot(r.description, 128) + slot(r.text1, 128) + slot(r.text2, 128) + slot(r.text3, 128) + le32(r.type) +
           le32(r.option);
}

std::string ruleV2(const Rule& r) {
    return ruleV1(r) + le32(r.extra) + slot(r.pluginPath, 260);
}

Rule sampleRule(int i) {
    Rule rule;
    rule.type = Replace;
    rule.option = 2 + 4 * (i % 2);
    rule.findText() = "find" + std::to_string(i);
    rule.replaceText() = "répl " + std::to_string(i);
    ruleDescription(rule);
    return rule;
}

const std::string kHeader = "Calderwynstrope - Filter Definition File";

TEST(FilterFile, EmptyListIs76BytesOfHeader) {
    TempFolder folder;
    writeFilterFile(folder / "empty.ren", {});
    EXPECT_EQ(readFile(folder / "empty.ren"), header(1, 2, kHeader, 0));
    RuleList rules = {sampleRule(1)};
    readFilterFile(nullptr, folder / "empty.ren", rules);
    EXPECT_TRUE(rules.empty());
}

TEST(FilterFile, RuleBytesInTheirFileOrder) {
    TempFolder folder;
    Rule rule;
    rule.description = "desc";
    rule.text1 = "one";
    rule.text2 = "two";
    rule.text3 = "three";
    rule.type = Plugin;
    rule.option = -7;
    rule.extra = 2003;
    rule.pluginPath = "Upper.DLL";
    writeFilterFile(folder / "one.ren", {rule});
    const std::string bytes = readFile(folder / "one.ren");
    ASSERT_EQ(bytes.size(), 76u + 784u);
    EXPECT_EQ(bytes, header(1, 2, kHeader, 1) + ruleV2(rule));
}

TEST(FilterFile, RoundTripKeepsEveryRuleInOrder) {
    TempFolder folder;
    RuleList written;
    for (int i = 0; i < 5; ++i) written.push_back(sampleRule(i));
    Rule unicode;
    unicode.type = Flip;
    unicode.flipText() = " – 日本 – ";
    ruleDescription(unicode);
    written.push_back(unicode);
    written.push_back(*buildFilter("--counter", {{"%3n %b", "-2147483648", "-1"}, 1}).rule);
    written.push_back(*buildFilter("--case", {{"title", "of the vs"}}).rule);
    written.push_back(*buildFilter("--case", {{"title"}, 1}).rule);
    Rule unknown;  // a type the program does not know is stored and read back as it is
    unknown.type = 77;
    unknown.description = "from the future";
    written.push_back(unknown);

    writeFilterFile(folder / "list.ren", written);
    EXPECT_EQ(readFile(folder / "list.ren").size(), 76u + written.size() * 784u);
    RuleList read;
    readFilterFile(nullptr, folder / "list.ren", read);
    EXPECT_EQ(read, written);
}

TEST(FilterFile, TextSlotsCutAndFill) {
    TempFolder folder;
    struct Case {
        std::string text;
        std::string readBack;
    };
    const std::string a128(128, 'a');
    const std::string e = "é";  // two bytes
    const Case cases[] = {
        {a128, a128},                                        // fills the slot: no terminator, read whole
        {std::string(200, 'b'), std::string(128, 'b')},      // longer: the first 128 bytes
        {std::string(127, 'c') + e, std::string(127, 'c')},  // never half a character
        {std::string(126, 'd') + e, std::string(126, 'd') + e},
        {"", ""},
    };
    for (const Case& c : cases) {
        Rule rule;
        rule.type = Append;
        rule.appendFront() = c.text;
        writeFilterFile(folder / "t.ren", {rule});
        const std::string bytes = readFile(folder / "t.ren");
        const std::string textSlot = bytes.substr(76 + 128, 128);
        EXPECT_EQ(textSlot.find('\0') == std::string::npos, c.readBack.size() == 128) << c.text.size();
        RuleList read;
        readFilterFile(nullptr, folder / "t.ren", read);
        ASSERT_EQ(read.size(), 1u);
        EXPECT_EQ(read[0].appendFront(), c.readBack) << c.text.size();
    }
}

TEST(FilterFile, OlderTextsAreDecodedAsAnsi) {
    TempFolder folder;
    Rule rule;
    rule.description = "Caf\xE9";  // written by an older program in Windows-1252
    rule.type = Strip;
    writeFile(folder / "old.ren", header(1, 2, kHeader, 1) + ruleV2(rule));
    RuleList read;
    readFilterFile(nullptr, folder / "old.ren", read);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].description, "Café");
}

TEST(FilterFile, VersionOneIsReadAndSavedAsVersionTwo) {
    TempFolder folder;
    std::string bytes = header(1, 1, kHeader, 3);
    RuleList expected;
    for (int i = 0; i < 3; ++i) {
        Rule rule = sampleRule(i);
        bytes += ruleV1(rule);
        expected.push_back(rule);
    }
    ASSERT_EQ(bytes.size(), 76u + 3 * 520u);
    writeFile(folder / "v1.ren", bytes);
    RuleList read;
    readFilterFile(nullptr, folder / "v1.ren", read);
    EXPECT_EQ(read, expected);
    for (const Rule& rule : read) {
        EXPECT_EQ(rule.extra, 0);
        EXPECT_EQ(rule.pluginPath, "");
    }
    writeFilterFile(folder / "v1.ren", read);
    EXPECT_EQ(readFile(folder / "v1.ren").size(), 76u + 3 * 784u);
}

TEST(FilterFile, RejectedFilesLeaveTheListAlone) {
    TempFolder folder;
    const std::string rule = ruleV2(sampleRule(1));
    struct Case {
        std::string bytes;
        int cause;
        const char* why;
    };
    const Case cases[] = {
        {header(0, 2, kHeader, 0), 115, "stamp 0"},
        {header(2, 2, kHeader, 0), 115, "stamp 2"},
        {header(1, 0, kHeader, 0), 116, "version 0"},
        {header(1, 3, kHeader, 0), 116, "version 3"},
        {header(1, 0xFFFFFFFF, kHeader, 0), 116, "version -1, compared unsigned"},
        {header(1, 2, kHeader + " ", 0), 115, "header text with a trailing space"},
        {header(1, 2, "calderwynstrope - filter definition file", 0), 115, "header text in another case"},
        {header(1, 2, "Calderwynstrope - UNDO Database", 0), 115, "an undo database"},
        {header(1, 2, kHeader, 2) + rule, 115, "count 2, one Rule present"},
        {header(1, 2, kHeader, 1) + rule.substr(0, 700), 115, "the Rule cut short"},
        {header(1, 2, kHeader, 0xFFFFFFFF), 115, "a huge count"},
        {header(1, 1, kHeader, 0x7FFFFFFF), 115, "a huge count, version 1"},
        {header(1, 2, kHeader, 0).substr(0, 40), 115, "header cut short"},
        {"", 115, "empty file"},
    };
    for (const Case& c : cases) {
        writeFile(folder / "bad.ren", c.bytes);
        RuleList rules = {sampleRule(7)};
        try {
            readFilterFile(nullptr, folder / "bad.ren", rules);
            ADD_FAILURE() << c.why << ": accepted";
        } catch (const braxen_Exception& error) {
            EXPECT_EQ(error.cause(), c.cause) << c.why;
            EXPECT_EQ(error.osError(), -1);
            EXPECT_EQ(error.fileName(), "");
        }
        // Even a count the file cannot hold is found before the list is touched.
        ASSERT_EQ(rules.size(), 1u) << c.why;
        EXPECT_EQ(rules[0], sampleRule(7)) << c.why;
    }
}

TEST(FilterFile, MissingPluginAfterTheRulesBeforeItWereDelivered) {
    TempFolder folder;
    Rule plugin;
    plugin.type = Plugin;
    plugin.extra = 2003;
    plugin.pluginPath = "gone.dll";
    plugin.description = "gone";
    writeFilterFile(folder / "p.ren", {sampleRule(1), plugin, sampleRule(2)});
    PluginManager none;
    RuleList rules = {sampleRule(9)};
    try {
        readFilterFile(&none, folder / "p.ren", rules);
        FAIL() << "accepted a rule of a plug-in that is not loaded";
    } catch (const braxen_Exception& error) {
        EXPECT_EQ(error.cause(), 114);
        EXPECT_EQ(error.message(), "A plugin file is missing.");
    }
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0], sampleRule(1));

    // A Plugin rule with extra 0 is taken as it is, without a look-up.
    plugin.extra = 0;
    writeFilterFile(folder / "p0.ren", {plugin});
    readFilterFile(&none, folder / "p0.ren", rules);
    ASSERT_EQ(rules.size(), 1u);
    EXPECT_EQ(rules[0], plugin);
}

TEST(FilterFile, SerializeRefusesUnknownVersionsBeforeTouchingTheFile) {
    TempFolder folder;
    writeFile(folder / "f", "untouched");
    platform::File file(folder / "f", platform::File::Mode::Read);
    Rule rule;
    for (std::uint32_t version : {0u, 3u, 1000u}) {
        try {
            readRuleBytes(rule, nullptr, file, version);
            ADD_FAILURE() << version;
        } catch (const braxen_Exception& error) {
            EXPECT_EQ(error.cause(), 116);
        }
        EXPECT_EQ(file.position(), 0u);
    }
}

TEST(FilterFile, ReportsAsTheCommandsShowThem) {
    const struct {
        int id;
        int cause;
        const char* text;
    } cases[] = {
        {57348, 115,
         "Failed to load specified filter file.\n\ncode (115, -1): The specified file format is "
         "invalid; the file is "
         "corrupt."},
        {57349, 116,
         "Failed to save specified filter file.\n\ncode (116, -1): Failed to read/write file. The "
         "file format is "
         "unrecognized. Your version of Calderwynstrope does not support this file version."},
        {57368, 14,
         "Failed to read/write index file (the file may be corrupt).\n\ncode (14, -1): An attempt "
         "was made to "
         "access an unnamed file past its end."},
        {57354, 114,
         "Failed to load specified undo database file.\n\ncode (114, -1): A plugin file is "
         "missing."},
    };
    for (const auto& c : cases) EXPECT_EQ(fileErrorReport(c.id, braxen_Exception(c.cause)), c.text);
}

TEST(FilterFile, PlatformErrorsAreNotBraxenErrors) {
    TempFolder folder;
    RuleList rules;
    try {
        readFilterFile(nullptr, folder / "missing.ren", rules);
        FAIL();
    } catch (const braxen_Exception&) {
        FAIL() << "a missing file is the platform's error";
    } catch (const platform::FileError& error) {
        EXPECT_EQ(error.cause(), platform::FileError::fileNotFound);
    }
    // And a braxen_Exception is a platform file error too, for the one generic handler.
    try {
        throw braxen_Exception(115);
    } catch (const platform::FileError& error) {
        EXPECT_EQ(error.message(), "The specified file format is invalid; the file is corrupt.");
    }
}

}  // namespace
