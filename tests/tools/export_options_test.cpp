// The command line of tileview-export.

#include "tools/export/export_options.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

struct Parsed {
    bool ok;
    ExportOptions options;
    std::string error;
};

Parsed Parse(const std::vector<const char *> &args) {
    std::vector<const char *> argv = {"tileview-export"};
    argv.insert(argv.end(), args.begin(), args.end());
    Parsed parsed{false, {}, {}};
    parsed.ok = ParseExportOptions(static_cast<int>(argv.size()), argv.data(), parsed.options,
                                   parsed.error);
    return parsed;
}

TEST(ExportOptions, DefaultsAreTheFirstFrameOfTheSmallestDesktopViewer) {
    const Parsed p = Parse({});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.mode, 1024);
    EXPECT_EQ(p.options.segment, 0);
    EXPECT_FALSE(p.options.scrollGiven);
    EXPECT_FALSE(p.options.poster);
    EXPECT_EQ(p.options.data, ".");
    EXPECT_EQ(DefaultExportOutput(p.options), "frame-1024.png");
}

TEST(ExportOptions, EveryOptionInBothSpellings) {
    const Parsed p =
        Parse({"--mode", "640", "--segment=5", "--scroll", "-110,2147483647", "--keys=ddq",
               "--click", "65535,0", "--data", "world", "-o", "out.png"});
    ASSERT_TRUE(p.ok) << p.error;
    EXPECT_EQ(p.options.mode, 640);
    EXPECT_EQ(p.options.segment, 5);
    EXPECT_TRUE(p.options.scrollGiven);
    EXPECT_EQ(p.options.scrollX, -110);
    EXPECT_EQ(p.options.scrollY, 2147483647);
    EXPECT_EQ(p.options.keys, "ddq");
    EXPECT_TRUE(p.options.clickGiven);
    EXPECT_EQ(p.options.clickX, 65535);
    EXPECT_EQ(p.options.clickY, 0);
    EXPECT_EQ(p.options.data, "world");
    EXPECT_EQ(p.options.output, "out.png");

    const Parsed poster = Parse({"--poster", "--segment", "3"});
    ASSERT_TRUE(poster.ok) << poster.error;
    EXPECT_EQ(DefaultExportOutput(poster.options), "poster-seg3.png");
    EXPECT_TRUE(Parse({"--keys", ""}).ok); // no keys at all
}

TEST(ExportOptions, WrongArgumentsSayWhatIsWrong) {
    const std::vector<std::pair<std::vector<const char *>, std::string>> cases = {
        {{"--mode", "800"}, "--mode '800': not one of 1024, 1600, 1280, 640"},
        {{"--mode", "1024x"}, "--mode '1024x'"},
        {{"--segment", "6"}, "--segment '6': not a segment index 0 to 5"},
        {{"--segment", "-1"}, "--segment '-1'"},
        {{"--scroll", "5"}, "--scroll '5': not X,Y"},
        {{"--scroll", "1,2,3"}, "--scroll '1,2,3'"},
        {{"--scroll", "2147483648,0"}, "--scroll '2147483648,0'"},
        {{"--scroll", ",0"}, "--scroll ',0'"},
        {{"--keys"}, "--keys needs a value"},
        {{"--click", "-1,0"}, "--click '-1,0': not X,Y"},
        {{"--click", "0,65536"}, "--click '0,65536'"},
        {{"--click", "7"}, "--click '7'"},
        {{"--poster", "--click", "1,1"}, "--poster draws the whole window"},
        {{"-o"}, "-o needs a value"},
        {{"--data", ""}, "--data needs a folder"},
        {{"--poster", "--keys", "a"}, "--poster draws the whole window"},
        {{"--poster", "--mode", "640"}, "--poster draws the whole window"},
        {{"--scroll=0,0", "--poster"}, "--poster draws the whole window"},
        {{"--posterx"}, "unexpected argument '--posterx'"},
        {{"--poster=1"}, "unexpected argument '--poster=1'"},
        {{"frame.png"}, "unexpected argument 'frame.png'"},
    };
    for (const auto &[args, expected] : cases) {
        const Parsed p = Parse(args);
        EXPECT_FALSE(p.ok) << expected;
        EXPECT_EQ(p.error.rfind(expected, 0), 0u) << "got: " << p.error;
    }
}

} // namespace
