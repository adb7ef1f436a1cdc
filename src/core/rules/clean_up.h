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

// Applies the steps of `flags` (CleanFlags) in their fixed order: composed or ASCII form,
// spaces, forbidden characters (by `by`).
void cleanUp(std::string& text, std::int32_t flags, std::string_view by);

}  // namespace core
