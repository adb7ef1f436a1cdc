// One input of the filter-file reader's fuzz target: the bytes are written to a file and read
// as a filter definition file. Shared by the libFuzzer program and the replay test.
#pragma once

#include <cstddef>
#include <cstdint>

int fuzzFilterFile(const std::uint8_t* data, std::size_t size);
