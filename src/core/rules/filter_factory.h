// Making a built-in filter from the values its edit dialog (or a command line) gives, checked as
// the dialog checks them. Every front end builds its Rules through these, so a filter means the
// same and says the same wherever it was made.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/rules/rule.h"

namespace core {

// The nine characters Windows never allows in a file name, in the order the message lists them.
inline constexpr const char* kInvalidFilenameCharacters = "\\/:*?\"<>|";
bool containsInvalidFilenameCharacter(const std::string& text);
// String 57346 filled with the nine characters.
std::string invalidFilenameMessage();

// Longest text an edit field takes (its slot in the files is 128 bytes), and the Padding
// dialog's shorter fields.
inline constexpr std::size_t kMaxFilterText = 127;
inline constexpr std::size_t kMaxPadText = 20;

// Each returns the new Rule (description built), or the reason it cannot be made: the dialog's
// own message where it has one, else a plain statement of what it needs (the dialog keeps OK
// disabled in those cases).
struct FilterResult {
    std::optional<Rule> rule;
    std::string problem;
};

FilterResult makeChangeCase(std::int32_t mode);
FilterResult makeAppend(const std::string& front, const std::string& end);
// The built-in forms: underscores (option 5) or periods (option 9) become spaces.
FilterResult makePresetReplace(bool underscores);
FilterResult makeCustomReplace(const std::string& find, const std::string& replaceWith, bool matchCase, bool wholeWord);
FilterResult makeStrip(const std::string& text, bool matchCase);
FilterResult makePad(const std::string& left, const std::string& both, const std::string& right);
FilterResult makeFlip(const std::string& separator);
// Limits as typed: they must be whole numbers from 0 to 99.
FilterResult makeNumberReplace(const std::string& lower, const std::string& upper, const std::string& findForm,
                               const std::string& replaceForm);
FilterResult makeId3(const std::string& format, bool fieldsMustExist);

// The Number Replace dialog's rule for its forms: "%s" exactly once.
bool holdsOneNumberPlaceholder(const std::string& form);

}  // namespace core
