#include "tools/common/file_bytes.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

bool ReadWholeFile(const char *path, std::vector<std::uint8_t> &bytes, std::string &error,
                   std::size_t most) {
    errno = 0;
    std::FILE *file = std::fopen(path, "rb");
    if (file == nullptr) {
        error = errno != 0 ? std::strerror(errno) : "cannot be opened";
        return false;
    }
    bytes.clear();
    constexpr std::size_t CHUNK = 1 << 16;
    std::size_t got = 0;
    do {
        bytes.resize(bytes.size() + CHUNK);
        got = std::fread(bytes.data() + bytes.size() - CHUNK, 1, CHUNK, file);
        bytes.resize(bytes.size() - CHUNK + got);
    } while (got == CHUNK && bytes.size() <= most);
    const bool failed = std::ferror(file) != 0;
    const int reason = errno;
    std::fclose(file);
    if (failed) {
        error = reason != 0 ? std::strerror(reason) : "cannot be read";
        return false;
    }
    if (bytes.size() > most) {
        error = "longer than " + std::to_string(most) + " bytes";
        return false;
    }
    return true;
}

bool WriteWhole(int fd, const unsigned char *bytes, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t written = write(fd, bytes + done, size - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            errno = written == 0 ? EIO : errno;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}
