// libFuzzer target for the well observations reader: any input either reads
// or is refused with FileError, and what reads is at least one datum of a
// known quantity with finite values, a sigma above 0, ages of at least 0
// (a thickness's older first) and the line it came from.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "document/well_observations.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<vendrel::Observation> observations;
    try {
        observations = vendrel::parse_well_observations(text, "fuzz.csv");
    } catch (const vendrel::FileError&) {
        return 0;
    }
    if (observations.empty() || observations.size() > vendrel::kMaxObservations) {
        std::abort();
    }
    int line = 0;
    for (const vendrel::Observation& o : observations) {
        const bool shoreline = o.quantity == vendrel::ObservedQuantity::ShorelineX;
        if (!(o.sigma > 0) || !std::isfinite(o.sigma) || !std::isfinite(o.value) ||
            !(o.age_to_kyr >= 0) || !(o.age_kyr >= o.age_to_kyr) || !std::isfinite(o.age_kyr) ||
            (!shoreline && !std::isfinite(o.well_x)) || o.line <= line) {
            std::abort();
        }
        line = o.line;
    }
    try {
        vendrel::check_observations_fit_run(observations, "fuzz.csv", 20000, 700, 2000);
    } catch (const vendrel::FileError&) {
    }
    return 0;
}
