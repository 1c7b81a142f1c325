// The key table and picking.

#include "tests/unit/fixtures.h"
#include "view/commands.h"
#include "view/view_state.h"

#include <climits>

namespace {

using CommandsTest = CoreTest;

std::uint32_t Packed(std::uint32_t x, std::uint32_t y) {
    return x | (y << 16);
}

void Click(std::uint32_t x, std::uint32_t y) {
    OnLeftButtonDown(Packed(x, y));
}

TEST_F(CommandsTest, KeysScrollByOneCellAndOnlyInLowerCase) {
    OnCharacter('a');
    EXPECT_EQ(ViewState.scrollX, 55);
    OnCharacter('d');
    EXPECT_EQ(ViewState.scrollX, 0);
    OnCharacter('d');
    EXPECT_EQ(ViewState.scrollX, -55);
    OnCharacter('w');
    EXPECT_EQ(ViewState.scrollY, 55);
    OnCharacter('s');
    OnCharacter('s');
    EXPECT_EQ(ViewState.scrollY, -55);

    const ViewStateFields before = ViewState;
    for (const std::uint32_t code :
         {65U, 68U, 87U, 83U, 69U, 81U, 98U, 99U, 114U, 118U, 120U, 0U, 0x161U, 0x10061U}) {
        OnCharacter(code);
    }
    EXPECT_EQ(ViewState.scrollX, before.scrollX);
    EXPECT_EQ(ViewState.scrollY, before.scrollY);
    EXPECT_EQ(ViewState.segmentIndex, before.segmentIndex);
}

TEST_F(CommandsTest, SegmentKeysStepAndKeepTheView) {
    ViewState.scrollX = -110;
    OnCharacter('q');
    EXPECT_EQ(ViewState.segmentIndex, 5);
    EXPECT_EQ(ViewState.scrollX, -110);
    OnCharacter('e');
    OnCharacter('e');
    EXPECT_EQ(ViewState.segmentIndex, 1);
}

TEST_F(CommandsTest, ScrollStopsAtTheEndsOfTheRange) {
    ViewState.scrollX = INT_MAX - 54;
    OnCharacter('a');
    EXPECT_EQ(ViewState.scrollX, INT_MAX - 54) << "the step would overflow";
    ViewState.scrollX = INT_MAX - 55;
    OnCharacter('a');
    EXPECT_EQ(ViewState.scrollX, INT_MAX);
    ViewState.scrollY = INT_MIN + 54;
    OnCharacter('s');
    EXPECT_EQ(ViewState.scrollY, INT_MIN + 54);
    OnCharacter('w');
    EXPECT_EQ(ViewState.scrollY, INT_MIN + 109);
}

TEST_F(CommandsTest, PickColumnTruncatesTowardZero) {
    Click(54, 0);
    EXPECT_EQ(ViewState.pickColumn, 0);
    Click(55, 0);
    EXPECT_EQ(ViewState.pickColumn, 1);
    ViewState.scrollX = 110;
    Click(56, 0);
    EXPECT_EQ(ViewState.pickColumn, 0);
    Click(0, 0);
    EXPECT_EQ(ViewState.pickColumn, -2);
}

TEST_F(CommandsTest, PickRowFoldsAtFortyTwo) {
    Click(0, 0);
    EXPECT_EQ(ViewState.pickRow, 42);
    for (int i = 0; i < 30; ++i) {
        OnCharacter('s');
    }
    Click(0, 660);
    EXPECT_EQ(ViewState.pickRow, 0);
    Click(0, 715);
    EXPECT_EQ(ViewState.pickRow, 43);

    ViewState.scrollY = 55;
    Click(0, 1);
    EXPECT_EQ(ViewState.pickRow, 42);
    Click(0, 0);
    EXPECT_EQ(ViewState.pickRow, 43);
    ViewState.scrollY = 110;
    Click(0, 0);
    EXPECT_EQ(ViewState.pickRow, 44) << "row -2";
}

TEST_F(CommandsTest, PickingUsesTheWholeUnsignedPositionAndCannotOverflow) {
    Click(65535, 65535);
    EXPECT_EQ(ViewState.pickColumn, 65535 / 55);
    EXPECT_EQ(ViewState.pickRow, 65535 / 55);
    ViewState.scrollX = INT_MIN;
    ViewState.scrollY = INT_MIN;
    Click(65535, 65535);
    EXPECT_EQ(ViewState.pickColumn, (65535LL - INT_MIN) / 55);
    EXPECT_EQ(ViewState.pickRow, (65535LL - INT_MIN) / 55);
    ViewState.scrollX = INT_MAX;
    ViewState.scrollY = INT_MAX;
    Click(0, 0);
    EXPECT_EQ(ViewState.pickColumn, -(INT_MAX / 55));
    EXPECT_EQ(ViewState.pickRow, 42 + INT_MAX / 55);
}

} // namespace
