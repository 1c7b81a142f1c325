#pragma once
// Whether the screen still shows the frame that RenderFrame would compose now. The ports for
// desktops and browsers ask before each pass and compose nothing while it is, so a still picture
// costs nothing; the frame depends on the view, the segment's cells as loaded, and the data and
// palette read at start, which never change after it.

// The screen no longer shows the last frame: exposed, resized, restored, or its renderer lost.
void NoteScreenDamaged();

// Whether the frame last shown is the one the current state gives.
bool ShownFrameIsCurrent();

// The frame of the current state has just been shown.
void NoteFrameShown();
