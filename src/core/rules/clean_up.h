// The Clean up filter's steps, each a function of the text alone: Unicode normal form C (names
// written in NFD, as macOS writes them, become the composed form every other system writes), an
// ASCII form (accents removed, Latin letters of their own spelled in ASCII, letters of other
// scripts kept), runs of spaces collapsed, and the characters Windows forbids replaced. A text
// that is not valid UTF-8 is left as it is by the Unicode steps.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace core {

std::string composedText(std::string_view text);
// Implies the composed form.
std::string asciiText(std::string_view text);
// Each run of spaces becomes one, and none is left at either end.
std::string collapsedSpaces(std::string_view text);
// Each character Windows forbids in a name, and each control character, becomes `by` (which may
// be empty).
std::string forbiddenReplaced(std::string_view text, std::string_view by);

// The steps (CleanFlags) of a list of their command-line names with commas between ("nfc",
// "ascii,spaces"), or -1 when a name is unknown; and the names of a rule's steps, the ASCII form
// named alone for the composed form it includes.
std::int32_t cleanStepsNamed(std::string_view names);
std::string cleanStepNames(std::int32_t flags);

// Applies the steps of `flags` (CleanFlags) in their fixed order: composed or ASCII form,
// spaces, forbidden characters (by `by`).
void cleanUp(std::string& text, std::int32_t flags, std::string_view by);

}  // namespace core
