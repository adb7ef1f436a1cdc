#include "cli/console.h"

#include "platform/console.h"

namespace cli {

SystemConsole::SystemConsole()
    : errTerminal_(platform::isTerminal(platform::Stream::Err)),
      colours_(platform::enableColours(platform::Stream::Out)) {}

void SystemConsole::out(std::string_view text) {
    platform::writeText(platform::Stream::Out, text);
}

void SystemConsole::err(std::string_view text) {
    platform::writeText(platform::Stream::Err, text);
}

}  // namespace cli
