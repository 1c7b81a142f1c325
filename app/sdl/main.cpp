// The entry point, the window and its events, and the main loop on SDL2.

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include "app/app_text.h"
#include "app/sdl/file_watch.h"
#include "display/display_mode.h"
#include "display/sdl/sdl_display.h"
#include "mapdata/segment.h"
#include "mapdata/terrain.h"
#include "view/commands.h"
#include "view/render_frame.h"
#include "view/shown_frame.h"
#include "view/view_state.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// What a failed start names, in this platform's terms; SDL's reason follows.
constexpr const char *DISPLAY_FAILED_TEXT = "Cannot open the display";
constexpr const char *WINDOW_FAILED_TEXT = "Cannot create the window";
constexpr const char *RENDERER_FAILED_TEXT = "Cannot draw in the window";
constexpr const char *DISPLAY_SETUP_FAILED_TEXT = "Cannot set up the picture";

SDL_Window *MainWindow = nullptr;

// With DRAVIK_TRACE_PRESENTS set, each presented frame is told on stderr with the number of its
// pass, so that a test can see which passes presented without timing anything.
bool TracePresents = false;
unsigned long PassNumber = 0;

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

// What failed, then SDL's reason.
void ShowStartupFailure(const char *what) {
    char text[512];
    std::snprintf(text, sizeof text, "%s: %s", what, SDL_GetError());
    ShowStartupMessage(text);
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
        const char *display = SDL_getenv("DISPLAY");
        SDL_SetError("no X11 or Wayland display could be reached (DISPLAY is %s)",
                     display != nullptr ? display : "not set");
        return false;
    }
    return true;
}

bool IsFullScreen() {
    return (SDL_GetWindowFlags(MainWindow) & SDL_WINDOW_FULLSCREEN) != 0;
}

// Between the desktop-sized full screen and a window of the mode's own size.
void ToggleFullScreen() {
    if (IsFullScreen()) {
        SDL_SetWindowFullscreen(MainWindow, 0);
        SDL_SetWindowSize(MainWindow, W, H);
        SDL_SetWindowPosition(MainWindow, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
    } else {
        SDL_SetWindowFullscreen(MainWindow, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    FitPresentation();
    NoteScreenDamaged();
}

// The desktop's own keys for the window; the viewer's keys arrive as text.
void OnKeyDown(const SDL_KeyboardEvent &key) {
    const bool toggle = key.keysym.sym == SDLK_F11 ||
                        (key.keysym.sym == SDLK_RETURN && (key.keysym.mod & KMOD_ALT) != 0);
    if (toggle && key.repeat == 0) {
        ToggleFullScreen();
    }
}

void OnWindowEvent(const SDL_WindowEvent &window) {
    switch (window.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        RestoreLostSurfaces();
        FitPresentation();
        NoteScreenDamaged();
        break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_EXPOSED:
    case SDL_WINDOWEVENT_SHOWN:
    case SDL_WINDOWEVENT_RESTORED:
        FitPresentation();
        NoteScreenDamaged();
        break;
    default:
        break;
    }
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
        OnWindowEvent(event.window);
        return true;
    case SDL_KEYDOWN:
        OnKeyDown(event.key);
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
        FitPresentation();
        NoteScreenDamaged();
        return true;
    default:
        return true;
    }
}

// The frame, unless the screen already shows it.
void ShowFrame() {
    if (ShownFrameIsCurrent()) {
        return;
    }
    if (TracePresents) {
        std::fprintf(stderr, "present %lu\n", PassNumber);
    }
    RenderFrame();
    NoteFrameShown();
}

// The files changed on disk read again, by the loaders of the start and of e and q; their load
// counts tell the shown-frame gate. A terrain.db that cannot be opened keeps the table shown (at
// start the viewer could not begin without one; here the file is most likely being replaced),
// and the next change to it is read.
void ReloadChangedFiles() {
    const FileChanges changes = TakeFileChanges(SegmentFiles[ViewState.segmentIndex]);
    const bool tableRead = changes.terrain && LoadTerrainTable(); // loads the segment too
    if (changes.segment && !tableRead) {
        LoadMapSegment();
    }
    if (changes.sheet) {
        LoadTileSheet();
    }
}

// At most one event, then the files changed on disk, then the frame, then the pause; no frame
// after the closing event.
void RunMainLoop() {
    bool running = true;
    while (running) {
        ++PassNumber;
        SDL_Event event;
        if (SDL_PollEvent(&event) != 0) {
            running = HandleEvent(event);
            if (!running) {
                break;
            }
        }
        ReloadChangedFiles();
        ShowFrame();
        SDL_Delay(10);
    }
}

// The viewer writes no file and starts no program, and neither may the libraries it draws
// through. An OpenGL driver keeps a shader cache on disk (Mesa opens ~/.cache/mesa_shader_cache
// for writing), and on X11 SDL backs even a software window with OpenGL unless told not to; so
// presentation is SDL's software renderer on the window's own X surface. With no session bus,
// SDL's D-Bus client would launch one (dbus-launch, which writes its address under ~/.dbus);
// an address no transport accepts makes it go without. A user who asks for a GPU renderer by
// name (SDL_RENDER_DRIVER=opengl, where a graphics card scales the picture for nothing) still
// gets no shader cache written by Mesa.
void KeepLibrariesFromWriting() {
    SDL_setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
    SDL_setenv("MESA_SHADER_CACHE_DISABLE", "true", 0);
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
}

} // namespace

int main() {
    SDL_SetMainReady();
    KeepLibrariesFromWriting();
    TracePresents = std::getenv("DRAVIK_TRACE_PRESENTS") != nullptr;
    if (!InitVideo()) {
        ShowStartupFailure(DISPLAY_FAILED_TEXT);
        return 0;
    }
    // Hidden until the display is taken, as the other platform's window has no size until then.
    SDL_Window *window = SDL_CreateWindow(APP_TITLE, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          W, H, SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
    if (window == nullptr) {
        ShowStartupFailure(WINDOW_FAILED_TEXT);
        SDL_Quit();
        return 0;
    }
    MainWindow = window;
    SDL_Renderer *renderer = SDL_CreateRenderer(window, -1, 0);
    if (renderer == nullptr) {
        ShowStartupFailure(RENDERER_FAILED_TEXT);
        SDL_Quit();
        return 0;
    }
    if (!LoadTerrainTable()) {
        ShowStartupMessage(TERRAIN_MISSING_TEXT);
        SDL_Quit();
        return 0;
    }
    if (InitDisplay(window, renderer) < 0) {
        ShowStartupFailure(DISPLAY_SETUP_FAILED_TEXT);
        SDL_Quit();
        return 0;
    }
    // Asked of the window manager once the window is mapped: a window mapped as full screen is
    // left as a plain window by some managers when their answer comes after SDL's first look.
    SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP);
    FitPresentation();
    SDL_StartTextInput();
    StartFileWatch();
    RunMainLoop();
    StopFileWatch();
    ReleaseDisplay();
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return 0;
}
