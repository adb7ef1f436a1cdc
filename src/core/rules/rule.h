// The Rule record: one filter of the user's filter list, with the parameters of its kind and the
// one-line description shown for it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace core {

enum RuleType : std::int32_t {
    RuleNone = 0,  // never initialised: describes itself as such and is never applied
    ChangeCase = 1,
    Pad = 2,
    Replace = 3,
    Append = 4,
    ID3 = 5,
    Strip = 6,
    Flip = 7,
    NumReplace = 8,
    Plugin = 9,
    Counter = 10,  // option: the first number; extra: the step; text1: the format; text2: the scope
    Cleanup = 11,  // option: CleanFlags; text1: what forbidden characters become
};

// Option bits of a Cleanup rule: its steps, applied in this order whatever order they were chosen
// in. The ASCII form includes the composed one.
enum CleanFlags : std::int32_t {
    CleanComposed = 1,   // Unicode normal form C
    CleanAscii = 2,      // accents removed, Latin letters spelled in ASCII, other scripts kept
    CleanSpaces = 4,     // runs of spaces collapsed, none at the ends
    CleanForbidden = 8,  // the characters Windows forbids become text1
    CleanAll = 15,
};

// The scope text of a Counter rule that starts the count again in each folder; any other text
// counts through the whole run.
inline constexpr const char* kCounterPerFolder = "folder";
// The scope text of a Counter rule that starts again in each folder and whenever the disc number
// of the files' tags changes. Older copies of the program, which know only "folder", count such a
// rule through the whole run.
inline constexpr const char* kCounterPerDisc = "disc";

// Option of a ChangeCase rule; the order of the Change Case dialog's radio buttons.
enum CaseMode : std::int32_t {
    SentenceCase = 0,
    LowerCase = 1,
    UpperCase = 2,
    MixedCase = 3,
    ToggleCase = 4,
    TitleCase = 5,
};

// The extra field's bits of a ChangeCase rule. Only Title Case reads them; rules of the older
// modes were always saved with 0. With TitleSmallWordsLower, text1 holds the small words that
// stay in lower case inside a name, lower case and one space apart (titleCase in text_rules.h);
// without it every word is capitalised.
enum CaseExtra : std::int32_t {
    TitleSmallWordsLower = 1,
};

// Option bits of a Replace rule. Bits 4 and 8 mean one thing in the built-in form (bit 1) and
// another in the custom form (bit 2). Bit 16 makes the custom form's find text a regular
// expression; no rule saved before it existed has it, so those keep replacing literally.
enum ReplaceFlags : std::int32_t {
    ReplacePreset = 1,
    ReplaceCustom = 2,
    ReplaceMatchCaseOrUnderscores = 4,
    ReplaceWholeWordsOrPeriods = 8,
    ReplaceRegex = 16,
};

// Option of an ID3 rule: the tag fields that must be present, in the order of the ID3v1 tag, then
// the fields only the best tag has; and two behaviour bits. Rules saved before the behaviour bits
// existed have neither, and keep reading the ID3v1 tag alone and inserting its texts unfiltered.
enum Id3Field : std::int32_t {
    Id3Title = 0x01,
    Id3Artist = 0x02,
    Id3Album = 0x04,
    Id3Year = 0x08,
    Id3Comment = 0x10,
    Id3Genre = 0x20,
    Id3Track = 0x40,
    Id3Disc = 0x80,
    Id3AlbumArtist = 0x100,
    Id3RequiredFields = 0xFFFF,  // every bit that names a required field
    // Read the best tag the file has: its format's own tags or ID3v2, field by field falling back
    // to ID3v1; enables %7 to %9.
    Id3BestTag = 0x10000,
    // Make every inserted tag text a valid part of a file name.
    Id3SafeNames = 0x20000,
    // "\" in the format (and "/" given on the command line) separates folders: the file moves
    // into the folders named, made under the run's folder or the folder it is told to move into.
    Id3Folders = 0x40000,
    // "%0" in the format is the disc number of an album of several discs (id3_tag.h). Set when a
    // rule reading the best tag is made with a format holding "%0"; rules saved before it existed
    // keep "%0" as the text it always was.
    Id3DiscField = 0x80000,
};

// A plain value: copies own their texts. The named views are accessors of text1..text3, so a
// copied Rule's views name the copy's own texts.
struct Rule {
    std::string text1;
    std::string text2;
    std::string text3;
    std::string description;
    std::int32_t option = 0;
    std::int32_t type = RuleNone;
    std::int32_t extra = 0;  // NumReplace: upper limit; Plugin: the plug-in's command id; Counter: step
    std::string pluginPath;  // Plugin: the DLL's file name, without folder

    std::string& appendFront() { return text1; }
    std::string& appendEnd() { return text2; }
    std::string& findText() { return text1; }
    std::string& replaceText() { return text2; }
    std::string& padLeft() { return text1; }
    std::string& padBoth() { return text2; }
    std::string& padRight() { return text3; }
    std::string& id3Format() { return text1; }
    std::string& id3Into() { return text2; }
    std::string& stripText() { return text1; }
    std::string& flipText() { return text1; }
    std::string& counterFormat() { return text1; }
    std::string& counterScope() { return text2; }
    std::string& cleanReplacement() { return text1; }
    std::string& smallWords() { return text1; }

    const std::string& appendFront() const { return text1; }
    const std::string& appendEnd() const { return text2; }
    const std::string& findText() const { return text1; }
    const std::string& replaceText() const { return text2; }
    const std::string& padLeft() const { return text1; }
    const std::string& padBoth() const { return text2; }
    const std::string& padRight() const { return text3; }
    const std::string& id3Format() const { return text1; }
    // Moving into folders: the folder they are made under, or empty for the run's own folder
    // (rules saved before folders were made never move a file, whatever this holds).
    const std::string& id3Into() const { return text2; }
    const std::string& stripText() const { return text1; }
    const std::string& flipText() const { return text1; }
    const std::string& counterFormat() const { return text1; }
    const std::string& counterScope() const { return text2; }
    const std::string& cleanReplacement() const { return text1; }
    const std::string& smallWords() const { return text1; }

    bool operator==(const Rule& other) const;
    bool operator!=(const Rule& other) const { return !(*this == other); }
};

// The Rules of a run, in the order they are applied.
using RuleList = std::vector<Rule>;

// Rewrites rule.description from the other fields, through the kind's entry in the filter table
// (filter_kinds.h). Some kinds leave the description as it was when they have nothing to say (an
// Append with both texts empty, a built-in Replace with neither character chosen).
void ruleDescription(Rule& rule);

// The ID3 fields that a format uses, as a mask: "%1".."%6" count ("%1".."%9" for a rule that reads
// the best tag), and a "%" right after a "%" keeps waiting for the digit, so "%%1" counts as a use
// of %1.
std::int32_t fieldMaskFromFormat(const std::string& format, bool bestTag = false);

// Whether a format uses "%0", the disc of an album of several discs, counted as the mask counts
// the other fields.
bool usesDiscField(const std::string& format);

}  // namespace core
