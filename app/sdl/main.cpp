// The entry point, the window and its events, and the main loop on SDL2.

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include "app/app_text.h"
#include "display/display_mode.h"
#include "display/sdl/sdl_display.h"
#include "mapdata/terrain.h"
#include "view/commands.h"
#include "view/render_frame.h"

#include <cstdint>
#include <cstdio>

namespace {

// A warning box with no owner; where no box can be shown (no display), the same text on stderr.
void ShowStartupMessage(const char *text) {
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, APP_TITLE, text, nullptr) != 0) {
        std::fprintf(stderr, "%s\n", text);
    }
}

// One character code per code point of the UTF-8 text.
void OnTextInput(const char *text) {
    const auto *p = reinterpret_cast<const unsigned char *>(text);
    while (*p != 0) {
        std::uint32_t code = *p;
        int more = code >= 0xF0 ? 3 : code >= 0xE0 ? 2 : code >= 0xC0 ? 1 : 0;
        if (more > 0) {
            code &= 0x3FU >> more;
        }
        ++p;
        for (; more > 0 && (*p & 0xC0U) == 0x80U; --more, ++p) {
            code = (code << 6) | (*p & 0x3FU);
        }
        OnCharacter(code);
    }
}

// SDL falls back to its off-screen driver when it finds no display; a viewer nobody can see is
// treated as a failed start. A driver asked for by name (SDL_VIDEODRIVER) is taken as given.
bool InitVideo() {
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        return false;
    }
    const char *driver = SDL_GetCurrentVideoDriver();
    if (SDL_GetHint(SDL_HINT_VIDEODRIVER) == nullptr && driver != nullptr &&
        SDL_strcmp(driver, "offscreen") == 0) {
        SDL_Quit();
        return false;
    }
    return true;
}

int ClampInto(int value, int size) {
    return value < 0 ? 0 : value >= size ? size - 1 : value;
}

// The renderer has already turned the position into display coordinates; a click in a
// letterbox bar lands on the nearest edge of the display.
void OnMouseButtonDown(const SDL_MouseButtonEvent &button) {
    if (button.button != SDL_BUTTON_LEFT) {
        return;
    }
    const auto x = static_cast<std::uint32_t>(ClampInto(button.x, W));
    const auto y = static_cast<std::uint32_t>(ClampInto(button.y, H));
    OnLeftButtonDown(x | (y << 16));
}

// Routes one event; answers false when it ends the program.
bool HandleEvent(const SDL_Event &event) {
    switch (event.type) {
    case SDL_QUIT:
        return false;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
            return false;
        }
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) {
            RestoreLostSurfaces();
        }
        return true;
    case SDL_TEXTINPUT:
        OnTextInput(event.text.text);
        return true;
    case SDL_MOUSEBUTTONDOWN:
        OnMouseButtonDown(event.button);
        return true;
    case SDL_RENDER_TARGETS_RESET:
    case SDL_RENDER_DEVICE_RESET:
        NoteRenderingLost();
        return true;
    default:
        return true;
    }
}

// At most one event, then one frame, then the pause; no frame after the closing event.
void RunMainLoop() {
    bool running = true;
    while (running) {
        SDL_Event event;
        if (SDL_PollEvent(&event) != 0) {
            running = HandleEvent(event);
            if (!running) {
                break;
            }
        }
        RenderFrame();
        SDL_Delay(10);
    }
}

// The viewer writes no file and starts no program, and neither may the libraries it draws
// through. An OpenGL driver keeps a shader cache on disk (Mesa opens ~/.cache/mesa_shader_cache
// for writing), and on X11 SDL backs even a software window with OpenGL unless told not to; so
// presentation is SDL's software renderer on the window's own X surface. With no session bus,
// SDL's D-Bus client would launch one (dbus-launch, which writes its address under ~/.dbus);
// an address no transport accepts makes it go without.
void KeepLibrariesFromWriting() {
    SDL_setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
}

} // namespace

int main() {
    SDL_SetMainReady();
    KeepLibrariesFromWriting();
    // The video subsystem stands where the window class is registered.
    if (!InitVideo()) {
        ShowStartupMessage(REGISTER_FAILED_TEXT);
        return 0;
    }
    // Hidden until the display is taken, as the other platform's window has no size until then.
    SDL_Window *window =
        SDL_CreateWindow(APP_TITLE, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, W, H,
                         SDL_WINDOW_FULLSCREEN_DESKTOP | SDL_WINDOW_HIDDEN);
    SDL_Renderer *renderer = window != nullptr ? SDL_CreateRenderer(window, -1, 0) : nullptr;
    if (renderer == nullptr) {
        ShowStartupMessage(CREATE_WINDOW_FAILED_TEXT);
        SDL_Quit();
        return 0;
    }
    if (!LoadTerrainTable()) {
        ShowStartupMessage(TERRAIN_MISSING_TEXT);
        SDL_Quit();
        return 0;
    }
    if (InitDisplay(window, renderer) < 0) {
        SDL_Quit();
        return 0;
    }
    SDL_StartTextInput();
    RunMainLoop();
    ReleaseDisplay();
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
