// A full picture of the heavy run (500 horizons of 1999 segments) at
// 1800 x 900, as a repaint of the window draws it (coloured by depth and by
// porosity), the snapshot the repaint takes first, and the report figure of
// the same run at the same size, painted and written as SVG (its size in
// bytes as a counter), and the run's Wheeler diagram likewise. Run with --benchmark_repetitions=5
// and read the medians.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <chrono>

#include "bench/heavy_run.h"
#include "core/simulation.h"
#include "core/thread_count.h"
#include "view/figure_export.h"
#include "view/report_figure.h"
#include "view/section_renderer.h"
#include "view/section_snapshot.h"
#include "view/wheeler_diagram.h"

namespace {

using namespace vendrel;

struct HeavyRun {
    ModelParameters params = make_startup_parameters(default_thread_count());
    Simulation sim{params};
    HeavyRun() {
        sim.new_model();
        sim.change_parameters(bench::make_heavy);
        bench::run_to_end(sim);
    }
};

HeavyRun& heavy_run() {
    static HeavyRun run;
    return run;
}

void BM_SnapshotHeavySection(benchmark::State& state) {
    HeavyRun& run = heavy_run();
    for (auto _ : state) {
        const Simulation::ReadGuard model = run.sim.read();
        benchmark::DoNotOptimize(
            take_section_snapshot(model.params(), DisplaySettings{}, model.state()));
    }
}
BENCHMARK(BM_SnapshotHeavySection)->Unit(benchmark::kMillisecond);

// The same into a snapshot kept from the last picture, every slot taken
// again (as after fault movement or compaction): no new memory.
void BM_SnapshotHeavySectionKept(benchmark::State& state) {
    HeavyRun& run = heavy_run();
    SectionSnapshot snapshot;
    for (auto _ : state) {
        const Simulation::ReadGuard model = run.sim.read();
        snapshot.model_version = 0;
        update_section_snapshot(snapshot, model.params(), DisplaySettings{}, model.state());
        benchmark::DoNotOptimize(snapshot.z.data());
    }
}
BENCHMARK(BM_SnapshotHeavySectionKept)->Unit(benchmark::kMillisecond);

SectionSnapshot heavy_snapshot(const DisplaySettings& display) {
    const Simulation::ReadGuard model = heavy_run().sim.read();
    return take_section_snapshot(model.params(), display, model.state());
}

void BM_RenderHeavySection(benchmark::State& state) {
    DisplaySettings display;
    if (state.range(0) == 1) {
        display.draw_depthdepo = 0;
        display.draw_porosity = 1;
    }
    SectionSnapshot snapshot = heavy_snapshot(display);
    snapshot.display.draw_bath = 1;
    QImage image(1800, 900, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        render_section(painter, snapshot, NavigationState{}, image.size());
    }
    state.counters["horizons"] = snapshot.count;
}
BENCHMARK(BM_RenderHeavySection)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("porosity")
    ->Unit(benchmark::kMillisecond);

// A figure of the heavy run painted into an 1800 x 900 image by `paint`.
template <typename Paint>
void paint_heavy(benchmark::State& state, Paint paint) {
    const SectionSnapshot snapshot = heavy_snapshot(DisplaySettings{});
    QImage image(1800, 900, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&image);
        paint(painter, snapshot, image.size());
    }
    state.counters["horizons"] = snapshot.count;
}

// A figure of the heavy run written as SVG of 1800 x 900 by `encode`; its
// size in bytes as a counter.
template <typename Encode>
void encode_heavy_svg(benchmark::State& state, Encode encode) {
    const SectionSnapshot snapshot = heavy_snapshot(DisplaySettings{});
    FigureRequest request;
    request.size = QSize(1800, 900);
    std::size_t bytes = 0;
    for (auto _ : state) {
        bytes = std::size_t(encode(snapshot, FigureFormat::Svg, request).size());
    }
    state.counters["svg_bytes"] = double(bytes);
}

void BM_ReportHeavySection(benchmark::State& state) {
    paint_heavy(state, [](QPainter& painter, const SectionSnapshot& snapshot, QSize size) {
        render_report_figure(painter, snapshot, size);
    });
}
BENCHMARK(BM_ReportHeavySection)->Unit(benchmark::kMillisecond);

// Every mark a figure draws on request: the shoreline trajectory, the final
// sea level, two wells and the age of every 50th time-line.
FigureMarks all_marks() {
    FigureMarks marks;
    marks.trajectory = true;
    marks.sea_level = true;
    marks.wells = {500, 1500};
    marks.ages_every = 50;
    return marks;
}

void BM_ReportHeavySectionMarked(benchmark::State& state) {
    paint_heavy(state, [](QPainter& painter, const SectionSnapshot& snapshot, QSize size) {
        ReportOptions options;
        options.marks = all_marks();
        render_report_figure(painter, snapshot, size, options);
    });
}
BENCHMARK(BM_ReportHeavySectionMarked)->Unit(benchmark::kMillisecond);

void BM_ReportHeavySectionSvg(benchmark::State& state) {
    encode_heavy_svg(state, [](const SectionSnapshot& snapshot, FigureFormat format,
                               const FigureRequest& request) {
        return encode_figure(snapshot, format, request);
    });
}
BENCHMARK(BM_ReportHeavySectionSvg)->Unit(benchmark::kMillisecond);

// The Wheeler diagram of the heavy run (500 horizons x 2000 columns):
// painted into an image as the window does (cells rasterised row by row),
// and written as SVG (merged rectangles).
void BM_WheelerHeavy(benchmark::State& state) {
    paint_heavy(state, [](QPainter& painter, const SectionSnapshot& snapshot, QSize size) {
        render_wheeler_diagram(painter, snapshot, size);
    });
}
BENCHMARK(BM_WheelerHeavy)->Unit(benchmark::kMillisecond);

void BM_WheelerHeavyMarked(benchmark::State& state) {
    paint_heavy(state, [](QPainter& painter, const SectionSnapshot& snapshot, QSize size) {
        render_wheeler_diagram(painter, snapshot, size, SectionStyle::Section, all_marks());
    });
}
BENCHMARK(BM_WheelerHeavyMarked)->Unit(benchmark::kMillisecond);

void BM_WheelerHeavySvg(benchmark::State& state) {
    encode_heavy_svg(state, [](const SectionSnapshot& snapshot, FigureFormat format,
                               const FigureRequest& request) {
        return encode_wheeler_diagram(snapshot, format, request);
    });
}
BENCHMARK(BM_WheelerHeavySvg)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
