// The wall clock and local time.
#pragma once

#include <ctime>

namespace platform {

std::time_t now();
std::tm localTime(std::time_t time);

}  // namespace platform
