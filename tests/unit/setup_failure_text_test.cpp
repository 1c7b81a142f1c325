#include "app/setup_failure_text.h"

#include <gtest/gtest.h>

namespace {

TEST(SetUpFailureText, RefusedModeNamesItAndTheViewersTheScreenOffers) {
    const bool fitsSmall[VIEWER_MODE_COUNT] = {true, false, false, true};
    EXPECT_EQ(DisplayModeFailureText(1600, 1200, fitsSmall),
              "This screen cannot show 1600 \xD7 1200 with 256 colours. Try tileview-1024.exe or "
              "tileview-640.exe.");
    // The refused mode itself is never suggested, whatever the list says.
    const bool all[VIEWER_MODE_COUNT] = {true, true, true, true};
    EXPECT_EQ(DisplayModeFailureText(640, 480, all),
              "This screen cannot show 640 \xD7 480 with 256 colours. Try tileview-1024.exe, "
              "tileview-1600.exe or tileview-1280.exe.");
    const bool one[VIEWER_MODE_COUNT] = {false, false, false, true};
    EXPECT_EQ(DisplayModeFailureText(1280, 1024, one),
              "This screen cannot show 1280 \xD7 1024 with 256 colours. Try tileview-640.exe.");
    const bool none[VIEWER_MODE_COUNT] = {};
    EXPECT_EQ(DisplayModeFailureText(1024, 768, none),
              "This screen cannot show 1024 \xD7 768 with 256 colours. It offers none of the "
              "viewers' modes at 256 colours.");
}

TEST(SetUpFailureText, OtherStepsNameTheStepAndTheError) {
    EXPECT_EQ(
        SetUpStepFailureText(SetUpStep::SET_COOPERATIVE_LEVEL, "DDERR_HWNDALREADYSET", 0x88760582U),
        "The display could not be set up: SetCooperativeLevel failed with "
        "DDERR_HWNDALREADYSET (0x88760582).");
}

} // namespace
