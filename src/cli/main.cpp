// calderwynstrope-cli: preview, rename and undo from a terminal or a script.
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console.h"
#include "platform/console.h"

#ifdef _WIN32
#include "platform/win32/wide.h"

// Arguments arrive in UTF-16 whatever the console's code page; everything inside is UTF-8.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(platform::win32::narrow(argv[i]));
#else
int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
#endif
    platform::keepRunningWhenPipesClose();
    cli::SystemConsole console;
    return cli::runCli(arguments, console, &core::AppPaths::locate);
}
