// libFuzzer target for the sea-level curve reader: any input either reads
// or is refused with FileError, and what reads is a curve of 2 to 1,000,000
// finite points at increasing times, each value already in its stored form.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "document/sea_level_csv.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::shared_ptr<const vendrel::SeaLevelCurve> curve;
    try {
        curve = vendrel::parse_sea_level_csv(text, "fuzz.csv", 200000.0);
    } catch (const vendrel::FileError&) {
        return 0;
    }
    const auto& points = curve->points();
    if (points.size() < 2 || points.size() > vendrel::SeaLevelCurve::kMaxPoints) {
        std::abort();
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        const vendrel::SeaLevelPoint& p = points[i];
        if (!std::isfinite(p.time) || !std::isfinite(p.level) ||
            (i > 0 && !(p.time > points[i - 1].time)) || vendrel::stored_form(p.time) != p.time ||
            vendrel::stored_form(p.level) != p.level) {
            std::abort();
        }
    }
    return 0;
}
