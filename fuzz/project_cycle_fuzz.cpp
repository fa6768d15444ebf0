// libFuzzer target for a project's whole cycle. The input becomes a complete
// project: every parameter the file carries, the horizon count, the sea
// levels and a few horizon and column values are taken from the bytes (each
// either kept at a plausible value or replaced by a fuzzed one), the rest is
// synthesised, so nearly every input makes a project that loads. The project
// is written and read back, opened into one model reused across inputs, drawn
// small with the window's renderer, run for at most kMaxSteps steps, drawn
// again on the screen and the print path, and saved to memory, where it must
// read back. (That a written project reads back to the same text is the
// reader target's check.)

#include <fuzzer/FuzzedDataProvider.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>

#include "core/parameter_fields.h"
#include "core/simulation.h"
#include "core/time_step.h"
#include "document/project.h"
#include "document/project_reader.h"
#include "document/project_writer.h"
#include "view/section_renderer.h"
#include "view/section_snapshot.h"

namespace {

using namespace vendrel;

constexpr int kMaxSteps = 40;
constexpr int kMaxCount = 12;
constexpr int kMaxEdits = 8;

double fuzzed_real(FuzzedDataProvider& in, double plausible) {
    constexpr double kSpecial[] = {0.0,
                                   -0.0,
                                   1.0,
                                   -1.0,
                                   1e-7,
                                   4e-7,
                                   1e300,
                                   -1e300,
                                   std::numeric_limits<double>::max(),
                                   std::numeric_limits<double>::denorm_min(),
                                   std::numeric_limits<double>::infinity(),
                                   -std::numeric_limits<double>::infinity(),
                                   std::numeric_limits<double>::quiet_NaN()};
    switch (in.ConsumeIntegralInRange(0, 4)) {
        case 1:
            return plausible * in.ConsumeFloatingPointInRange(-2.0, 2.0);
        case 2:
            return in.ConsumeFloatingPointInRange(-1000.0, 1000.0);
        case 3:
            return in.PickValueInArray(kSpecial);
        case 4:
            return in.ConsumeFloatingPoint<double>();
        default:
            return plausible;
    }
}

std::int32_t fuzzed_int(FuzzedDataProvider& in, std::int32_t plausible) {
    switch (in.ConsumeIntegralInRange(0, 2)) {
        case 1:
            return in.ConsumeBool() ? 1 : 0;
        case 2:
            return in.ConsumeIntegral<std::int32_t>();
        default:
            return plausible;
    }
}

ModelParameters document_parameters() {
    ModelParameters p = make_startup_parameters(1);
    set_document_defaults(p);
    return p;
}

ProjectData fuzzed_project(FuzzedDataProvider& in) {
    ProjectData d;
    d.params = document_parameters();
    for (const ParameterField& field : parameter_fields()) {
        if (field.section == FileSection::None) {
            continue;
        }
        visit_field(field, d.params, d.display, [&](auto& value) {
            using T = std::remove_cvref_t<decltype(value)>;
            if constexpr (std::is_same_v<T, double>) {
                value = fuzzed_real(in, value);
            } else if constexpr (std::is_same_v<T, std::int32_t>) {
                value = fuzzed_int(in, value);
            } else {
                for (double& v : value) {
                    v = fuzzed_real(in, v);
                }
            }
        });
    }
    const int N = in.ConsumeIntegralInRange(0, kMaxCount);
    d.count = N;
    d.x_values.assign(COLUMN_SLOTS, 0.0);
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        d.x_values[c] = (c - 1) * 2000.0 / (COLUMN_COUNT - 1);
    }
    d.horizons.resize(std::size_t(COLUMN_COUNT) * N);
    for (int c = 1; c <= COLUMN_COUNT; ++c) {
        for (int h = 1; h <= N; ++h) {
            const double z = 0.25 * c - 2.0 * (h - 1);
            d.horizons[std::size_t(c - 1) * N + (h - 1)] = {z, z > 250 ? z - 250 : 0, 5.0 * h,
                                                            0.45};
        }
    }
    d.sealevels.assign(std::size_t(N) + 1, 250.0);
    for (int h = 1; h <= N; ++h) {
        d.sealevels[h] = fuzzed_real(in, 250.0 - h);
    }
    for (int k = in.ConsumeIntegralInRange(0, kMaxEdits); k > 0; --k) {
        const int c = in.ConsumeIntegralInRange(1, COLUMN_COUNT);
        if (N > 0 && in.ConsumeBool()) {
            auto& values = d.horizons[std::size_t(c - 1) * N + in.ConsumeIntegralInRange(0, N - 1)];
            double& v = values[in.ConsumeIntegralInRange(0, 3)];
            v = fuzzed_real(in, v);
        } else {
            d.x_values[c] = fuzzed_real(in, d.x_values[c]);
        }
    }
    return d;
}

// A run of the loaded parameters takes at most kMaxSteps steps.
void cap_run_length(ModelParameters& p) {
    const double dt = derive_dt(derive_dx(p), p.diff_coeff);
    if (p.totaltime / dt > kMaxSteps) {
        p.totaltime = kMaxSteps * dt;
    }
}

Project& model() {
    static Project project(document_parameters());
    return project;
}

void draw(Project& project, FuzzedDataProvider& in, bool print) {
    const SectionSnapshot snapshot = take_section_snapshot(project, print);
    NavigationState navigation;
    navigation.zoom_x = in.ConsumeFloatingPointInRange(kMinZoom, kMaxZoom / 100);
    navigation.zoom_y = in.ConsumeFloatingPointInRange(kMinZoom, kMaxZoom / 100);
    navigation.pan_x = in.ConsumeIntegralInRange(-2000, 2000);
    navigation.pan_y = in.ConsumeIntegralInRange(-2000, 2000);
    if (navigation.zoom_x == kMinZoom && navigation.zoom_y == kMinZoom) {
        navigation.zoom_x = navigation.zoom_y = 1.0;  // no bytes left: the plain view
    }
    const QSize client(96, 48);
    QImage image(print ? client * 5 : client, QImage::Format_RGB32);
    QPainter painter(&image);
    RenderOptions options;
    options.print = print;
    render_section(painter, snapshot, navigation, client, options);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // The tests replay kept inputs inside their own application object.
    if (QGuiApplication::instance() == nullptr) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static QGuiApplication toolkit(*argc, *argv);
    }
    model();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string text = format_project_file(fuzzed_project(in));
    static const ProjectDefaults defaults = [] {
        ModelParameters p = document_parameters();
        auto s = std::make_unique<ModelState>(p);
        return current_project_values(p, DisplaySettings{}, *s);
    }();
    LoadedProject loaded = parse_project_file(text, "cycle.vdl", defaults);
    cap_run_length(loaded.data.params);

    Project& project = model();
    project.open(loaded);
    draw(project, in, false);
    project.simulation().start_run();
    if (!project.simulation().wait_until_idle(std::chrono::minutes(5))) {
        std::abort();  // a capped run must end
    }
    draw(project, in, false);
    draw(project, in, true);

    const ProjectData saved = project.snapshot();
    const std::string written = format_project_file(saved);
    if (parse_project_file(written, "saved.vdl", defaults).data.count != saved.count) {
        std::abort();  // what was saved must read back
    }
    return 0;
}
