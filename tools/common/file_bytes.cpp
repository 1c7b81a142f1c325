#include "tools/common/file_bytes.h"

#include <unistd.h>

#include <cerrno>

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
