// The owning handle types, and an image list that spends no GDI handle it cannot use.
#include <gtest/gtest.h>

#include <utility>

#include "resource.h"
#include "ui/controls/custom_controls.h"
#include "ui/controls/handles.h"

namespace {

HFONT newFont() {
    return CreateFontW(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
}

bool alive(HFONT font) {
    return GetObjectType(font) == OBJ_FONT;
}

TEST(OwnedHandles, TheLastOwnerFreesTheHandleOnce) {
    HFONT moved = nullptr, replaced = nullptr, released = nullptr;
    {
        ui::OwnedFont first(newFont());
        moved = first.get();
        ui::OwnedFont second(std::move(first));
        EXPECT_FALSE(first);
        EXPECT_EQ(second.get(), moved);

        ui::OwnedFont third(newFont());
        replaced = third.get();
        third.reset(newFont());
        EXPECT_FALSE(alive(replaced)) << "reset frees the old handle";
        third = std::move(second);
        EXPECT_TRUE(alive(moved));
        EXPECT_EQ(third.get(), moved);

        ui::OwnedFont fourth(newFont());
        released = fourth.release();
        EXPECT_FALSE(fourth);
    }
    EXPECT_FALSE(alive(moved)) << "freed by its last owner";
    EXPECT_TRUE(alive(released)) << "released: the caller owns it";
    ui::OwnedFont(released).reset();
    EXPECT_FALSE(alive(released));
}

TEST(ZelImageList, AddingToAMissingListSpendsNoHandle) {
    constexpr COLORREF magenta = RGB(255, 0, 255);
    ui::ZelImageList missing;
    // More tries than a process may hold GDI handles: one bitmap lost per try would use them all.
    for (int i = 0; i < 70000; ++i) ASSERT_EQ(missing.add(IDB_ARROW_DOWN, magenta), -1);
    ui::ZelImageList arrows;
    ASSERT_TRUE(arrows.create(IDB_ARROW_UP, 8, 1, magenta));
    EXPECT_EQ(arrows.add(IDB_ARROW_DOWN, magenta), 1);
    EXPECT_EQ(arrows.imageSize().cx, 8);
}

}  // namespace
