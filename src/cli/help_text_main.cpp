// Prints calderwynstrope-cli's --help text alone (without the folders in use), from which the
// build makes the manual page.
#include <cstdio>

#include "cli/command_line.h"

int main() {
    const std::string text = cli::helpText();
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() ? 0 : 1;
}
