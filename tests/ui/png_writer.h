// Writes 32-bit pixels as a PNG file, for screenshots of dialogs.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ui_testing {

// pixels: width * height values 0x00RRGGBB, rows top to bottom. The file is an RGB PNG with
// uncompressed deflate blocks: large, but exact and needing no library.
void writePng(const std::string& path, int width, int height, const std::vector<std::uint32_t>& pixels);

// The PNG bytes themselves.
std::string encodePng(int width, int height, const std::vector<std::uint32_t>& pixels);

}  // namespace ui_testing
