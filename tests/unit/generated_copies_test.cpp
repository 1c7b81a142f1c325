// The segment names, the mode table and the drawn part of a segment as CMake read them from the
// C++ (its own lists, and the copies it wrote for the Python tests and the page), held to the
// definitions. The expected texts are built without "text" + std::string, on which GCC 12 warns
// falsely (-Wrestrict).

#include "display/viewer_modes.h"
#include "mapdata/segment.h"
#include "view/drawn_window.h"

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

// The literals the copies hold, read alike by Python and JavaScript: ["seg000.db", ...] and
// [["1024", 1024, 768], ...].
std::string SegmentFilesLiteral() {
    std::string text = "[";
    for (const char *name : SegmentFiles) {
        text += text.size() == 1 ? "\"" : ", \"";
        text += name;
        text += "\"";
    }
    return text + "]";
}

std::string ViewerModesLiteral() {
    std::string text = "[";
    for (const ViewerMode &mode : VIEWER_MODES) {
        text += text.size() == 1 ? "[\"" : ", [\"";
        text += mode.name;
        text += "\", ";
        text += std::to_string(mode.width);
        text += ", ";
        text += std::to_string(mode.height);
        text += "]";
    }
    return text + "]";
}

TEST(GeneratedCopiesTest, CMakeListsHoldTheDefinitions) {
    std::string segments;
    for (const char *name : SegmentFiles) {
        segments += segments.empty() ? "" : ",";
        segments += name;
    }
    EXPECT_EQ(DRAVIK_CMAKE_SEGMENT_FILES, segments);
    std::string modes; // "name WIDTHxHEIGHT" each
    for (const ViewerMode &mode : VIEWER_MODES) {
        modes += modes.empty() ? "" : ",";
        modes += mode.name;
        modes += " ";
        modes += std::to_string(mode.width);
        modes += "x";
        modes += std::to_string(mode.height);
    }
    EXPECT_EQ(DRAVIK_CMAKE_MODES, modes);
    EXPECT_EQ(DRAVIK_CMAKE_DRAWN_SEGMENT_BYTES, GRID_WINDOW_ROWS * SEGMENT_COLUMNS * MAP_CELL_SIZE);
}

TEST(GeneratedCopiesTest, PythonAndPageCopiesHoldTheDefinitions) {
    const std::string python = ReadText(DRAVIK_PYTHON_CONSTANTS);
    EXPECT_NE(python.find(std::string("\nSEGMENT_FILES = ") + SegmentFilesLiteral() + "\n"),
              std::string::npos)
        << python;
    EXPECT_NE(python.find(std::string("\nVIEWER_MODES = ") + ViewerModesLiteral() + "\n"),
              std::string::npos)
        << python;
    const std::string page = ReadText(DRAVIK_PAGE_CONSTANTS);
    EXPECT_NE(page.find(std::string("\nconst SEGMENT_FILES = ") + SegmentFilesLiteral() + ";\n"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find(std::string("\nconst VIEWER_MODES = ") + ViewerModesLiteral() + ";\n"),
              std::string::npos)
        << page;
}

} // namespace
