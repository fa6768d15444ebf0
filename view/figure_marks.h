#pragma once
// Marks a report figure or a Wheeler diagram draws only when asked: the
// shoreline trajectory (document/shoreline_trajectory.h) with each step in
// the colour of its class, the final sea level as a line, pseudo-well
// positions as labelled ticks, and the age of every n-th time-line.

#include <QColor>
#include <QPointF>
#include <functional>
#include <vector>

#include "document/shoreline_trajectory.h"
#include "view/section_snapshot.h"

class QPainter;

namespace vendrel {

struct FigureMarks {
    bool trajectory = false;    // the shoreline of every horizon, joined step by step
    bool sea_level = false;     // the final sea level across the section
    std::vector<double> wells;  // x (m) of labelled ticks
    int ages_every = 0;         // the age of every n-th horizon beside its time-line; 0: none

    bool any() const { return trajectory || sea_level || !wells.empty() || ages_every > 0; }
};

// The shoreline of horizons 1..count of a snapshot, as the data exports
// give it.
std::vector<ShorelinePoint> snapshot_shoreline_trajectory(const SectionSnapshot& snapshot);

// The colour of a step of the trajectory: forced regressive red, normal
// regressive orange, transgressive blue, aggradational green.
QColor trajectory_class_colour(TrajectoryClass c);

// The legend of the trajectory's classes: one short line and swatch per
// class from `top_left` downward, `row` pixels apart.
void draw_trajectory_legend(QPainter& painter, QPointF top_left, double row, const QColor& ink);

// The trajectory from the point of each horizon that has a shoreline to the
// next: a segment in the colour of the step's class and a dot at each
// shoreline at least 6 pixels from the last dot drawn. `at(point, h)` gives a shoreline's place in
// figure pixels.
void draw_trajectory(QPainter& painter, const std::vector<ShorelinePoint>& shore,
                     const std::function<QPointF(const ShorelinePoint&, int)>& at);

// A well tick of `length` pixels down from `top` at x, labelled with the
// well's position in metres beside it.
void draw_well_tick(QPainter& painter, double x, double top, double length, double metres,
                    const QColor& ink);

}  // namespace vendrel
