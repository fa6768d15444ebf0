#pragma once
// A measured sea-level curve: eustatic level E(t) in metres, positive up,
// at increasing times t in years from the run's start, linear in time
// between points and held at its end values outside them. A run with a
// curve advances its level by -(E(t) - E(t - dt)) in place of the
// sinusoids' changes, keeping the trend, so it starts at baselevel.
//
// A curve never changes once made: parameter sets share it.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace vendrel {

struct ModelParameters;

struct SeaLevelPoint {
    double time = 0.0;   // years from the run's start
    double level = 0.0;  // metres, positive up
};

class SeaLevelCurve {
  public:
    static constexpr std::size_t kMaxPoints = 1'000'000;

    // Throws std::invalid_argument unless the points are acceptable (see
    // sea_level_point_problem) and number 2 to kMaxPoints.
    SeaLevelCurve(std::string name, std::vector<SeaLevelPoint> points);

    // The name the curve was loaded under (a file name, for people).
    const std::string& name() const { return name_; }
    const std::vector<SeaLevelPoint>& points() const { return points_; }
    double start_time() const { return points_.front().time; }
    double end_time() const { return points_.back().time; }

    // E(t): the point's own level at a point's time, linear between points.
    double level_at(double t) const;
    // The same from a remembered interval, for times that mostly increase:
    // `index` is the point the previous call found and is updated.
    double level_at(double t, std::size_t& index) const;

    // Whether the curve spans the run's times 0 to totaltime.
    bool covers(double totaltime) const;

    bool operator==(const SeaLevelCurve& other) const;

  private:
    std::string name_;
    std::vector<SeaLevelPoint> points_;
};

// Why `next` cannot follow `previous` (null for the first point) in a
// curve, or an empty text: a number that is not finite, or a time that
// repeats or goes back.
std::string sea_level_point_problem(const SeaLevelPoint* previous, const SeaLevelPoint& next);

// Whether two parameter sets' curves are the same (both absent, or equal).
bool same_sea_level_curve(const std::shared_ptr<const SeaLevelCurve>& a,
                          const std::shared_ptr<const SeaLevelCurve>& b);

// Why a run with these parameters cannot start on account of its curve
// (one that does not span 0 to totaltime), or an empty text.
std::string sea_level_curve_refusal(const ModelParameters& p);

}  // namespace vendrel
