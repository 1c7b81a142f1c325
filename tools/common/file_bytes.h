#pragma once
// Files read whole, for the tools' readers that take a file's bytes; and written whole, for the
// tools that replace a data file by renaming a temporary one over it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Reads the whole file at path into bytes. False, with error set to the reason, when it cannot
// or when it holds more than most bytes (read no further than that).
bool ReadWholeFile(const char *path, std::vector<std::uint8_t> &bytes, std::string &error,
                   std::size_t most = SIZE_MAX);

// Writes size bytes to the open descriptor fd, however many calls it takes. False, with errno
// set, when they cannot all be written.
bool WriteWhole(int fd, const unsigned char *bytes, std::size_t size);
