#include "tools/tiled/extension_install.h"

#include "tools/common/file_bytes.h"
#include "tools/common/user_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr const char *EXTENSION_FILE = "dravik-segment.js";
// The line of the extension that names the program it runs; empty in the source.
constexpr const char *PROGRAM_LINE = "const INSTALLED_PROGRAM = \"\";";

int Fail(const std::string &line) {
    std::fprintf(stderr, "tileview-tiled: %s\n", line.c_str());
    return 1;
}

std::string JsString(const std::string &text) {
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return quoted + "\"";
}

bool ExtensionsFolder(fs::path &folder, std::string &error) {
    if (!XdgFolder("XDG_CONFIG_HOME", ".config", folder)) {
        error = "no folder for Tiled's extensions: neither XDG_CONFIG_HOME nor HOME is set";
        return false;
    }
    folder /= "tiled/extensions";
    return true;
}

// The extension's text with this program's path in it.
bool ExtensionText(const fs::path &self, std::string &text, std::string &error) {
    const fs::path source =
        self.parent_path().parent_path() / "share/dravik/tiled" / EXTENSION_FILE;
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(source.c_str(), bytes, error)) {
        error = source.string() + ": " + error;
        return false;
    }
    text.assign(bytes.begin(), bytes.end());
    const std::size_t at = text.find(PROGRAM_LINE);
    if (at == std::string::npos) {
        error = source.string() + ": no line '" + PROGRAM_LINE + "' to name the program in";
        return false;
    }
    text.replace(at, std::strlen(PROGRAM_LINE),
                 "const INSTALLED_PROGRAM = " + JsString(self.string()) + ";");
    return true;
}

// Written beside and renamed into place: Tiled may be reading the folder.
bool WriteExtension(const fs::path &target, const std::string &text, std::string &error) {
    const fs::path temporary = target.string() + ".tmp-" + std::to_string(getpid());
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const bool written =
        fd >= 0 &&
        WriteWhole(fd, reinterpret_cast<const unsigned char *>(text.data()), text.size());
    const int reason = errno;
    if (fd < 0 || close(fd) != 0 || !written ||
        std::rename(temporary.c_str(), target.c_str()) != 0) {
        error = target.string() + ": " + std::strerror(written ? errno : reason);
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace

int InstallExtension() {
    std::error_code code;
    const fs::path self = fs::read_symlink("/proc/self/exe", code);
    if (code) {
        return Fail("/proc/self/exe: " + code.message());
    }
    fs::path folder;
    std::string text;
    std::string error;
    if (!ExtensionsFolder(folder, error) || !ExtensionText(self, text, error)) {
        return Fail(error);
    }
    if (fs::create_directories(folder, code); code) {
        return Fail(folder.string() + ": " + code.message());
    }
    const fs::path target = folder / EXTENSION_FILE;
    if (!WriteExtension(target, text, error)) {
        return Fail(error);
    }
    std::printf("tileview-tiled: installed %s, which runs %s; Tiled loads it when it starts\n",
                target.c_str(), self.c_str());
    return 0;
}
