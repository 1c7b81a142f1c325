#include "tools/tiled/tiled_import.h"

#include "mapdata/segment.h"
#include "mapdata/terrain.h"
#include "tools/common/file_bytes.h"
#include "tools/tiled/tiled_names.h"
#include "tools/tiled/tmx_read.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct FoundMap {
    int segment;
    fs::path path;
    SegmentMap cells;
    fs::path temporary; // written beside the segment file, then renamed over it
};

int Refuse(const std::string &line) {
    std::fprintf(stderr, "tileview-tiled: %s\n", line.c_str());
    return 1;
}

std::string SegmentMapNames() {
    std::string names;
    for (int segment = 0; segment < SEGMENT_COUNT; ++segment) {
        names += (segment > 0 ? ", " : "") + SegmentMapName(segment);
    }
    return names;
}

int SegmentOfMap(const std::string &name) {
    for (int segment = 0; segment < SEGMENT_COUNT; ++segment) {
        if (name == SegmentMapName(segment)) {
            return segment;
        }
    }
    return -1;
}

// The maps of the folder, by segment; every .tmx in it must be one.
bool ListMaps(const fs::path &folder, std::vector<FoundMap> &maps, std::string &error) {
    std::error_code code;
    for (const fs::directory_entry &entry : fs::directory_iterator(folder, code)) {
        const fs::path &path = entry.path();
        std::error_code ignored;
        if (path.extension() != ".tmx" || !entry.is_regular_file(ignored)) {
            continue;
        }
        const int segment = SegmentOfMap(path.filename().string());
        if (segment < 0) {
            error = path.string() + ": not named after a segment (" + SegmentMapNames() + ")";
            return false;
        }
        maps.push_back(FoundMap{segment, path, {}, {}});
    }
    if (code) {
        error = folder.string() + ": " + code.message();
        return false;
    }
    if (maps.empty()) {
        error = folder.string() + ": no segment map in it (" + SegmentMapNames() + ")";
        return false;
    }
    std::sort(maps.begin(), maps.end(),
              [](const FoundMap &a, const FoundMap &b) { return a.segment < b.segment; });
    return true;
}

// The segment file's own permissions are kept; a new file is readable by everyone.
mode_t TargetMode(const fs::path &target) {
    struct stat status {};
    constexpr mode_t NEW_FILE_MODE = 0644;
    return stat(target.c_str(), &status) == 0 && S_ISREG(status.st_mode) ? status.st_mode & 07777
                                                                         : NEW_FILE_MODE;
}

bool WriteTemporary(const fs::path &target, FoundMap &map, std::string &error) {
    map.temporary = target.parent_path() /
                    ("." + target.filename().string() + ".tmp-" + std::to_string(getpid()));
    const int fd = open(map.temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
    if (fd < 0) {
        error = map.temporary.string() + ": " + std::strerror(errno);
        map.temporary.clear();
        return false;
    }
    const bool written = WriteWhole(fd, map.cells.cells.data(), map.cells.size) &&
                         fchmod(fd, TargetMode(target)) == 0 && fsync(fd) == 0;
    const int reason = errno;
    if (close(fd) != 0 || !written) {
        error = target.string() + ": " + std::strerror(written ? errno : reason);
        return false;
    }
    return true;
}

void RemoveTemporaries(const std::vector<FoundMap> &maps) {
    for (const FoundMap &map : maps) {
        if (!map.temporary.empty()) {
            unlink(map.temporary.c_str());
        }
    }
}

// Every file is written whole before the first takes its place.
int WriteSegments(const fs::path &world, std::vector<FoundMap> &maps) {
    std::string error;
    for (FoundMap &map : maps) {
        if (!WriteTemporary(world / SegmentFiles[map.segment], map, error)) {
            RemoveTemporaries(maps);
            return Refuse(error);
        }
    }
    for (FoundMap &map : maps) {
        const fs::path target = world / SegmentFiles[map.segment];
        if (std::rename(map.temporary.c_str(), target.c_str()) != 0) {
            error = target.string() + ": " + std::strerror(errno);
            RemoveTemporaries(maps);
            return Refuse(error);
        }
        map.temporary.clear();
        std::printf("tileview-tiled: wrote %s (%llu bytes) from %s\n", target.c_str(),
                    static_cast<unsigned long long>(map.cells.size), map.path.c_str());
    }
    return 0;
}

} // namespace

int ImportMaps(const std::string &mapsFolder, const std::string &worldFolder) {
    const fs::path world(worldFolder);
    std::error_code code;
    if (!fs::is_directory(world, code)) {
        return Refuse(worldFolder + ": " + (code ? code.message() : "not a folder"));
    }
    std::vector<FoundMap> maps;
    std::string error;
    if (!ListMaps(mapsFolder, maps, error)) {
        return Refuse(error);
    }
    for (FoundMap &map : maps) {
        if (!ReadSegmentMap(map.path, map.cells, error)) {
            return Refuse(error);
        }
    }
    return WriteSegments(world, maps);
}

int ImportSegment(const std::string &mapFile, const std::string &segmentFile) {
    const fs::path target(segmentFile);
    const int segment = SegmentOfFile(target.filename().string());
    if (segment < 0) {
        return Refuse(segmentFile + ": not a segment file (" + SegmentFileNames() + ")");
    }
    // A segment saved away from its world would be shown by no viewer.
    const fs::path world = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::error_code code;
    if (!fs::exists(world / TERRAIN_FILE, code)) {
        return Refuse(segmentFile + ": no " + TERRAIN_FILE +
                      " beside it; a segment is saved into its world folder, which holds " +
                      TERRAIN_FILE);
    }
    std::vector<FoundMap> maps{FoundMap{segment, mapFile, {}, {}}};
    std::string error;
    if (!ReadSegmentMap(maps[0].path, maps[0].cells, error)) {
        return Refuse(error);
    }
    return WriteSegments(world, maps);
}
