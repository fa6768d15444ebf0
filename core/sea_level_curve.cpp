#include "core/sea_level_curve.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <stdexcept>

#include "core/model_parameters.h"

namespace vendrel {
namespace {

std::string kyr_text(double years) {
    // Whole thousands print without decimals, anything else with three; in
    // any locale, "." for the decimal point.
    const double kyr = years / 1000.0;
    const bool whole = kyr == std::floor(kyr) && std::fabs(kyr) < 1e15;
    char text[400];
    const auto result =
        std::to_chars(text, text + sizeof text, kyr, std::chars_format::fixed, whole ? 0 : 3);
    return std::string(text, result.ptr);
}

}  // namespace

SeaLevelCurve::SeaLevelCurve(std::string name, std::vector<SeaLevelPoint> points)
    : name_(std::move(name)), points_(std::move(points)) {
    if (points_.size() < 2 || points_.size() > kMaxPoints) {
        throw std::invalid_argument("a sea-level curve needs 2 to 1000000 points");
    }
    for (std::size_t i = 0; i < points_.size(); ++i) {
        const std::string problem =
            sea_level_point_problem(i == 0 ? nullptr : &points_[i - 1], points_[i]);
        if (!problem.empty()) {
            throw std::invalid_argument("sea-level point " + std::to_string(i + 1) + ": " +
                                        problem);
        }
    }
}

double SeaLevelCurve::level_at(double t) const {
    std::size_t index = 0;
    return level_at(t, index);
}

double SeaLevelCurve::level_at(double t, std::size_t& index) const {
    const std::size_t last = points_.size() - 1;
    if (!(t > points_.front().time)) {
        index = 0;
        return points_.front().level;
    }
    if (t >= points_[last].time) {
        index = last;
        return points_[last].level;
    }
    // Find the interval [index, index + 1) holding t: step forward from the
    // remembered one, or search when t lies far from it.
    if (index >= last || points_[index].time > t) {
        index = 0;
    }
    std::size_t steps = 0;
    while (points_[index + 1].time <= t) {
        ++index;
        if (++steps == 8) {
            const auto after =
                std::upper_bound(points_.begin() + std::ptrdiff_t(index), points_.end(), t,
                                 [](double time, const SeaLevelPoint& p) { return time < p.time; });
            index = std::size_t(after - points_.begin()) - 1;
            break;
        }
    }
    const SeaLevelPoint& a = points_[index];
    const SeaLevelPoint& b = points_[index + 1];
    return a.level + (b.level - a.level) * ((t - a.time) / (b.time - a.time));
}

bool SeaLevelCurve::covers(double totaltime) const {
    return start_time() <= 0.0 && end_time() >= totaltime;
}

bool SeaLevelCurve::operator==(const SeaLevelCurve& other) const {
    return name_ == other.name_ && points_.size() == other.points_.size() &&
           std::equal(points_.begin(), points_.end(), other.points_.begin(),
                      [](const SeaLevelPoint& a, const SeaLevelPoint& b) {
                          return a.time == b.time && a.level == b.level;
                      });
}

std::string sea_level_point_problem(const SeaLevelPoint* previous, const SeaLevelPoint& next) {
    if (!std::isfinite(next.time) || !std::isfinite(next.level)) {
        return "a number that is not finite";
    }
    if (previous != nullptr && next.time == previous->time) {
        return "a time that repeats the previous one";
    }
    if (previous != nullptr && next.time < previous->time) {
        return "a time before the previous one";
    }
    return {};
}

bool same_sea_level_curve(const std::shared_ptr<const SeaLevelCurve>& a,
                          const std::shared_ptr<const SeaLevelCurve>& b) {
    if (a == b) {
        return true;
    }
    return a && b && *a == *b;
}

std::string sea_level_curve_refusal(const ModelParameters& p) {
    const SeaLevelCurve* curve = p.sea_level_curve.get();
    if (curve == nullptr || curve->covers(p.totaltime)) {
        return {};
    }
    return "the sea-level curve " + curve->name() + " covers " + kyr_text(curve->start_time()) +
           " to " + kyr_text(curve->end_time()) + " kyr of the run, not 0 to " +
           kyr_text(p.totaltime) + " kyr (totaltime)";
}

}  // namespace vendrel
