// RenderFrame on the memory module's frame for one display mode, against the irreducible cost
// measured in the same run: a memset of the back buffer plus a memcpy of as many bytes as the
// frame's tile copies move (the floor), plus the frame's terrain lookups timed alone. Also the
// conversion a present makes, and the start-up to the first frame. The demo world is read from
// DRAVIK_WORLD_DIR; the worst case is built in memory over it.

#include "display/display_mode.h"
#include "display/draw.h"
#include "display/memory/memory_display.h"
#include "display/memory/memory_draw.h"
#include "display/memory/pixel_rows.h"
#include "display/palette_block.h"
#include "mapdata/segment.h"
#include "mapdata/terrain.h"
#include "view/commands.h"
#include "view/drawn_window.h"
#include "view/render_frame.h"
#include "view/view_state.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

// Bytes the frame's tile copies move: every found layer whose copy is not refused.
long CopiedBytes() {
    long bytes = 0;
    ForEachVisibleCell(W, H, [&](const WindowCell &cell) {
        TerrainRef refs[MAP_CELL_LAYERS];
        SplitMapCell(cell.row, cell.column, refs);
        for (const TerrainRef &ref : refs) {
            const int index = FindTerrainRecord(ref.kind, ref.level);
            TilePlacement tile{};
            if (index != NO_TERRAIN && PlaceTile(index, cell.originX, cell.originY, tile) &&
                RectInsideSurface(tile.source, TILE_SHEET_WIDTH, TILE_SHEET_HEIGHT) &&
                RectInsideSurface(tile.destination, W, H)) {
                const DrawRect &s = tile.source;
                bytes += static_cast<long>(s.right - s.left) * (s.bottom - s.top);
            }
        }
    });
    return bytes;
}

std::string DemoWorld() {
    return DRAVIK_WORLD_DIR;
}

bool LoadDemoWorld() {
    std::filesystem::current_path(DemoWorld());
    ViewState = ViewStateFields{};
    return LoadTerrainTable();
}

// Every cell of the drawn window holds four layers: three naming the table's last three
// records (found after a scan of almost the whole table), one naming a pair no record holds
// (a scan of the whole table). The three records take the placement of three of the demo
// world's largest tiles, so the copies are real tiles with real transparency.
void BuildWorstCase() {
    LoadDemoWorld();
    int largest[3] = {0, 0, 0};
    auto area = [](int index) {
        const TerrainPlacement p = ReadTerrainPlacement(index);
        return static_cast<long>(p.srcRight - p.srcLeft) * (p.srcBottom - p.srcTop);
    };
    for (int index = 0; index < TERRAIN_RECORD_COUNT - 3; ++index) {
        const TerrainPlacement p = ReadTerrainPlacement(index);
        if (p.srcRight - p.srcLeft > 3 * CELL_PITCH || p.srcBottom - p.srcTop > 3 * CELL_PITCH) {
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            if (area(index) > area(largest[k])) {
                for (int m = 2; m > k; --m) {
                    largest[m] = largest[m - 1];
                }
                largest[k] = index;
                break;
            }
        }
    }
    unsigned char copies[3][TERRAIN_RECORD_SIZE];
    for (int k = 0; k < 3; ++k) {
        std::memcpy(copies[k], TerrainTable + largest[k] * TERRAIN_RECORD_SIZE,
                    TERRAIN_RECORD_SIZE);
    }
    // No other record may hold the pairs used here, so renumber the whole table out of the way.
    for (int index = 0; index < TERRAIN_RECORD_COUNT; ++index) {
        unsigned char *record = TerrainTable + index * TERRAIN_RECORD_SIZE;
        record[TERRAIN_KIND_OFFSET] = static_cast<unsigned char>(1 + index % 200);
        record[TERRAIN_LEVEL_OFFSET] = static_cast<unsigned char>(1 + index / 200);
    }
    for (int k = 0; k < 3; ++k) {
        unsigned char *record = TerrainTable + (TERRAIN_RECORD_COUNT - 3 + k) * TERRAIN_RECORD_SIZE;
        std::memcpy(record, copies[k], TERRAIN_RECORD_SIZE);
        record[TERRAIN_KIND_OFFSET] = static_cast<unsigned char>(240 + k);
        record[TERRAIN_LEVEL_OFFSET] = static_cast<unsigned char>(10 + k);
    }
    ForEachWindowCell([](const WindowCell &window) {
        unsigned char *cell =
            MapGrid + (window.row * SEGMENT_COLUMNS + window.column) * MAP_CELL_SIZE;
        // Layer l: level byte 6 - 2l, kind byte 7 - 2l.
        for (int layer = 0; layer < 3; ++layer) {
            cell[7 - 2 * layer] = static_cast<unsigned char>(240 + layer);
            cell[6 - 2 * layer] = static_cast<unsigned char>(10 + layer);
        }
        cell[1] = 250; // layer 3: a pair nobody holds
        cell[0] = 250;
    });
}

void PrepareWorld(bool worst) {
    if (worst) {
        BuildWorstCase();
    } else {
        LoadDemoWorld();
    }
}

void Frame(benchmark::State &state, bool worst) {
    PrepareWorld(worst);
    for ([[maybe_unused]] auto _ : state) {
        RenderFrame();
    }
    benchmark::DoNotOptimize(BackBufferPixels);
    state.counters["copied_bytes"] = static_cast<double>(CopiedBytes());
}

void Floor(benchmark::State &state, bool worst) {
    PrepareWorld(worst);
    const long bytes = CopiedBytes();
    std::vector<std::uint8_t> back(static_cast<std::size_t>(W) * H);
    std::vector<std::uint8_t> target(static_cast<std::size_t>(bytes) + 1);
    std::vector<std::uint8_t> source(static_cast<std::size_t>(bytes) + 1, 7);
    for ([[maybe_unused]] auto _ : state) {
        std::memset(back.data(), 170, back.size());
        std::memcpy(target.data(), source.data(), static_cast<std::size_t>(bytes));
        benchmark::DoNotOptimize(back.data());
        benchmark::DoNotOptimize(target.data());
        benchmark::ClobberMemory();
    }
    state.counters["copied_bytes"] = static_cast<double>(bytes);
}

void Lookups(benchmark::State &state, bool worst) {
    PrepareWorld(worst);
    for ([[maybe_unused]] auto _ : state) {
        int sum = 0;
        ForEachVisibleCell(W, H, [&](const WindowCell &cell) {
            TerrainRef refs[MAP_CELL_LAYERS];
            SplitMapCell(cell.row, cell.column, refs);
            for (const TerrainRef &ref : refs) {
                sum += FindTerrainRecord(ref.kind, ref.level);
            }
        });
        benchmark::DoNotOptimize(sum);
    }
}

// The conversion a present makes: the frame through the palette into 32-bit texels.
void ExpandForPresent(benchmark::State &state) {
    LoadDemoWorld();
    RenderFrame();
    std::uint32_t colours[PALETTE_ENTRIES];
    for (int i = 0; i < PALETTE_ENTRIES; ++i) {
        const PaletteEntry &e = DisplayPalette[i];
        colours[i] =
            0xFF000000U | (std::uint32_t{e.red} << 16) | (std::uint32_t{e.green} << 8) | e.blue;
    }
    std::vector<std::uint32_t> texels(static_cast<std::size_t>(W) * H);
    for ([[maybe_unused]] auto _ : state) {
        ExpandIndexedRows(BackBufferPixels, W, colours, texels.data(), W * 4, W, H);
        benchmark::DoNotOptimize(texels.data());
    }
}

// The start-up work up to the first frame that every platform shares: the terrain table and
// first segment, the palette, the sheet made ready for a picture. Decoding the picture is each
// platform's loader's, timed with the running programs (bench/programs.py).
void StartUp(benchmark::State &state) {
    std::filesystem::current_path(DemoWorld());
    for ([[maybe_unused]] auto _ : state) {
        ViewState = ViewStateFields{};
        LoadTerrainTable();
        LoadDisplayPalette(TILE_SHEET_FILE);
        ClearTileSheet();
        RenderFrame();
    }
}

// Keeps every run's time per iteration, to print the ratios after the console table.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run> &runs) override {
        for (const Run &run : runs) {
            // The fastest repetition: the least disturbed by the rest of the machine.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "min") {
                milliseconds[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> milliseconds;
};

double Fastest(const std::vector<double> &times) {
    return *std::min_element(times.begin(), times.end());
}

// Five repetitions each; the table shows their mean, median, spread and fastest.
void Repeated(benchmark::internal::Benchmark *benchmark) {
    benchmark->Unit(benchmark::kMillisecond)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true)
        ->ComputeStatistics("min", Fastest);
}

void Once(benchmark::internal::Benchmark *benchmark) {
    benchmark->Unit(benchmark::kMillisecond);
}

void PrintRatios(const RatioReporter &reporter) {
    std::printf("\n%dx%d  frame / (floor + lookups), time per frame in ms\n", W, H);
    for (const char *world : {"demo", "worst"}) {
        auto at = [&](const std::string &what) {
            const auto it = reporter.milliseconds.find(what + "/" + world);
            return it == reporter.milliseconds.end() ? 0.0 : it->second;
        };
        const double frame = at("Frame");
        const double irreducible = at("Floor") + at("Lookups");
        if (frame > 0 && irreducible > 0) {
            std::printf("  %-5s  frame %.3f  floor %.3f  lookups %.3f  ratio %.2f\n", world, frame,
                        at("Floor"), at("Lookups"), frame / irreducible);
        }
    }
}

} // namespace

// NOLINTBEGIN(clang-analyzer-cplusplus.NewDeleteLeaks): the library keeps what it registers.
BENCHMARK_CAPTURE(Frame, demo, false)->Apply(Repeated);
BENCHMARK_CAPTURE(Floor, demo, false)->Apply(Repeated);
BENCHMARK_CAPTURE(Lookups, demo, false)->Apply(Repeated);
BENCHMARK_CAPTURE(Frame, worst, true)->Apply(Repeated);
BENCHMARK_CAPTURE(Floor, worst, true)->Apply(Repeated);
BENCHMARK_CAPTURE(Lookups, worst, true)->Apply(Repeated);
BENCHMARK(ExpandForPresent)->Apply(Once);
BENCHMARK(StartUp)->Apply(Once);
// NOLINTEND(clang-analyzer-cplusplus.NewDeleteLeaks)

// The frame is composed, never shown: presenting is each platform's own.
void PresentBackBuffer() {}

int main(int argc, char **argv) {
    LoadDisplayPalette(TILE_SHEET_FILE);
    ClearTileSheet();
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
