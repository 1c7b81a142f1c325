// The check report as text for a person and as JSON for machines.

#include "tools/check/check_report.h"

#include "display/draw.h"
#include "mapdata/segment.h"
#include "mapdata/terrain.h"

#include <cstdio>
#include <string>

namespace {

constexpr std::size_t TEXT_WIDTH = 100;

void AppendProblems(std::string &out, const CheckReport &report, CheckSection section,
                    int segment = -1) {
    for (const CheckProblem &problem : report.problems) {
        if (problem.section == section && problem.segment == segment) {
            out += "  ! " + problem.text + "\n";
        }
    }
}

void AppendFilesText(std::string &out, const CheckReport &report) {
    out += "files\n";
    for (const FileCheck &file : report.files) {
        char line[160];
        if (!file.opened) {
            std::snprintf(line, sizeof line, "  %-11s cannot be opened\n", file.name.c_str());
        } else {
            const std::string expected = file.expected < 0
                                             ? "size not told by its header"
                                             : GroupDigits(file.expected) + " expected";
            std::snprintf(line, sizeof line, "  %-11s %11s bytes (%s)\n", file.name.c_str(),
                          GroupDigits(file.size).c_str(), expected.c_str());
        }
        out += line;
    }
    AppendProblems(out, report, CheckSection::Files);
}

void AppendUsesText(std::string &out, const SegmentCheck &segment) {
    std::string line = "  cells per record:";
    for (const RecordUse &use : segment.uses) {
        const std::string item = " " + std::to_string(use.record) + ":" + std::to_string(use.cells);
        if (line.size() + item.size() > TEXT_WIDTH) {
            out += line + "\n";
            line = "   ";
        }
        line += item;
    }
    out += line + "\n";
}

void AppendSegmentsText(std::string &out, const CheckReport &report) {
    for (const SegmentCheck &segment : report.segments) {
        out += "segment " + std::to_string(segment.index) + " (" + SegmentFiles[segment.index] +
               "): " + std::to_string(segment.uses.size()) + " records used in the drawn window, " +
               std::to_string(segment.missing.size()) + " references held by no record\n";
        AppendProblems(out, report, CheckSection::Segment, segment.index);
        AppendUsesText(out, segment);
    }
}

void AppendPaletteText(std::string &out, const CheckReport &report) {
    const PaletteCheck &p = report.palette;
    out += "palette\n";
    if (p.opened) {
        const PaletteEntry &t = p.transparent;
        out += "  " + GroupDigits(p.header.infoSize) + "-byte information header, " +
               std::to_string(p.header.bitCount) + " bits per pixel, colours used " +
               GroupDigits(p.header.coloursUsed) + "; " + std::to_string(p.header.width) + " x " +
               std::to_string(p.header.height) + " pixels\n";
        out += "  transparent colour (entry 142): (" + std::to_string(t.red) + ", " +
               std::to_string(t.green) + ", " + std::to_string(t.blue) + ")\n";
        const TileCorners &c = p.corners;
        if (c.read && c.pixels > 0) {
            out += "  tiles' corners: " + GroupDigits(c.mostCount) + " of " +
                   GroupDigits(c.pixels) + " are (" + std::to_string(c.most.red) + ", " +
                   std::to_string(c.most.green) + ", " + std::to_string(c.most.blue) + "), entry " +
                   std::to_string(c.mostEntry) + "\n";
        }
    }
    AppendProblems(out, report, CheckSection::Palette);
}

// JSON text of a string: quotes, backslashes and control characters escaped, the runs of other
// characters between them copied whole (the reports run to thousands of strings).
std::string Quoted(const std::string &text) {
    std::string out = "\"";
    out.reserve(text.size() + 2);
    std::size_t plain = 0; // where the run of characters copied as they are starts
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c != '"' && c != '\\' && c >= 0x20) {
            continue;
        }
        out.append(text, plain, i - plain);
        plain = i + 1;
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        }
    }
    out.append(text, plain);
    out += '"';
    return out;
}

std::string RectJson(const DrawRect &r) {
    return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + "]";
}

template <class Item, class Format>
std::string ListJson(const std::vector<Item> &items, Format format) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        out += format(items[i]);
    }
    out += ']';
    return out;
}

std::string FilesJson(const CheckReport &report) {
    return ListJson(report.files, [](const FileCheck &f) {
        return "{\"name\":" + Quoted(f.name) + ",\"opened\":" + (f.opened ? "true" : "false") +
               ",\"size\":" + (f.opened ? std::to_string(f.size) : "null") +
               ",\"expected\":" + (f.expected >= 0 ? std::to_string(f.expected) : "null") + "}";
    });
}

std::string RecordsJson(const CheckReport &report) {
    const std::string bad = ListJson(report.badSources, [](const BadSourceRecord &b) {
        return "{\"record\":" + std::to_string(b.record) + ",\"kind\":" + std::to_string(b.kind) +
               ",\"level\":" + std::to_string(b.level) + ",\"source\":" + RectJson(b.source) +
               ",\"reason\":" + (b.noArea ? "\"no area\"" : "\"outside the sheet\"") + "}";
    });
    const std::string duplicates = ListJson(report.duplicates, [](const DuplicatePair &d) {
        return "{\"kind\":" + std::to_string(d.kind) + ",\"level\":" + std::to_string(d.level) +
               ",\"first\":" + std::to_string(d.first) +
               ",\"later\":" + ListJson(d.later, [](int i) { return std::to_string(i); }) + "}";
    });
    return "{\"in_use\":" + std::to_string(report.recordsInUse) + ",\"bad_sources\":" + bad +
           ",\"duplicates\":" + duplicates + "}";
}

std::string SegmentsJson(const CheckReport &report) {
    return ListJson(report.segments, [](const SegmentCheck &s) {
        const std::string missing = ListJson(s.missing, [](const MissingReference &m) {
            return "{\"row\":" + std::to_string(m.row) + ",\"column\":" + std::to_string(m.column) +
                   ",\"layer\":" + std::to_string(m.layer) + ",\"kind\":" + std::to_string(m.kind) +
                   ",\"level\":" + std::to_string(m.level) + "}";
        });
        const std::string uses = ListJson(s.uses, [](const RecordUse &u) {
            return "{\"record\":" + std::to_string(u.record) +
                   ",\"cells\":" + std::to_string(u.cells) + "}";
        });
        return "{\"index\":" + std::to_string(s.index) +
               ",\"file\":" + Quoted(SegmentFiles[s.index]) + ",\"missing\":" + missing +
               ",\"uses\":" + uses + "}";
    });
}

// The commonest colour at the tiles' corners, or null when the sheet's pixels were not read.
std::string CornersJson(const TileCorners &c) {
    if (!c.read) {
        return "null";
    }
    return "{\"pixels\":" + std::to_string(c.pixels) + ",\"most\":[" + std::to_string(c.most.red) +
           "," + std::to_string(c.most.green) + "," + std::to_string(c.most.blue) +
           "],\"most_count\":" + std::to_string(c.mostCount) +
           ",\"most_entry\":" + std::to_string(c.mostEntry) + "}";
}

std::string PaletteJson(const PaletteCheck &p) {
    const PaletteEntry &t = p.transparent;
    return "{\"opened\":" + std::string(p.opened ? "true" : "false") +
           ",\"header_size\":" + std::to_string(p.header.infoSize) +
           ",\"bit_count\":" + std::to_string(p.header.bitCount) +
           ",\"colours_used\":" + std::to_string(p.header.coloursUsed) +
           ",\"colour_count\":" + std::to_string(p.colourCount) +
           ",\"width\":" + std::to_string(p.header.width) +
           ",\"height\":" + std::to_string(p.header.height) + ",\"transparent\":[" +
           std::to_string(t.red) + "," + std::to_string(t.green) + "," + std::to_string(t.blue) +
           "],\"same_as_transparent\":" +
           ListJson(p.sameAsTransparent, [](int i) { return std::to_string(i); }) +
           ",\"corners\":" + CornersJson(p.corners) + "}";
}

const char *SectionName(CheckSection section) {
    switch (section) {
    case CheckSection::Files:
        return "files";
    case CheckSection::Records:
        return "records";
    case CheckSection::Segment:
        return "segment";
    case CheckSection::Palette:
        return "palette";
    }
    return "";
}

} // namespace

std::string FormatCheckText(const CheckReport &report, const std::string &folder) {
    std::string out = "data folder " + folder + "\n";
    AppendFilesText(out, report);
    out += "terrain table: " + std::to_string(report.recordsInUse) + " of " +
           std::to_string(TERRAIN_RECORD_COUNT) + " records in use\n";
    AppendProblems(out, report, CheckSection::Records);
    AppendSegmentsText(out, report);
    AppendPaletteText(out, report);
    out += report.problems.empty() ? std::string("nothing wrong\n")
                                   : std::to_string(report.problems.size()) + " problem" +
                                         (report.problems.size() == 1 ? "" : "s") + " found\n";
    return out;
}

std::string FormatCheckJson(const CheckReport &report, const std::string &folder) {
    const std::string problems = ListJson(report.problems, [](const CheckProblem &p) {
        return "{\"section\":\"" + std::string(SectionName(p.section)) + "\",\"segment\":" +
               (p.section == CheckSection::Segment ? std::to_string(p.segment) : "null") +
               ",\"text\":" + Quoted(p.text) + "}";
    });
    return "{\"folder\":" + Quoted(folder) +
           ",\"ok\":" + (report.problems.empty() ? "true" : "false") +
           ",\"files\":" + FilesJson(report) + ",\"records\":" + RecordsJson(report) +
           ",\"segments\":" + SegmentsJson(report) + ",\"palette\":" + PaletteJson(report.palette) +
           ",\"problems\":" + problems + "}\n";
}
