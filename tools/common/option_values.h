#pragma once
// The pieces of a command line that the tools share: options spelt "--name value" or
// "--name=value", whole numbers, "X,Y" pairs and RRGGBB colours, and the answers to --help and
// --version.

#include <cstdint>
#include <string>

// One argument split at its first '=' when it starts with "--".
struct OptionArgument {
    std::string name;
    bool hasInlineValue;
    std::string inlineValue;
};

OptionArgument SplitOptionArgument(const char *argument);

// The option's value: its inline one, or the next argument (i then moves past it). False when
// there is none.
bool TakeOptionValue(int argc, const char *const *argv, int &i, const OptionArgument &option,
                     std::string &value);

// A decimal 32-bit integer, nothing else in text.
bool ParseInt32(const char *text, std::int32_t &value);

// "X,Y": two decimal 32-bit integers.
bool ParseInt32Pair(const std::string &text, std::int32_t &x, std::int32_t &y);

// "RRGGBB" (or "#RRGGBB"), six hexadecimal digits, as 0xRRGGBB.
bool ParseRgbHex(const std::string &text, std::uint32_t &rgb);

// --help (or -h) and --version: asked of every tool in the same words and answered the same way,
// on stdout with exit code 0, since help2man writes the manual pages from these answers.
enum class AboutRequest { None, Help, Version };

// Whether option asks for the usage or the version (written without a value); request then
// says which. The first such option given is the one answered.
bool TakeAboutOption(const OptionArgument &option, AboutRequest &request);

// Prints the usage, or "NAME VERSION", on stdout.
void PrintAbout(AboutRequest request, const char *name, const char *usage);
