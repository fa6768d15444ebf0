#pragma once
// Every user-settable parameter of the model (how it is drawn is
// DisplaySettings).
//
// Conventions: x runs from 0 at the left edge to max_x; the vertical
// coordinate is measured downward (0 at the top, max_y at the base), so a
// smaller value is higher and water depth is surface minus sea level.
// Lengths in metres, times in years, rates in metres per thousand years,
// porosity as a fraction, angles in degrees. Flags are int32 holding 0 or 1.

#include <array>
#include <cstdint>
#include <memory>

namespace vendrel {

class SeaLevelCurve;

// Degrees per radian, used in both directions instead of 180/pi.
inline constexpr double kDegreesPerRadian = 57.296;

struct ModelParameters {
    // Model dimensions and initial geometry.
    double max_x = 2000.0;
    double max_y = 500.0;
    double ramp_dip = 0.0;  // derived at start
    std::int32_t ramp_geometry = 1;
    std::int32_t isolated_platform = 0;
    std::array<double, 10> control_x{0, 100, 255, 600, 1000, 1200, 1300, 1800, 1900, 2000};
    std::array<double, 10> control_y{430, 430, 250, 200, 300, 350, 350, 420, 420, 420};
    std::int32_t reset_geometry = 1;

    // Run length and recording.
    double totaltime = 200000.0;
    double display_inc = 2000.0;

    // Sea level.
    double baselevel = 250.0;
    double baselevel_rise = 0.0;
    double amp_1 = 50.0;
    double wave_1 = 100000.0;
    double amp_2 = 20.0;
    double wave_2 = 41000.0;
    double amp_3 = 10.0;
    double wave_3 = 23000.0;
    // A measured curve that takes the sinusoids' place while set (their
    // values stay stored); shared, never changed (core/sea_level_curve.h).
    std::shared_ptr<const SeaLevelCurve> sea_level_curve;

    // Carbonate factory: production rate against water depth.
    std::array<double, 8> depths{0, 5, 10, 15, 20, 30, 40, 50};
    std::array<double, 8> rates{0, 10, 6, 3, 1, 1, 0.5, 0.2};

    // Transport, basinal sedimentation, compaction.
    double diff_coeff = 0.25;
    double basin_threshold = 100.0;
    double basin_sed_rate = 0.0;
    std::int32_t includecompact = 0;
    double phizero = 0.45;
    double cvalue = 0.0005;

    // Tectonics.
    double fault1 = 0.0;  // derived at start
    double fault2 = 0.0;  // derived at start
    double slip1 = 0.0;
    double slip2 = 0.0;
    std::int32_t antithetic1 = 0;
    std::int32_t antithetic2 = 0;

    // Threads a run computes with, 0 for the default (core/thread_count.h).
    std::int32_t omp_threads = 0;  // derived at start
};

// The starting sea level before any reset (also the initial current sea level).
inline constexpr double kInitialSeaLevel = 250.0;

// The parameter set as the program has it at start: compiled-in defaults,
// then the fields derived from them (fault positions, base level, thread
// count half the default count, ramp dip).
ModelParameters make_startup_parameters(int default_threads);

// What constructing a document sets: the default production curve and the
// default control points, the last one at the current max_x.
void set_document_defaults(ModelParameters& p);

}  // namespace vendrel
