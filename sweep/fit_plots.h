#pragma once
// The pictures of a fit, each saved as PNG and SVG (plot_files.h; they
// need a QGuiApplication):
//
//   pair plot    one row and one column per free parameter, each axis
//                spanning the prior's range (a log prior on a log axis);
//                on the diagonal the weighted histogram of the particles
//                (20 bins) with the maximum-posterior run as a red line,
//                below it the particles of each pair with that run as a red
//                cross; the bottom row and the left column titled with
//                the parameters
//   predictive   one panel per well and quantity: the observations with
//                error bars of one sigma against the envelope (least to
//                greatest) of the posterior particles' runs, shaded, and
//                the maximum-posterior run as a line; age (kyr before the
//                newest horizon) across, increasing to the left as a well
//                log reads upward in time

#include <QString>
#include <string>
#include <vector>

#include "sweep/design_description.h"

namespace vendrel {

struct PairPlotData {
    std::vector<FreeParameter> parameters;
    std::vector<std::vector<double>> unit;  // [particle][parameter]
    std::vector<double> weights;
    std::vector<double> best;  // the maximum-posterior point, or empty
};

void save_pair_plot(const PairPlotData& data, const std::string& png, const std::string& svg);

struct PredictivePanel {
    QString title;
    QString value_label;  // "elevation (m)"
    QString age_label = "age before the newest horizon (kyr)";
    std::vector<double> obs_age, obs_value, obs_sigma;
    std::vector<double> age;              // where the runs are shown
    std::vector<double> low, high, best;  // per age; NaN where unknown
};

void save_predictive_plot(const std::vector<PredictivePanel>& panels, const std::string& png,
                          const std::string& svg);

}  // namespace vendrel
