#include "tests/unit/recording_draw.h"

std::vector<DrawCall> DrawCalls;
bool OverlayAvailable = true;

void ResetDrawCalls() {
    DrawCalls.clear();
    OverlayAvailable = true;
}

std::vector<DrawCall> RecordedCopies() {
    std::vector<DrawCall> copies;
    for (const DrawCall &call : DrawCalls) {
        if (call.op == DrawOp::Copy) {
            copies.push_back(call);
        }
    }
    return copies;
}

bool operator==(const DrawRect &a, const DrawRect &b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::ostream &operator<<(std::ostream &out, const DrawRect &rect) {
    return out << "(" << rect.left << ", " << rect.top << ", " << rect.right << ", " << rect.bottom
               << ")";
}

void ClearBackBuffer(const DrawRect &area, std::uint32_t fillValue) {
    DrawCalls.push_back(DrawCall{DrawOp::Clear, {}, area, fillValue, 0, 0, {}});
}

void CopyTile(const DrawRect &source, const DrawRect &destination) {
    DrawCalls.push_back(DrawCall{DrawOp::Copy, source, destination, 0, 0, 0, {}});
}

bool BeginOverlayText() {
    DrawCalls.push_back(DrawCall{DrawOp::BeginText, {}, {}, 0, 0, 0, {}});
    return OverlayAvailable;
}

void DrawOverlayText(int x, int y, const char *text) {
    DrawCalls.push_back(DrawCall{DrawOp::Text, {}, {}, 0, x, y, text});
}

void EndOverlayText() {
    DrawCalls.push_back(DrawCall{DrawOp::EndText, {}, {}, 0, 0, 0, {}});
}

void PresentBackBuffer() {
    DrawCalls.push_back(DrawCall{DrawOp::Present, {}, {}, 0, 0, 0, {}});
}
