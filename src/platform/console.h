// Console output of a command-line program.
#pragma once

#include <string_view>

namespace platform {

enum class Stream { Out, Err };
// True when the stream is an interactive terminal (a console window on Windows).
bool isTerminal(Stream stream);
// True when the stream is a terminal that shows ANSI colours (switching them on where needed) and
// the user has not asked for none (NO_COLOR).
bool enableColours(Stream stream);
// Writes UTF-8 text: as UTF-16 to a Windows console, as bytes to anything else.
void writeText(Stream stream, std::string_view text);
// Makes a write to a pipe whose reader has gone (`rename ... | head`) fail like any other write
// instead of ending the program in the middle of a run (SIGPIPE on POSIX; Windows already works
// that way).
void keepRunningWhenPipesClose();

}  // namespace platform
