#pragma once
// The steps of taking the display that can fail, in the order the Windows set-up takes them.
// A failure is told to the user by the step's DirectDraw call; what the program does about it
// is decided by the step itself.

enum class SetUpStep {
    CREATE_DISPLAY_OBJECT,
    SET_COOPERATIVE_LEVEL,
    SET_DISPLAY_MODE,
    CREATE_PRIMARY_SURFACE,
    FETCH_BACK_BUFFER,
    CREATE_TILE_SHEET,
};

// The step's DirectDraw call, as the failure message names it.
constexpr const char *SetUpStepName(SetUpStep step) {
    switch (step) {
    case SetUpStep::CREATE_DISPLAY_OBJECT:
        return "DirectDrawCreateEx";
    case SetUpStep::SET_COOPERATIVE_LEVEL:
        return "SetCooperativeLevel";
    case SetUpStep::SET_DISPLAY_MODE:
        return "SetDisplayMode";
    case SetUpStep::CREATE_PRIMARY_SURFACE:
        return "CreateSurface (the primary surface)";
    case SetUpStep::FETCH_BACK_BUFFER:
        return "GetAttachedSurface (the back buffer)";
    case SetUpStep::CREATE_TILE_SHEET:
        return "CreateSurface (the tile sheet)";
    }
    return "an unknown step";
}
