// The check report as text for a person and as JSON for machines.

#include "tools/check/check_report.h"

#include "display/draw.h"
#include "mapdata/segment.h"
#include "mapdata/terrain.h"

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr std::size_t TEXT_WIDTH = 100;

void AppendProblems(std::string &out, const CheckReport &report, CheckSection section,
                    int segment = -1) {
    for (const CheckProblem &problem : report.problems) {
        if (problem.section == section && problem.segment == segment) {
            out += "  ! ";
            out += problem.text;
            out += '\n';
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
            const std::string expected =
                file.expected < 0 ? std::string() : GroupDigits(file.expected);
            std::snprintf(line, sizeof line, "  %-11s %11s bytes (%s%s)\n", file.name.c_str(),
                          GroupDigits(file.size).c_str(),
                          file.expected < 0 ? "size not told by its header" : expected.c_str(),
                          file.expected < 0 ? "" : " expected");
        }
        out += line;
    }
    AppendProblems(out, report, CheckSection::Files);
}

void AppendUsesText(std::string &out, const SegmentCheck &segment) {
    const std::string_view head = "  cells per record:";
    out += head;
    std::size_t line = head.size(); // the length of the line written so far
    for (const RecordUse &use : segment.uses) {
        const std::string record = std::to_string(use.record);
        const std::string cells = std::to_string(use.cells);
        const std::size_t item = 2 + record.size() + cells.size();
        if (line + item > TEXT_WIDTH) {
            out += "\n   ";
            line = 3;
        }
        AppendPieces(out, {" ", record, ":", cells});
        line += item;
    }
    out += '\n';
}

void AppendSegmentsText(std::string &out, const CheckReport &report) {
    for (const SegmentCheck &segment : report.segments) {
        AppendPieces(
            out, {"segment ", std::to_string(segment.index), " (", SegmentFiles[segment.index],
                  "): ", std::to_string(segment.uses.size()), " records used in the drawn window, ",
                  std::to_string(segment.missing.size()), " references held by no record\n"});
        AppendProblems(out, report, CheckSection::Segment, segment.index);
        AppendUsesText(out, segment);
    }
}

void AppendPaletteText(std::string &out, const CheckReport &report) {
    const PaletteCheck &p = report.palette;
    out += "palette\n";
    if (p.opened) {
        const PaletteEntry &t = p.transparent;
        AppendPieces(out, {"  ", GroupDigits(p.header.infoSize), "-byte information header, ",
                           std::to_string(p.header.bitCount), " bits per pixel, colours used ",
                           GroupDigits(p.header.coloursUsed), "; ", std::to_string(p.header.width),
                           " x ", std::to_string(p.header.height), " pixels\n"});
        AppendPieces(out, {"  transparent colour (entry 142): (", std::to_string(t.red), ", ",
                           std::to_string(t.green), ", ", std::to_string(t.blue), ")\n"});
        const TileCorners &c = p.corners;
        if (c.read && c.pixels > 0) {
            AppendPieces(out, {"  tiles' corners: ", GroupDigits(c.mostCount), " of ",
                               GroupDigits(c.pixels), " are (", std::to_string(c.most.red), ", ",
                               std::to_string(c.most.green), ", ", std::to_string(c.most.blue),
                               "), entry ", std::to_string(c.mostEntry), "\n"});
        }
    }
    AppendProblems(out, report, CheckSection::Palette);
}

// JSON text of a string: quotes, backslashes and control characters escaped, the runs of other
// characters between them copied whole. The runs are found by one library call each: the reports
// run to thousands of strings, and a loop over their characters was the formatter's costliest
// part. strcspn also stops at a NUL byte, which is a control character too.
void AppendQuoted(std::string &out, const std::string &text) {
    static const char *const stops = "\"\\\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e"
                                     "\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d"
                                     "\x1e\x1f";
    out += '"';
    for (std::size_t at = 0;;) {
        const std::size_t stop = at + std::strcspn(text.c_str() + at, stops);
        out.append(text, at, stop - at);
        if (stop >= text.size()) {
            break;
        }
        const auto c = static_cast<unsigned char>(text[stop]);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        }
        at = stop + 1;
    }
    out += '"';
}

// The JSON is written into one string, value after value: a string of its own for each value
// cost an allocation each, and the reports hold thousands of values.
void AppendNumber(std::string &out, std::int64_t value) {
    char digits[24];
    out.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
}

// Each name (a JSON key, with its colon and the comma before it, written in full in the call)
// followed by its number.
void AppendFields(std::string &out,
                  std::initializer_list<std::pair<const char *, std::int64_t>> fields) {
    for (const auto &[name, value] : fields) {
        out += name;
        AppendNumber(out, value);
    }
}

template <class Item, class Append>
void AppendList(std::string &out, const std::vector<Item> &items, Append append) {
    out += '[';
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) {
            out += ',';
        }
        append(items[i]);
    }
    out += ']';
}

void AppendNumbers(std::string &out, const std::vector<int> &numbers) {
    AppendList(out, numbers, [&](int n) { AppendNumber(out, n); });
}

void AppendFilesJson(std::string &out, const CheckReport &report) {
    AppendList(out, report.files, [&](const FileCheck &f) {
        out += "{\"name\":";
        AppendQuoted(out, f.name);
        out += f.opened ? ",\"opened\":true,\"size\":" : ",\"opened\":false,\"size\":null";
        if (f.opened) {
            AppendNumber(out, f.size);
        }
        out += ",\"expected\":";
        if (f.expected >= 0) {
            AppendNumber(out, f.expected);
        } else {
            out += "null";
        }
        out += '}';
    });
}

void AppendRecordsJson(std::string &out, const CheckReport &report) {
    AppendFields(out, {{"{\"in_use\":", report.recordsInUse}});
    out += ",\"bad_sources\":";
    AppendList(out, report.badSources, [&](const BadSourceRecord &b) {
        const DrawRect &r = b.source;
        AppendFields(out, {{"{\"record\":", b.record},
                           {",\"kind\":", b.kind},
                           {",\"level\":", b.level},
                           {",\"source\":[", r.left},
                           {",", r.top},
                           {",", r.right},
                           {",", r.bottom}});
        out += b.noArea ? "],\"reason\":\"no area\"}" : "],\"reason\":\"outside the sheet\"}";
    });
    out += ",\"duplicates\":";
    AppendList(out, report.duplicates, [&](const DuplicatePair &d) {
        AppendFields(out,
                     {{"{\"kind\":", d.kind}, {",\"level\":", d.level}, {",\"first\":", d.first}});
        out += ",\"later\":";
        AppendNumbers(out, d.later);
        out += '}';
    });
    out += '}';
}

void AppendSegmentsJson(std::string &out, const CheckReport &report) {
    AppendList(out, report.segments, [&](const SegmentCheck &s) {
        AppendFields(out, {{"{\"index\":", s.index}});
        out += ",\"file\":";
        AppendQuoted(out, SegmentFiles[s.index]);
        out += ",\"missing\":";
        AppendList(out, s.missing, [&](const MissingReference &m) {
            AppendFields(out, {{"{\"row\":", m.row},
                               {",\"column\":", m.column},
                               {",\"layer\":", m.layer},
                               {",\"kind\":", m.kind},
                               {",\"level\":", m.level}});
            out += '}';
        });
        out += ",\"uses\":";
        AppendList(out, s.uses, [&](const RecordUse &u) {
            AppendFields(out, {{"{\"record\":", u.record}, {",\"cells\":", u.cells}});
            out += '}';
        });
        out += '}';
    });
}

// The commonest colour at the tiles' corners, or null when the sheet's pixels were not read.
void AppendCornersJson(std::string &out, const TileCorners &c) {
    if (!c.read) {
        out += "null";
        return;
    }
    AppendFields(out, {{"{\"pixels\":", c.pixels},
                       {",\"most\":[", c.most.red},
                       {",", c.most.green},
                       {",", c.most.blue},
                       {"],\"most_count\":", c.mostCount},
                       {",\"most_entry\":", c.mostEntry}});
    out += '}';
}

void AppendPaletteJson(std::string &out, const PaletteCheck &p) {
    const PaletteEntry &t = p.transparent;
    out += p.opened ? "{\"opened\":true" : "{\"opened\":false";
    AppendFields(out, {{",\"header_size\":", p.header.infoSize},
                       {",\"bit_count\":", p.header.bitCount},
                       {",\"colours_used\":", p.header.coloursUsed},
                       {",\"colour_count\":", p.colourCount},
                       {",\"width\":", p.header.width},
                       {",\"height\":", p.header.height},
                       {",\"transparent\":[", t.red},
                       {",", t.green},
                       {",", t.blue}});
    out += "],\"same_as_transparent\":";
    AppendNumbers(out, p.sameAsTransparent);
    out += ",\"corners\":";
    AppendCornersJson(out, p.corners);
    out += '}';
}

// Roughly the length of either report, most of it the problems' texts: reserved at once, a report
// is not copied a dozen times over as it grows, each time into memory of its own.
std::size_t ReportSizeHint(const CheckReport &report) {
    std::size_t size = 2048;
    for (const CheckProblem &problem : report.problems) {
        size += problem.text.size() + 64;
    }
    for (const SegmentCheck &segment : report.segments) {
        size += 80 * segment.missing.size() + 24 * segment.uses.size();
    }
    return size + 96 * report.badSources.size() + 64 * report.duplicates.size();
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
    std::string out;
    out.reserve(ReportSizeHint(report) + folder.size());
    AppendPieces(out, {"data folder ", folder, "\n"});
    AppendFilesText(out, report);
    AppendPieces(out, {"terrain table: ", std::to_string(report.recordsInUse), " of ",
                       std::to_string(TERRAIN_RECORD_COUNT), " records in use\n"});
    AppendProblems(out, report, CheckSection::Records);
    AppendSegmentsText(out, report);
    AppendPaletteText(out, report);
    const std::size_t n = report.problems.size();
    if (n == 0) {
        out += "nothing wrong\n";
    } else {
        AppendPieces(out, {std::to_string(n), n == 1 ? " problem" : " problems", " found\n"});
    }
    return out;
}

std::string FormatCheckJson(const CheckReport &report, const std::string &folder) {
    std::string out;
    out.reserve(ReportSizeHint(report) + folder.size());
    out += "{\"folder\":";
    AppendQuoted(out, folder);
    out += report.problems.empty() ? ",\"ok\":true" : ",\"ok\":false";
    out += ",\"files\":";
    AppendFilesJson(out, report);
    out += ",\"records\":";
    AppendRecordsJson(out, report);
    out += ",\"segments\":";
    AppendSegmentsJson(out, report);
    out += ",\"palette\":";
    AppendPaletteJson(out, report.palette);
    out += ",\"problems\":";
    AppendList(out, report.problems, [&](const CheckProblem &p) {
        out += "{\"section\":\"";
        out += SectionName(p.section);
        out += "\",\"segment\":";
        if (p.section == CheckSection::Segment) {
            AppendNumber(out, p.segment);
        } else {
            out += "null";
        }
        out += ",\"text\":";
        AppendQuoted(out, p.text);
        out += '}';
    });
    out += "}\n";
    return out;
}
