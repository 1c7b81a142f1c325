// Systems without inotify: nothing is watched, and the viewer reads its files at start and on e
// and q only. A polling check would wake the disk on every pass of the loop for a feature that
// only map makers use.

#include "app/sdl/file_watch.h"

void StartFileWatch() {}

FileChanges TakeFileChanges(const char * /*segmentFile*/) {
    return FileChanges{};
}

void StopFileWatch() {}
