#include "tests/fuzz/fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::filesystem::path ScratchFolder;

void RemoveScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(ScratchFolder, ignored);
}

} // namespace

void EnterScratchFolder() {
    ScratchFolder =
        std::filesystem::temp_directory_path() / ("dravik-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(ScratchFolder);
    std::filesystem::current_path(ScratchFolder);
    std::atexit(RemoveScratchFolder);
}

void WriteScratchFile(const char *name, const std::uint8_t *data, std::size_t size) {
    std::FILE *file = std::fopen(name, "wb");
    Require(file != nullptr, "the scratch folder takes files");
    if (size > 0) {
        Require(std::fwrite(data, 1, size, file) == size, "the scratch file was written");
    }
    std::fclose(file);
}

void Require(bool holds, const char *what) {
    if (!holds) {
        std::fprintf(stderr, "property broken: %s\n", what);
        std::abort();
    }
}
