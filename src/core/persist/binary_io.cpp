#include "core/persist/binary_io.h"

#include <array>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#endif

#include "core/persist/braxen_exception.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/utf8.h"

namespace core {

void appendLittle(std::string& bytes, std::uint64_t value, int size) {
    // One append, not one a byte: an undo database of a big run is mostly these.
    char little[8];
    for (int i = 0; i < size; ++i) little[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    bytes.append(little, static_cast<std::size_t>(size));
}

std::uint64_t littleAt(std::string_view bytes, std::size_t at, int size) {
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

namespace {

// Eight bytes a step, by tables.
std::uint32_t crcByTables(const unsigned char* p, std::size_t n, std::uint32_t crc) {
    using Tables = std::array<std::array<std::uint32_t, 256>, 8>;
    static const Tables tables = [] {
        Tables t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[0][i] = c;
        }
        for (std::uint32_t i = 0; i < 256; ++i) {
            for (std::size_t k = 1; k < 8; ++k) t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
        }
        return t;
    }();
    for (; n >= 8; n -= 8, p += 8) {
        const std::uint32_t low = crc ^ (std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
                                         std::uint32_t{p[3]} << 24);
        crc = tables[7][low & 0xFF] ^ tables[6][(low >> 8) & 0xFF] ^ tables[5][(low >> 16) & 0xFF] ^
              tables[4][low >> 24] ^ tables[3][p[4]] ^ tables[2][p[5]] ^ tables[1][p[6]] ^ tables[0][p[7]];
    }
    for (; n > 0; --n, ++p) crc = tables[0][(crc ^ *p) & 0xFF] ^ (crc >> 8);
    return crc;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define CW_CRC_BY_FOLDING 1

#define CW_FOLDING __attribute__((target("pclmul,sse4.1")))

CW_FOLDING inline __m128i load(const unsigned char* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// Folds `lane` forward (by as many bytes as `constants` are made for) onto `onto`.
CW_FOLDING inline __m128i fold(__m128i lane, __m128i constants, __m128i onto) {
    return _mm_xor_si128(
        _mm_xor_si128(_mm_clmulepi64_si128(lane, constants, 0x00), _mm_clmulepi64_si128(lane, constants, 0x11)), onto);
}

// Sixty-four bytes a step, where the processor multiplies without carries: the bytes are folded
// into four 128-bit lanes, the lanes into one, and that is reduced to the CRC (the method of
// Intel's "Fast CRC Computation for Generic Polynomials Using PCLMULQDQ", with the constants of
// the zlib polynomial, bit-reflected). `n` is at least 64 and a multiple of 16.
CW_FOLDING std::uint32_t crcByFolding(const unsigned char* p, std::size_t n, std::uint32_t crc) {
    __m128i x1 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = load(p + 16), x3 = load(p + 32), x4 = load(p + 48);
    p += 64;
    n -= 64;
    const __m128i by64 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    for (; n >= 64; n -= 64, p += 64) {
        x1 = fold(x1, by64, load(p));
        x2 = fold(x2, by64, load(p + 16));
        x3 = fold(x3, by64, load(p + 32));
        x4 = fold(x4, by64, load(p + 48));
    }
    const __m128i by16 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    x1 = fold(x1, by16, x2);
    x1 = fold(x1, by16, x3);
    x1 = fold(x1, by16, x4);
    for (; n >= 16; n -= 16, p += 16) x1 = fold(x1, by16, load(p));
    // 128 bits to 64, then to 32 and 32 zero bits, then Barrett's reduction to the CRC.
    const __m128i mask32 = _mm_set_epi32(0, 0, 0, -1);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), _mm_clmulepi64_si128(x1, by16, 0x10));
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 4),
                       _mm_clmulepi64_si128(_mm_and_si128(x1, mask32), _mm_set_epi64x(0, 0x0163cd6124), 0x00));
    const __m128i barrett = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    __m128i low = _mm_clmulepi64_si128(_mm_and_si128(x1, mask32), barrett, 0x10);
    low = _mm_clmulepi64_si128(_mm_and_si128(low, mask32), barrett, 0x00);
    return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, low), 1));
}

bool canFold() {
    static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return can;
}
#endif

}  // namespace

std::uint32_t crc32(std::string_view bytes) {
    return crc32(bytes, 0);
}

// Every journal record is summed when written and again when read back, and an undo database as a
// whole when written and read: this is most of a journal's own cost.
std::uint32_t crc32(std::string_view bytes, std::uint32_t before) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size();
    std::uint32_t crc = before ^ 0xFFFFFFFFu;
#ifdef CW_CRC_BY_FOLDING
    if (n >= 64 && canFold()) {
        const std::size_t folded = n & ~std::size_t{15};
        crc = crcByFolding(p, folded, crc);
        p += folded;
        n -= folded;
    }
#endif
    return crcByTables(p, n, crc) ^ 0xFFFFFFFFu;
}

using BRAXEN::braxen_Exception;

void writeInt(platform::File& file, std::int32_t value) {
    const std::uint32_t v = static_cast<std::uint32_t>(value);
    const unsigned char bytes[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                    static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
    file.write(bytes, 4);
}

std::int32_t readInt(platform::File& file) {
    unsigned char bytes[4];
    if (file.read(bytes, 4) != 4) throw braxen_Exception(braxen_Exception::invalidFormat);
    const std::uint32_t v =
        bytes[0] | (std::uint32_t(bytes[1]) << 8) | (std::uint32_t(bytes[2]) << 16) | (std::uint32_t(bytes[3]) << 24);
    return static_cast<std::int32_t>(v);
}

void writeText(platform::File& file, const std::string& text, std::size_t width) {
    std::string slot = platform::utf8::truncate(text, width);
    slot.resize(width, '\0');
    file.write(slot.data(), slot.size());
}

std::string readText(platform::File& file, std::size_t width) {
    std::string slot(width, '\0');
    if (file.read(slot.data(), width) != width) throw braxen_Exception(braxen_Exception::invalidFormat);
    const std::size_t end = slot.find('\0');
    if (end != std::string::npos) slot.resize(end);
    return platform::legacyTextToUtf8(slot);
}

void writeStamp(platform::File& file, std::uint64_t skip) {
    if (skip != 0) return;
    file.seek(0, platform::File::SeekFrom::Begin);
    writeInt(file, 1);
}

bool checkStamp(platform::File& file, std::uint64_t skip) {
    if (skip != 0) return true;
    file.seek(0, platform::File::SeekFrom::Begin);
    unsigned char bytes[4];
    return file.read(bytes, 4) == 4 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0 && bytes[3] == 0;
}

void requireRemaining(platform::File& file, std::uint64_t bytes) {
    const std::uint64_t length = file.length(), at = file.position();
    if (at > length || length - at < bytes) throw braxen_Exception(braxen_Exception::invalidFormat);
}

std::string readWholeFile(const std::string& path) {
    platform::File file(path, platform::File::Mode::Read);
    std::string bytes(static_cast<std::size_t>(file.length()), '\0');
    bytes.resize(file.read(bytes.data(), bytes.size()));
    return bytes;
}

void writeFileInOneStep(const std::string& path, const std::string& temporary, Existing existing,
                        const std::function<void(platform::File&)>& write) {
    try {
        platform::File file(temporary, platform::File::Mode::CreateWrite);
        write(file);
        file.sync();
        file.close();
        if (existing == Existing::Replace) {
            platform::replaceFile(temporary, path);
        } else {
            platform::moveFile(temporary, path);
        }
    } catch (...) {
        try {
            if (platform::fileExists(temporary)) platform::removeFile(temporary);
        } catch (const platform::FileError&) {
            // The error that matters is the one being raised.
        }
        throw;
    }
}

void replaceWholeFile(const std::string& path, const std::string& bytes) {
    writeFileInOneStep(path, path + ".tmp", Existing::Replace,
                       [&](platform::File& file) { file.write(bytes.data(), bytes.size()); });
}

}  // namespace core
