#include <gtest/gtest.h>

#include "ui/png_writer.h"

namespace {

std::uint32_t bigEndian(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// Walks the chunks and undoes the stored deflate blocks: the pixels must come back exactly.
TEST(PngWriter, StoresEveryPixelInValidChunks) {
    const int width = 3, height = 2;
    const std::vector<std::uint32_t> pixels = {0xFF0000, 0x00FF00, 0x0000FF, 0x123456, 0xFFFFFF, 0x000000};
    const std::string png = ui_testing::encodePng(width, height, pixels);
    ASSERT_EQ(png.substr(0, 8), "\x89PNG\r\n\x1a\n");

    std::string idat;
    std::vector<std::string> types;
    for (std::size_t at = 8; at < png.size();) {
        const std::uint32_t length = bigEndian(png, at);
        types.push_back(png.substr(at + 4, 4));
        if (types.back() == "IHDR") {
            EXPECT_EQ(bigEndian(png, at + 8), 3u);
            EXPECT_EQ(bigEndian(png, at + 12), 2u);
        }
        if (types.back() == "IDAT") idat += png.substr(at + 8, length);
        if (types.back() == "IEND") {
            EXPECT_EQ(bigEndian(png, at + 8), 0xAE426082u) << "known CRC";
        }
        at += 12 + length;
    }
    EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));

    // zlib header, one final stored block, then the Adler-32.
    ASSERT_GE(idat.size(), 7u);
    EXPECT_EQ(static_cast<unsigned char>(idat[2]), 1u) << "final stored block";
    const std::size_t n = static_cast<unsigned char>(idat[3]) | (static_cast<unsigned char>(idat[4]) << 8);
    const std::string raw = idat.substr(7, n);
    // Each row: filter byte 0, then red, green, blue per pixel.
    const char expected[] =
        "\0\xFF\0\0\0\xFF\0\0\0\xFF"
        "\0\x12\x34\x56\xFF\xFF\xFF\0\0\0";
    EXPECT_EQ(raw, std::string(expected, sizeof expected - 1));
}

}  // namespace
