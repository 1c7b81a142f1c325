#pragma once
// Changes on disk to the files the native viewer reads: terrain.db, tiles.bmp and the shown
// segment's file, whether written in place or replaced by a rename. One file per system defines
// it: file_watch_inotify.cpp on Linux; file_watch_none.cpp elsewhere, which sees nothing, so
// that the files are read at start and on e and q only, as on Windows.

// Which of the files changed since the last look.
struct FileChanges {
    bool terrain;
    bool segment;
    bool sheet;
};

// Starts watching the working folder. Where that cannot be done nothing is ever reported.
void StartFileWatch();

// The changes since the last call, without waiting; segmentFile is the shown segment's name,
// changes to the other segments' files are not reported.
FileChanges TakeFileChanges(const char *segmentFile);

// Stops watching.
void StopFileWatch();
