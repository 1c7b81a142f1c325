// The working folder watched through inotify. The descriptor never blocks: each pass of the
// loop makes one read, which finds nothing at rest, so watching adds no wake-up of its own.

#include "app/sdl/file_watch.h"

#include "display/palette_block.h"
#include "mapdata/terrain.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// A file is looked at again once it is whole: closed after writing, or renamed into place (Tiled,
// tileview-tiled and tileview-sheet write a temporary file and rename it). One gone (deleted or
// renamed away) is looked at too, and gets the answer a missing file gets at start.
constexpr std::uint32_t WATCHED_EVENTS =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | IN_ONLYDIR;

int WatchDescriptor = -1;

// One event's part in changes. When the kernel dropped events, any file may have changed.
void NoteEvent(const inotify_event &event, const char *name, const char *segmentFile,
               FileChanges &changes) {
    if ((event.mask & IN_Q_OVERFLOW) != 0) {
        changes = FileChanges{true, true, true};
        return;
    }
    if (event.len == 0) {
        return;
    }
    changes.terrain = changes.terrain || std::strcmp(name, TERRAIN_FILE) == 0;
    changes.sheet = changes.sheet || std::strcmp(name, TILE_SHEET_FILE) == 0;
    changes.segment = changes.segment || std::strcmp(name, segmentFile) == 0;
}

// The events in one read's bytes: each a header and, when len is not 0, a name of len bytes
// (padded with zeros).
void NoteEvents(const char *bytes, std::size_t size, const char *segmentFile,
                FileChanges &changes) {
    std::size_t offset = 0;
    while (offset + sizeof(inotify_event) <= size) {
        inotify_event event{};
        std::memcpy(&event, bytes + offset, sizeof event);
        const char *name = bytes + offset + sizeof event;
        NoteEvent(event, name, segmentFile, changes);
        offset += sizeof event + event.len;
    }
}

} // namespace

void StartFileWatch() {
    WatchDescriptor = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (WatchDescriptor < 0) {
        return;
    }
    if (inotify_add_watch(WatchDescriptor, ".", WATCHED_EVENTS) < 0) {
        StopFileWatch();
    }
}

FileChanges TakeFileChanges(const char *segmentFile) {
    FileChanges changes{};
    if (WatchDescriptor < 0) {
        return changes;
    }
    // Room for many events with the longest names; a read returns whole events only.
    alignas(inotify_event) char bytes[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
    for (;;) {
        const ssize_t got = read(WatchDescriptor, bytes, sizeof bytes);
        if (got <= 0) {
            return changes; // nothing more (EAGAIN), or the watch failed: no change seen
        }
        NoteEvents(bytes, static_cast<std::size_t>(got), segmentFile, changes);
    }
}

void StopFileWatch() {
    if (WatchDescriptor >= 0) {
        close(WatchDescriptor);
        WatchDescriptor = -1;
    }
}
