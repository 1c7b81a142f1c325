// The entry point, the main window and the main loop: one message, one frame, a 10 ms pause.

#include "app/app_text.h"
#include "app/setup_failure_text.h"
#include "display/display_mode.h"
#include "display/win32/ddraw_display.h"
#include "mapdata/terrain.h"
#include "view/commands.h"
#include "view/render_frame.h"

#include <windows.h>

#include <cstdint>
#include <string>

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
int RegisterMyWndClass(HINSTANCE instance);

namespace {

constexpr DWORD FRAME_PAUSE_MS = 10;
constexpr UINT WARNING_BOX = MB_OK | MB_ICONWARNING;

bool running = true;
MSG lastMessage{}; // after the loop, the quit message: its wParam is the exit code

// Handles at most one waiting message; false once the quit message has been taken.
bool PumpOneMessage() {
    if (!PeekMessageA(&lastMessage, nullptr, 0, 0, PM_REMOVE)) {
        return true;
    }
    if (lastMessage.message == WM_QUIT) {
        return false;
    }
    (void)TranslateMessage(&lastMessage);
    (void)DispatchMessageA(&lastMessage);
    return true;
}

void RunMainLoop() {
    while (running) {
        if (!PumpOneMessage()) {
            running = false;
            break;
        }
        (void)RenderFrame();
        Sleep(FRAME_PAUSE_MS);
    }
}

HRESULT WINAPI NoteOfferedMode(DDSURFACEDESC2 *mode, void *context) {
    auto &offered = *static_cast<bool(*)[VIEWER_MODE_COUNT]>(context);
    for (int i = 0; i < VIEWER_MODE_COUNT; ++i) {
        offered[i] = offered[i] || (mode->ddpfPixelFormat.dwRGBBitCount == 8 &&
                                    mode->dwWidth == static_cast<DWORD>(VIEWER_MODES[i].width) &&
                                    mode->dwHeight == static_cast<DWORD>(VIEWER_MODES[i].height));
    }
    return DDENUMRET_OK;
}

// What the user is told when set-up failed: for a refused mode, the viewers whose modes this
// screen does offer; otherwise the step and DirectDraw's error.
std::string SetUpFailureText(HRESULT code) {
    if (LastSetUpStep != SetUpStep::SET_DISPLAY_MODE) {
        return SetUpStepFailureText(LastSetUpStep, DirectDrawErrorName(code),
                                    static_cast<std::uint32_t>(code));
    }
    bool offered[VIEWER_MODE_COUNT] = {};
    (void)DisplayObject->EnumDisplayModes(0, nullptr, &offered, NoteOfferedMode);
    return DisplayModeFailureText(W, H, offered);
}

// The screen is given back before the box is shown: under a held exclusive level and another
// mode the box may stay hidden and the program look hung.
void ReportSetUpFailure(HWND window, HRESULT code) {
    const std::string text = SetUpFailureText(code);
    GiveBackDisplay(window);
    (void)ShowWindow(window, SW_HIDE);
    (void)MessageBoxA(nullptr, text.c_str(), APP_TITLE, WARNING_BOX);
}

} // namespace

int RegisterMyWndClass(HINSTANCE instance) {
    WNDCLASSA windowClass{};
    windowClass.style = 0;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = nullptr;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr;
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = APP_WINDOW_CLASS;
    return RegisterClassA(&windowClass) != 0 ? 1 : 0;
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        // The main loop draws every frame; a paint request only validates the window.
        PAINTSTRUCT paint;
        (void)BeginPaint(window, &paint);
        (void)EndPaint(window, &paint);
        return 0;
    }
    case WM_ACTIVATEAPP:
        if (wParam != 0) {
            RestoreLostSurfaces();
        }
        return 0;
    case WM_CHAR:
        OnCharacter(static_cast<std::uint32_t>(wParam));
        return 0;
    case WM_LBUTTONDOWN:
        // The packed position is the low 32 bits; LPARAM is wider on 64-bit Windows.
        OnLeftButtonDown(static_cast<std::uint32_t>(static_cast<std::uint64_t>(lParam)));
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, LPSTR /*commandLine*/,
                   int showCommand) {
    if (RegisterMyWndClass(instance) == 0) {
        (void)MessageBoxA(nullptr, REGISTER_FAILED_TEXT, APP_TITLE, WARNING_BOX);
        return 0;
    }
    HWND window =
        CreateWindowExA(0, APP_WINDOW_CLASS, APP_TITLE, WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        (void)MessageBoxA(nullptr, CREATE_WINDOW_FAILED_TEXT, APP_TITLE, WARNING_BOX);
        return 0;
    }
    (void)ShowWindow(window, showCommand);
    if (!LoadTerrainTable()) {
        (void)MessageBoxA(nullptr, TERRAIN_MISSING_TEXT, APP_TITLE, WARNING_BOX);
        return 0;
    }
    const HRESULT setUp = InitDirectDraw(window);
    if (setUp < 0) {
        ReportSetUpFailure(window, setUp);
        return 0;
    }
    RunMainLoop();
    ReleaseDirectDraw();
    (void)UnregisterClassA(APP_WINDOW_CLASS, instance);
    return static_cast<int>(lastMessage.wParam);
}
