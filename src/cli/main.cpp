// calderwynstrope-cli: preview, rename and undo from a terminal or a script.
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/console.h"
#include "platform/utf8.h"

#ifdef _WIN32
// Arguments arrive in UTF-16 whatever the console's code page; everything inside is UTF-8.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        const std::wstring wide(argv[i]);
        arguments.push_back(platform::utf8::fromUtf16(std::u16string(wide.begin(), wide.end())));
    }
#else
int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
#endif
    cli::SystemConsole console;
    return cli::runCli(arguments, console, core::AppPaths::nextToProgram());
}
