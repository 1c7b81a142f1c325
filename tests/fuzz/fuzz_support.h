#pragma once
// Shared by the fuzz targets: each process works in a folder of its own, since the loaders read
// fixed file names from the working directory.

#include <cstddef>
#include <cstdint>

// Makes and enters a fresh temporary folder; called once per process.
void EnterScratchFolder();

// Writes size bytes of data as the file name in the working directory.
void WriteScratchFile(const char *name, const std::uint8_t *data, std::size_t size);

// Stops the process with a message when a property of the code under test does not hold, so
// that the fuzzer keeps the input that broke it.
void Require(bool holds, const char *what);
