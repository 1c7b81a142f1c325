// Display set-up that fails: built for a mode larger than the virtual desktop it runs in, so
// that the platform refuses the mode.

#include "display/display_mode.h"
#include "display/win32/ddraw_display.h"
#include "tests/win32/surface_pixels.h"

#include <gtest/gtest.h>

namespace {

void ExpectOnlyTheDisplayObject() {
    EXPECT_NE(DisplayObject, nullptr);
    EXPECT_EQ(PrimarySurface, nullptr);
    EXPECT_EQ(BackBuffer, nullptr);
    EXPECT_EQ(TileSheetSurface, nullptr);
}

// The slots are process-wide: each case starts from empty ones, as a fresh process would.
void EmptyTheDisplayObjectSlot() {
    if (DisplayObject != nullptr) {
        (void)DisplayObject->Release();
        DisplayObject = nullptr;
    }
}

TEST(DisplaySetUpFailure, RefusedModeStopsSetUpWithItsCodeAndKeepsWhatWasMade) {
    EmptyTheDisplayObjectSlot();
    const HRESULT code = InitDirectDraw(CreateTestWindow());
    ASSERT_LT(code, 0);
    ExpectOnlyTheDisplayObject();
    EXPECT_EQ(DisplayObject->SetDisplayMode(W, H, 8, 0, 0), code) << "not the mode's own code";
    // An activation now looks only at what exists.
    RestoreLostSurfaces();
    ExpectOnlyTheDisplayObject();
}

TEST(DisplaySetUpFailure, NoWindowStopsAtTheCooperativeLevel) {
    EmptyTheDisplayObjectSlot();
    const HRESULT code = InitDirectDraw(nullptr);
    ASSERT_LT(code, 0);
    ExpectOnlyTheDisplayObject();
    EXPECT_EQ(DisplayObject->SetCooperativeLevel(nullptr, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN),
              code);
}

} // namespace
