#pragma once
// Whether the screen still shows the frame that RenderFrame would compose now. The ports for
// desktops and browsers ask before each pass and compose nothing while it is, so a still picture
// costs nothing; the frame depends on the view and on the data as last loaded: the segment's
// cells, the terrain table, and the palette and sheet of tiles.bmp. Each loader counts its loads,
// so a file read again (a step away and back, or a change on disk the native viewer follows)
// makes the next pass draw.

// The screen no longer shows the last frame: exposed, resized, restored, or its renderer lost.
void NoteScreenDamaged();

// Whether the frame last shown is the one the current state gives.
bool ShownFrameIsCurrent();

// The frame of the current state has just been shown.
void NoteFrameShown();
