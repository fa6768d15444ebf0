#pragma once
// The sensitivity of a finished design's results to its free parameters:
// per metric of the runner (cli/run_metrics.h) and free parameter, the
// Sobol' indices of a Saltelli design or the Morris measures of a Morris
// design (sensitivity_estimators.h), from the runs' rows of summary.csv
// (sweep_summary.h). The design's points are made again from the kept
// design, so each run's place in the scheme is known from its id.
//
// DIR/sensitivity.csv:
//   Saltelli: metric,parameter,first,first_low,first_high,total,total_low,total_high
//   Morris:   metric,parameter,mu_star,mu_star_low,mu_star_high,sigma
// A metric that does not vary, or that a run left undefined, has empty
// fields.

#include <string>
#include <vector>

#include "sweep/design_manifest.h"
#include "sweep/sensitivity_estimators.h"

namespace vendrel {

struct SensitivityEntry {
    std::string parameter;
    SobolIndices sobol;
    MorrisEffects morris;
};

struct SensitivityMetric {
    std::string name;
    std::string unit;
    bool defined = false;                   // every run gave the metric and it varies
    std::vector<SensitivityEntry> entries;  // one per free parameter
};

struct SensitivityResult {
    DesignMethod method = DesignMethod::Saltelli;
    std::vector<SensitivityMetric> metrics;
};

// Throws UsageError for a design that gives no indices (grid, lhs, sobol),
// a summary without the design's runs, or a run that is not "ok".
SensitivityResult analyse_sensitivity(const KeptDesign& design, const std::string& summary_csv,
                                      const std::string& name);

std::string sensitivity_csv(const SensitivityResult& result);

}  // namespace vendrel
