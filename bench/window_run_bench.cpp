// A 500-horizon run as the window makes it against the same run without a
// window. The window path is the program's own: a Document whose engine
// publishes to the event loop, and a SectionView of 1800 x 900 on the
// offscreen platform repainting on modelChanged as the main window has it
// (copy of the model under the read guard, picture, one paint per
// repaint). A window run ends with the first paint that begins after the
// run has ended: the last state drawn. Two loads: the default run and the
// heavy run (compaction and both faults), each with a horizon every 400
// years. Run with --benchmark_repetitions=5; the ratio of the medians
// (window / headless) is printed at the end.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "app/document.h"
#include "app/qt_window_services.h"
#include "app/recent_files.h"
#include "app/section_view.h"
#include "bench/heavy_run.h"
#include "core/simulation.h"
#include "core/thread_count.h"

namespace {

using namespace vendrel;

enum class Load { Default, Heavy };

void configure(ModelParameters& p, Load load) {
    if (load == Load::Heavy) {
        bench::make_heavy(p);
    }
    p.display_inc = 400;
}

// Counts its paints and notes whether one began after the run had ended.
class CountingView : public SectionView {
  public:
    CountingView(Document& document, NavigationState& navigation)
        : SectionView(document, navigation), simulation_(document.simulation()) {}
    int paints = 0;
    bool finalPainted = false;

  protected:
    void paintEvent(QPaintEvent* event) override {
        const bool ended = !simulation_.is_running();
        SectionView::paintEvent(event);
        ++paints;
        finalPainted = finalPainted || ended;
    }

  private:
    Simulation& simulation_;
};

void BM_HeadlessRun(benchmark::State& state, Load load) {
    Simulation sim(make_startup_parameters(default_thread_count()));
    sim.new_model();
    sim.change_parameters([&](ModelParameters& p) { configure(p, load); });
    for (auto _ : state) {
        bench::run_to_end(sim);
    }
    state.counters["horizons"] = sim.published_count();
}

void BM_WindowRun(benchmark::State& state, Load load) {
    QtWindowServices services;
    RecentFiles recent;
    Document document(make_startup_parameters(default_thread_count()), services, recent);
    document.newFile();
    document.simulation().change_parameters([&](ModelParameters& p) { configure(p, load); });
    NavigationState navigation;
    CountingView view(document, navigation);
    QObject::connect(&document, &Document::modelChanged, &view, qOverload<>(&QWidget::update));
    view.resize(1800, 900);
    view.show();
    QApplication::processEvents();
    int paints = 0;
    for (auto _ : state) {
        view.paints = 0;
        view.finalPainted = false;
        document.simulation().start_run();
        view.update();
        while (!view.finalPainted) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        paints = view.paints;
    }
    state.counters["horizons"] = document.simulation().published_count();
    state.counters["paints"] = paints;
}

#define RUN_BENCHMARK(name, function, load) \
    BENCHMARK_CAPTURE(function, name, load) \
        ->Unit(benchmark::kMillisecond)     \
        ->Iterations(1)                     \
        ->UseRealTime()

RUN_BENCHMARK(default_run, BM_HeadlessRun, Load::Default);
RUN_BENCHMARK(default_run, BM_WindowRun, Load::Default);
RUN_BENCHMARK(heavy_run, BM_HeadlessRun, Load::Heavy);
RUN_BENCHMARK(heavy_run, BM_WindowRun, Load::Heavy);

// The console report, and the medians kept for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.aggregate_name == "median" || run.repetitions <= 1) {
                medians[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> medians;
};

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir home;
    setenv("XDG_RUNTIME_DIR", home.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, home.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path());
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* load : {"default_run", "heavy_run"}) {
        const auto window = reporter.medians.find(std::string("BM_WindowRun/") + load);
        const auto headless = reporter.medians.find(std::string("BM_HeadlessRun/") + load);
        if (window != reporter.medians.end() && headless != reporter.medians.end() &&
            headless->second > 0) {
            std::printf("%s: window / headless = %.2f\n", load, window->second / headless->second);
        }
    }
    benchmark::Shutdown();
    return 0;
}
