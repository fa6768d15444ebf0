// libFuzzer target for the reader of designed samples' descriptions: any
// input either reads or is refused with UsageError, and what reads holds
// 1 to kMaxDesignSamples samples and at least one free parameter, each a
// finite range low < high (above 0 on a log scale) or a list of finite
// values, whose small designs sample inside the unit cube.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/run_options.h"
#include "sweep/design_description.h"
#include "sweep/design_sampling.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    vendrel::DesignDescription d;
    try {
        d = vendrel::parse_design_description(text, "fuzz.toml",
                                              vendrel::DesignExtras{{"fit"}, {"method"}});
    } catch (const vendrel::UsageError&) {
        return 0;
    }
    if (d.samples < 1 || d.samples > vendrel::kMaxDesignSamples || d.free.empty()) {
        std::abort();
    }
    for (const vendrel::FreeParameter& f : d.free) {
        for (const double v : f.values) {
            if (!std::isfinite(v)) {
                std::abort();
            }
        }
        if (!f.is_list() && (!std::isfinite(f.low) || !std::isfinite(f.high) || !(f.low < f.high) ||
                             (f.log && !(f.low > 0)))) {
            std::abort();
        }
    }
    if (d.samples <= 64 && d.free.size() <= 16) {
        const vendrel::DesignPoints points = vendrel::sample_design(d, vendrel::DesignMethod::Lhs);
        for (const auto& row : points.unit) {
            for (std::size_t i = 0; i < row.size(); ++i) {
                const double v = vendrel::design_value(d.free[i], row[i]);
                if (!(row[i] >= 0 && row[i] < 1) || !std::isfinite(v)) {
                    std::abort();
                }
            }
        }
    }
    return 0;
}
