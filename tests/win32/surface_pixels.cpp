#include "tests/win32/surface_pixels.h"

#include <cstring>

HWND CreateTestWindow() {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "DravikTestWndClass";
    (void)RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(0, windowClass.lpszClassName, "Dravik test", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    (void)ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

std::vector<std::uint8_t> ReadPixels(IDirectDrawSurface7 *surface, int width, int height) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) != DD_OK) {
        return {};
    }
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(width) * height);
    const auto *bits = static_cast<const std::uint8_t *>(desc.lpSurface);
    for (int y = 0; y < height; ++y) {
        std::memcpy(pixels.data() + static_cast<std::size_t>(y) * width, bits + y * desc.lPitch,
                    width);
    }
    (void)surface->Unlock(nullptr);
    return pixels;
}

bool FillRows(IDirectDrawSurface7 *surface, int top, int bottom, std::uint8_t value) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof(desc);
    if (surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr) != DD_OK) {
        return false;
    }
    auto *bits = static_cast<std::uint8_t *>(desc.lpSurface);
    for (int y = top; y < bottom; ++y) {
        std::memset(bits + y * desc.lPitch, value, desc.dwWidth);
    }
    (void)surface->Unlock(nullptr);
    return true;
}
