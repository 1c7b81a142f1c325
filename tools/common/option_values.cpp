#include "tools/common/option_values.h"

#include "dravik_version.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>

OptionArgument SplitOptionArgument(const char *argument) {
    OptionArgument option{argument, false, {}};
    const std::size_t equals = option.name.find('=');
    if (option.name.rfind("--", 0) == 0 && equals != std::string::npos) {
        option.hasInlineValue = true;
        option.inlineValue = option.name.substr(equals + 1);
        option.name.resize(equals);
    }
    return option;
}

bool TakeOptionValue(int argc, const char *const *argv, int &i, const OptionArgument &option,
                     std::string &value) {
    if (option.hasInlineValue) {
        value = option.inlineValue;
        return true;
    }
    if (i + 1 >= argc) {
        return false;
    }
    value = argv[++i];
    return true;
}

bool ParseInt32(const char *text, std::int32_t &value) {
    if (*text == '\0') {
        return false;
    }
    char *end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || parsed < std::numeric_limits<std::int32_t>::min() ||
        parsed > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    value = static_cast<std::int32_t>(parsed);
    return true;
}

bool ParseInt32Pair(const std::string &text, std::int32_t &x, std::int32_t &y) {
    const std::size_t comma = text.find(',');
    return comma != std::string::npos && ParseInt32(text.substr(0, comma).c_str(), x) &&
           ParseInt32(text.substr(comma + 1).c_str(), y);
}

bool ParseRgbHex(const std::string &text, std::uint32_t &rgb) {
    const std::string digits = text.rfind('#', 0) == 0 ? text.substr(1) : text;
    constexpr std::size_t RGB_DIGITS = 6;
    if (digits.size() != RGB_DIGITS) {
        return false;
    }
    std::uint32_t value = 0;
    for (const char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            return false;
        }
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    rgb = value;
    return true;
}

bool TakeAboutOption(const OptionArgument &option, AboutRequest &request) {
    if (option.hasInlineValue) {
        return false;
    }
    AboutRequest asked = AboutRequest::None;
    if (option.name == "--help" || option.name == "-h") {
        asked = AboutRequest::Help;
    } else if (option.name == "--version") {
        asked = AboutRequest::Version;
    } else {
        return false;
    }
    if (request == AboutRequest::None) {
        request = asked;
    }
    return true;
}

void PrintAbout(AboutRequest request, const char *name, const char *usage) {
    if (request == AboutRequest::Help) {
        std::fputs(usage, stdout);
    } else if (request == AboutRequest::Version) {
        std::printf("%s %s\n", name, DRAVIK_VERSION);
    }
}
