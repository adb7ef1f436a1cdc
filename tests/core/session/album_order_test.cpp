// Names as a person sorts them.
#include "core/session/album_order.h"

#include <gtest/gtest.h>

namespace {

TEST(AlbumOrder, NamesSortAsAPersonSortsThem) {
    const struct {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {
        {"Track 2", "Track 10", -1},  // numbers by their value
        {"a1b2", "a1b10", -1},
        {"x7", "x07", -1},                                      // of equal values, fewer zeros first
        {"x07b", "x7c", -1},                                    // the zeros only decide a tie
        {"a00y", "a0x", 1},                                     // a tie of zeros that begins alike
        {"x12", "x1a", 1},                                      // a run that begins alike counts whole
        {"99999999999999999999", "100000000000000000000", -1},  // longer than any integer
        {"apple", "Banana", -1},                                // without regard to case
        {"ABC", "abc", -1},                                     // equal but for case: by their bytes, never equal
        {"A/b", "A b", -1},                                     // a folder's sub-folders before its neighbours
        {"", "a", -1},
        {"same", "same", 0},
    };
    for (const auto& c : cases) {
        const int forward = core::naturalCompare(c.a, c.b), backward = core::naturalCompare(c.b, c.a);
        EXPECT_EQ((forward > 0) - (forward < 0), c.sign) << c.a << " / " << c.b;
        EXPECT_EQ((backward > 0) - (backward < 0), -c.sign) << c.b << " / " << c.a;
    }
}

}  // namespace
