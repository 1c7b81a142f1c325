// The segment names and the mode table as CMake read them from the C++ (its own lists, and the
// copies it wrote for the Python tests and the page), held to the definitions.

#include "display/viewer_modes.h"
#include "mapdata/segment.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string ReadText(const char *path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// The literals the copies hold, read alike by Python and JavaScript.
std::string SegmentFilesLiteral() {
    std::string list;
    for (const char *name : SegmentFiles) {
        list += (list.empty() ? "[\"" : ", \"") + std::string(name) + "\"";
    }
    return list + "]";
}

std::string ViewerModesLiteral() {
    std::string list;
    for (const ViewerMode &mode : VIEWER_MODES) {
        list += (list.empty() ? "[[\"" : ", [\"") + std::string(mode.name) + "\", " +
                std::to_string(mode.width) + ", " + std::to_string(mode.height) + "]";
    }
    return list + "]";
}

TEST(GeneratedCopiesTest, CMakeListsHoldTheDefinitions) {
    std::string segments;
    for (const char *name : SegmentFiles) {
        segments += (segments.empty() ? "" : ",") + std::string(name);
    }
    EXPECT_EQ(DRAVIK_CMAKE_SEGMENT_FILES, segments);
    std::string modes;
    for (const ViewerMode &mode : VIEWER_MODES) {
        modes += (modes.empty() ? "" : ",") + std::string(mode.name) + " " +
                 std::to_string(mode.width) + "x" + std::to_string(mode.height);
    }
    EXPECT_EQ(DRAVIK_CMAKE_MODES, modes);
}

TEST(GeneratedCopiesTest, PythonAndPageCopiesHoldTheDefinitions) {
    const std::string python = ReadText(DRAVIK_PYTHON_CONSTANTS);
    EXPECT_NE(python.find("\nSEGMENT_FILES = " + SegmentFilesLiteral() + "\n"), std::string::npos)
        << python;
    EXPECT_NE(python.find("\nVIEWER_MODES = " + ViewerModesLiteral() + "\n"), std::string::npos)
        << python;
    const std::string page = ReadText(DRAVIK_PAGE_CONSTANTS);
    EXPECT_NE(page.find("\nconst SEGMENT_FILES = " + SegmentFilesLiteral() + ";\n"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("\nconst VIEWER_MODES = " + ViewerModesLiteral() + ";\n"),
              std::string::npos)
        << page;
}

} // namespace
