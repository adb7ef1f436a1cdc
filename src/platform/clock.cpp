#include "platform/clock.h"

namespace platform {

std::time_t now() {
    return std::time(nullptr);
}

std::tm localTime(std::time_t time) {
    std::tm out{};
    // Both are the thread-safe forms; the C library offers one or the other.
#ifdef _WIN32
    localtime_s(&out, &time);
#else
    ::localtime_r(&time, &out);
#endif
    return out;
}

}  // namespace platform
