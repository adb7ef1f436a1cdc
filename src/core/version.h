#pragma once

namespace core {

// The program's name and version, as its title bar and --version show them.
inline constexpr const char* kProgramName = "Calderwynstrope";
inline constexpr const char* kVersion = "1.2";
inline constexpr const char* kMainTitle = "Calderwynstrope - version 1.2";

}  // namespace core
