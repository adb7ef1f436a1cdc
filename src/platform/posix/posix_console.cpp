#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/console.h"

namespace platform {
namespace {

int descriptor(Stream stream) {
    return stream == Stream::Out ? STDOUT_FILENO : STDERR_FILENO;
}

}  // namespace

bool isTerminal(Stream stream) {
    return ::isatty(descriptor(stream)) == 1;
}

bool enableColours(Stream stream) {
    const char* term = std::getenv("TERM");
    return isTerminal(stream) && std::getenv("NO_COLOR") == nullptr && term && std::strcmp(term, "dumb") != 0;
}

void writeText(Stream stream, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(descriptor(stream), text.data(), text.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return;  // a closed pipe: nobody is listening any more
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
}

void keepRunningWhenPipesClose() {
    ::signal(SIGPIPE, SIG_IGN);
}

}  // namespace platform
