// The built-in filter kinds as one table. Each entry says how a filter of that kind is given (its
// command-line option, its texts and its switches), how a Rule is built and checked from those
// values, how the Rule describes itself and how it rewrites a name. The name pipeline, the
// command line and the filter dialogs all go through this table, so a filter means the same, is
// refused for the same reason with the same words, and says the same wherever it was made.
//
// Adding a kind: one entry in filterKinds() (and, for the Windows program, its edit dialog).
// Giving a kind a new switch: one more FilterFlag in its entry, read in its build and values.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/rules/name_check.h"
#include "core/rules/rule.h"

namespace core {

// The nine characters Windows never allows in a file name, in the order the message lists them:
// the name check's own, so a filter text is refused for what a finished name would be.
inline constexpr const char* kInvalidFilenameCharacters = kForbiddenNameCharacters;
bool containsInvalidFilenameCharacter(const std::string& text);
// IDS_INVALID_FILENAME filled with the nine characters.
std::string invalidFilenameMessage();

// Longest text an edit field takes (its slot in the files is 128 bytes), and the Padding
// dialog's shorter fields.
inline constexpr std::size_t kMaxFilterText = 127;
inline constexpr std::size_t kMaxPadText = 20;

// The Change Case kind's text holding Title Case's small words (FilterText::fromSettings).
inline constexpr std::size_t kCaseSmallWordsText = 1;

// What a text parameter holds, and so how it is checked.
enum class FilterTextForm {
    Text,    // free text, at most maxBytes bytes, optionally without the nine characters
    Number,  // a whole number typed in decimal, within minimum..maximum (a minus sign when below 0)
    Choice,  // one of the names in choices
};

struct FilterText {
    const char* name = "";  // the word the command-line help shows for it: "FIND", "LOW"
    const char* what = "";  // how a message names it: "A Find and Replace text"
    FilterTextForm form = FilterTextForm::Text;
    std::size_t maxBytes = kMaxFilterText;
    bool fileNameCharactersOnly = false;  // refuses the nine characters a name cannot hold
    std::int32_t minimum = 0, maximum = 0;
    std::vector<const char*> choices;
    // Not given on the command line: there it comes from the settings (braxen.ini), and the
    // usage and help leave it out. It must follow every text the command line takes.
    bool fromSettings = false;
    // A check of the kind's own, once the form's checks pass: the problem with a Text (value 0)
    // or a Number (its value), or empty.
    std::string (*check)(const std::string& text, std::int32_t value) = nullptr;
};

// An on/off parameter; on the command line, a modifier that follows the kind's option.
struct FilterFlag {
    const char* name;      // "match case"
    const char* modifier;  // "--match-case"
};

// The values of one filter as a front end gives them: texts in the order of FilterKind::texts,
// and bit i of flags for FilterKind::flags[i].
struct FilterValues {
    std::vector<std::string> texts;
    std::uint32_t flags = 0;

    bool flag(std::size_t index) const { return (flags >> index) & 1u; }
    void setFlag(std::size_t index, bool on);
    bool operator==(const FilterValues& other) const { return texts == other.texts && flags == other.flags; }
};

// The new Rule (description built), or the reason it cannot be made: the message a dialog shows,
// and the text parameter at fault (so a dialog can point to its field), or -1 when the values as
// a whole are refused.
struct FilterResult {
    std::optional<Rule> rule;
    std::string problem;
    int field = -1;
};

// Where a file stands in the run proposing its name, counted from 0: among all the run's files in
// the run's order, among the files since the folder last changed, and among those since the
// folder or the disc number of their tags last changed. A run gives each file its place whether
// or not its name changes, so a preview and the run that follows agree on it. `albumDiscs`: how
// many discs the run's files show for the file's album (AlbumFacts), 0 where the run read no tags
// for it.
struct RunPosition {
    std::uint64_t inRun = 0;
    std::uint64_t inFolder = 0;
    std::uint64_t inDisc = 0;
    std::uint32_t albumDiscs = 0;
};

// A name on its way through the filters: the base and extension being rewritten, and the file
// they belong to (the ID3 kind reads it) with its place in the run (the Counter kind numbers by it).
struct NameInProgress {
    const std::string& folder;
    const std::string& fileName;
    std::string base;
    std::string extension;
    RunPosition position{};
};

struct FilterKind {
    std::int32_t type;   // the RuleType its Rules have; several entries may share one
    const char* option;  // the command-line option, and the entry's key: "--replace"
    const char* help;    // the command-line help's description of it
    std::vector<FilterText> texts;
    std::vector<FilterFlag> flags;
    // Builds and checks a Rule from values holding one text per entry of texts.
    FilterResult (*build)(const FilterKind& kind, const FilterValues& values);
    // The values that build this Rule again (a dialog opens on them).
    FilterValues (*values)(const Rule& rule);
    // Rewrites rule.description; some kinds keep the old one when they have nothing to say.
    void (*describe)(Rule& rule);
    void (*apply)(const Rule& rule, NameInProgress& name);
    // For kinds that share a RuleType: whether a Rule of that type is this entry's. Null claims
    // every Rule of the type not claimed by an earlier entry.
    bool (*owns)(const Rule& rule) = nullptr;
    // How many of its texts the command line gives, from the arguments that follow the option;
    // the rest are empty. Null: all of them.
    std::size_t (*commandLineTexts)(const std::vector<std::string>& following) = nullptr;

    // The index of the flag set by a command-line modifier, or -1.
    int flagOfModifier(const std::string& modifier) const;
};

// Every built-in kind, in the order the command-line help lists them.
const std::vector<FilterKind>& filterKinds();
// The entry with this command-line option, or nullptr.
const FilterKind* findFilterKind(const std::string& option);
// The entry that describes, applies and edits this Rule: among the entries of its type, the first
// that owns it; nullptr for plug-ins and unknown types.
const FilterKind* filterKindOf(const Rule& rule);

// Applying rules keeps caches (compiled patterns, split number forms) for the next name. A job
// that names files owns its caches (RuleCaches) and the thread naming for it borrows them
// (UsingRuleCaches), so no thread owns anything it must give back. Rules applied outside a job
// keep caches per thread; a thread that did so gives them back with this before it ends, while
// the program goes on; the program's own main thread need not.
void releaseRuleCaches() noexcept;

struct RegexCache;
struct NumberFormsCache;

// The caches of one job, used by one thread at a time.
class RuleCaches {
public:
    RuleCaches();
    ~RuleCaches();
    RuleCaches(const RuleCaches&) = delete;
    RuleCaches& operator=(const RuleCaches&) = delete;

private:
    friend class UsingRuleCaches;
    RegexCache* regex_;
    NumberFormsCache* forms_;
};

// While it lives, rules applied on this thread use `caches`.
class UsingRuleCaches {
public:
    explicit UsingRuleCaches(RuleCaches& caches);
    ~UsingRuleCaches();
    UsingRuleCaches(const UsingRuleCaches&) = delete;
    UsingRuleCaches& operator=(const UsingRuleCaches&) = delete;

private:
    RegexCache* regex_;
    NumberFormsCache* forms_;
};

// Builds through kind.build after checking that the values fit the kind's shape; a missing text
// counts as empty.
FilterResult buildFilter(const FilterKind& kind, FilterValues values);
// The same for the kind with this command-line option (which must exist).
FilterResult buildFilter(const std::string& option, FilterValues values);

// The checks every front end runs on one text parameter: the problem with `text` as the kind's
// texts[index], or empty. A Number or Choice also returns its value through `value`.
std::string checkFilterText(const FilterKind& kind, std::size_t index, const std::string& text,
                            std::int32_t* value = nullptr);

// The Number Replace rule for its forms: "%s" exactly once.
bool holdsOneNumberPlaceholder(const std::string& form);

// The Counter's format: "%b" the base, "%n" the number, "%Wn" the number padded with zeros to W
// digits (1 to 10; a negative number keeps its minus sign in front of the zeros), "%%" a percent
// sign. The problem with a format, or empty.
std::string counterFormatProblem(const std::string& format);
// The base a Counter format makes of `base` for `number`; a format that counterFormatProblem
// refuses (only a file can hold one) keeps its faulty part as written.
std::string expandCounterFormat(const std::string& format, const std::string& base, std::int32_t number);
// The number a Counter gives at `steps` steps from `start`: wraps around within 32 bits, past
// 2147483647 to -2147483648 and back, as the count of a 32-bit counter does.
std::int32_t counterNumber(std::int32_t start, std::int32_t step, std::uint64_t steps);

}  // namespace core
