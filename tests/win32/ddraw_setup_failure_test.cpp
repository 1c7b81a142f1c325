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

DEVMODEA CurrentDisplaySettings() {
    DEVMODEA mode{};
    mode.dmSize = sizeof(mode);
    EXPECT_TRUE(EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode));
    return mode;
}

// A failed set-up may hold the exclusive level and another mode; the message box the program
// then shows is only seen once both are given back.
TEST(DisplaySetUpFailure, GivingBackRestoresTheDesktopsModeAndEmptiesEverySlot) {
    EmptyTheDisplayObjectSlot();
    const DEVMODEA desktop = CurrentDisplaySettings();
    HWND window = CreateTestWindow();
    ASSERT_LT(InitDirectDraw(window), 0);
    EXPECT_EQ(LastSetUpStep, SetUpStep::SET_DISPLAY_MODE);
    // A mode the desktop does take, as a set-up that failed at a later step would leave it.
    ASSERT_EQ(DisplayObject->SetDisplayMode(desktop.dmPelsWidth, desktop.dmPelsHeight, 8, 0, 0),
              DD_OK);
    ASSERT_EQ(CurrentDisplaySettings().dmBitsPerPel, 8U);

    GiveBackDisplay(window);
    EXPECT_EQ(DisplayObject, nullptr);
    EXPECT_EQ(PrimarySurface, nullptr);
    EXPECT_EQ(BackBuffer, nullptr);
    EXPECT_EQ(TileSheetSurface, nullptr);
    const DEVMODEA after = CurrentDisplaySettings();
    EXPECT_EQ(after.dmBitsPerPel, desktop.dmBitsPerPel);
    EXPECT_EQ(after.dmPelsWidth, desktop.dmPelsWidth);
    EXPECT_EQ(after.dmPelsHeight, desktop.dmPelsHeight);
}

TEST(DisplaySetUpFailure, ErrorsAreNamed) {
    EXPECT_STREQ(DirectDrawErrorName(DDERR_INVALIDMODE), "DDERR_INVALIDMODE");
    EXPECT_STREQ(DirectDrawErrorName(DDERR_HWNDALREADYSET), "DDERR_HWNDALREADYSET");
    EXPECT_STREQ(DirectDrawErrorName(MAKE_DDHRESULT(2000)), "an unknown error");
}

} // namespace
