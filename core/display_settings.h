#pragma once
// How the section is drawn: the colour mode flags and their class
// thresholds, the overlays that are shown and how often the view redraws
// while a run goes on. Stored in the project file beside the model
// parameters, changed on the window's thread and read by the renderer; the
// engine never sees it.

#include <cstdint>

namespace vendrel {

struct DisplaySettings {
    // While a run is in progress the view draws only every every_step-th
    // published horizon.
    std::int32_t every_step = 1;

    // Overlays.
    std::int32_t draw_bl = 1;    // the sea-level line
    std::int32_t draw_bath = 0;  // the bathymetric marker
    double bath_marker = 20.0;   // water depth of the marker, m

    // Class thresholds T1..T4 of the three colour modes.
    double depth1 = 5.0, depth2 = 15.0, depth3 = 35.0, depth4 = 125.0;  // m
    double dist1 = 5.0, dist2 = 45.0, dist3 = 85.0, dist4 = 165.0;      // m
    double poro1 = 0.1, poro2 = 0.2, poro3 = 0.3, poro4 = 0.4;          // fraction

    // The colour mode flags, kept exactly as loaded or toggled (a file may
    // hold 2, or two flags set at once); colour_mode() says what is drawn.
    std::int32_t draw_simple = 0;
    std::int32_t draw_depthdepo = 1;
    std::int32_t draw_distance = 0;
    std::int32_t draw_porosity = 0;
};

enum class ColourMode { Depth, Distance, Porosity, TimeLines };

// The first mode flag that is 1 decides: depth, then distance, then
// porosity; none set means time-lines only.
ColourMode colour_mode(const DisplaySettings& d);

}  // namespace vendrel
