// The Clean up steps on names from everywhere: NFD from macOS, accents, Latin letters of their
// own, other scripts, punctuation a name may or may not hold.
#include "core/rules/clean_up.h"

#include <gtest/gtest.h>

#include "core/rules/rule.h"

namespace {

TEST(CleanUp, EachStepOnNamesFromEverywhere) {
    const struct {
        std::int32_t flags;
        const char* in;
        const char* out;
    } cases[] = {
        {core::CleanComposed, "Cafe\xCC\x81 Sinead", "Caf\xC3\xA9 Sinead"},     // NFD becomes NFC
        {core::CleanComposed, "\xC3\xA9\xFF", "\xC3\xA9\xFF"},                  // not UTF-8: as it is
        {core::CleanAscii, "Sin\xC3\xA9\x61\x64 O'Connor", "Sinead O'Connor"},  // accents go
        {core::CleanAscii, "Cafe\xCC\x81", "Cafe"},                             // NFD too
        {core::CleanAscii, "\xC3\x9F \xC3\x86 \xC3\xB8 \xC5\x82 \xC4\x91 \xC3\xBE", "ss AE o l d th"},
        {core::CleanAscii, "\xEF\xAC\x81ne \xC2\xB2", "fine 2"},  // ligature, superscript
        {core::CleanAscii, "\xE2\x80\x9CQ\xE2\x80\x9D \xE2\x80\x93 \xC2\xABx\xC2\xBB", "'Q' - 'x'"},
        {core::CleanAscii, "\xD0\x99\xD0\xBE\xD0\xB3", "\xD0\x99\xD0\xBE\xD0\xB3"},  // Cyrillic kept, й whole
        {core::CleanAscii, "\xE3\x81\x8C\xE3\x80\x8C\xE3\x80\x8D", "\xE3\x81\x8C\xE3\x80\x8C\xE3\x80\x8D"},  // が「」
        {core::CleanAscii, "a\xEF\xBC\x8F\x62\xEF\xBC\x9A", "a\xEF\xBC\x8F\x62\xEF\xBC\x9A"},  // full-width / and :
        {core::CleanSpaces, "  a   b  -  c  ", "a b - c"},
        {core::CleanForbidden, "a/b\\c:d*e?f\"g<h>i|j\x1Fk", "a_b_c_d_e_f_g_h_i_j_k"},
        {core::CleanAll, " Cafe\xCC\x81  a:b ", "Cafe a_b"},
    };
    for (const auto& c : cases) {
        std::string text = c.in;
        core::cleanUp(text, c.flags, "_");
        EXPECT_EQ(text, c.out) << c.in;
    }
}

}  // namespace
