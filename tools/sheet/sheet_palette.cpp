#include "tools/sheet/sheet_palette.h"

#include <unordered_map>
#include <unordered_set>

namespace {

using EntryOfColour = std::unordered_map<std::uint32_t, int>;

// The distinct colours in the order their first pixels come, top row first.
std::vector<std::uint32_t> ColoursInOrder(const SheetPicture &picture) {
    std::vector<std::uint32_t> order;
    std::unordered_set<std::uint32_t> seen;
    std::uint32_t last = 0;
    bool any = false;
    for (const std::uint32_t colour : picture.colours) {
        if ((!any || colour != last) && seen.insert(colour).second) {
            order.push_back(colour);
        }
        last = colour;
        any = true;
    }
    return order;
}

struct Assignment {
    SheetPalette &out;
    EntryOfColour entryOf;
    bool taken[PALETTE_ENTRIES] = {};

    // The first entry given a colour keeps it: pixels of that colour get that entry.
    void Put(int index, std::uint32_t colour) {
        out.entries[index] = colour;
        taken[index] = true;
        entryOf.try_emplace(colour, index);
    }
};

void PutFixedEntries(Assignment &a, const SheetColours &fixed) {
    a.Put(TRANSPARENT_INDEX, fixed.key); // first: the key colour must land on 142 alone
    a.Put(SHEET_BLACK_INDEX, RGB_BLACK);
    a.Put(SHEET_WHITE_INDEX, RGB_WHITE);
    a.Put(SHEET_CLEAR_INDEX, fixed.clear);
}

// A colour used at an entry of the picture's own palette stays there when the entry is free.
void KeepSourceEntries(Assignment &a, const SheetPicture &picture) {
    bool used[PALETTE_ENTRIES] = {};
    for (const std::uint8_t index : picture.sourceIndices) {
        used[index] = true;
    }
    const int count = static_cast<int>(picture.sourcePalette.size());
    for (int index = 0; index < PALETTE_ENTRIES && index < count; ++index) {
        const std::uint32_t colour = picture.sourcePalette[index];
        if (used[index] && !a.taken[index] && !a.entryOf.contains(colour)) {
            a.Put(index, colour);
        }
    }
}

void PlaceRemainingColours(Assignment &a, const std::vector<std::uint32_t> &order) {
    int next = 0;
    for (const std::uint32_t colour : order) {
        if (a.entryOf.contains(colour)) {
            continue;
        }
        while (a.taken[next]) {
            ++next;
        }
        a.Put(next, colour);
    }
}

// Entries no pixel uses keep the picture's own colour where it repeats no other entry, so that
// a palette that was right stays whole; the rest are black, never the key colour.
void FillUnusedEntries(Assignment &a, const SheetPicture &picture) {
    const int count = static_cast<int>(picture.sourcePalette.size());
    for (int index = 0; index < PALETTE_ENTRIES; ++index) {
        if (a.taken[index]) {
            continue;
        }
        const bool keep = index < count && !a.entryOf.contains(picture.sourcePalette[index]);
        a.Put(index, keep ? picture.sourcePalette[index] : RGB_BLACK);
    }
}

int CountOthers(const std::vector<std::uint32_t> &order, const SheetColours &fixed) {
    int others = 0;
    for (const std::uint32_t colour : order) {
        if (colour != fixed.key && colour != fixed.clear && colour != RGB_BLACK &&
            colour != RGB_WHITE) {
            ++others;
        }
    }
    return others;
}

} // namespace

bool MakeSheetPalette(const SheetPicture &picture, const SheetColours &fixed, SheetPalette &out) {
    const std::vector<std::uint32_t> order = ColoursInOrder(picture);
    out.otherColours = CountOthers(order, fixed);
    if (out.otherColours > SHEET_FREE_ENTRIES) {
        return false;
    }
    Assignment a{out, {}};
    PutFixedEntries(a, fixed);
    KeepSourceEntries(a, picture);
    PlaceRemainingColours(a, order);
    FillUnusedEntries(a, picture);
    out.indices.resize(picture.colours.size());
    std::uint32_t last = RGB_BLACK;
    int lastEntry = a.entryOf.at(RGB_BLACK);
    for (std::size_t i = 0; i < picture.colours.size(); ++i) {
        if (picture.colours[i] != last) {
            last = picture.colours[i];
            lastEntry = a.entryOf.at(last);
        }
        out.indices[i] = static_cast<std::uint8_t>(lastEntry);
    }
    return true;
}
