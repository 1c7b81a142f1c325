#pragma once
// Writing a file's bytes whole, for the tools that replace a data file by renaming a temporary
// one over it.

#include <cstddef>

// Writes size bytes to the open descriptor fd, however many calls it takes. False, with errno
// set, when they cannot all be written.
bool WriteWhole(int fd, const unsigned char *bytes, std::size_t size);
