#pragma once
// The window's picture at the screen's own resolution. A window of a given
// size in logical pixels covers size x device pixel ratio pixels of the
// screen; the picture is drawn at that size, with the ratio as the display
// scale of pens, offsets and text, and marked with the ratio, so that it
// reaches the screen pixel for pixel instead of being resampled.

#include <QImage>
#include <QSize>

#include "view/navigation.h"
#include "view/section_snapshot.h"

namespace vendrel {

// What the window shows: the section picture, or the report figure.
enum class SectionStyle { Section, Report };

// The screen pixels that cover a client area of `logical` size at
// `device_pixel_ratio` (1 where the ratio is not positive): the size of the
// section picture, and of the client area the mapping spans.
QSize section_picture_size(QSize logical, double device_pixel_ratio);

// The picture for a client area of `logical` size on a screen of
// `device_pixel_ratio` (1 where the ratio is not positive). The section
// style draws with navigation.dpi_scale set to the ratio.
QImage section_picture(const SectionSnapshot& snapshot, const NavigationState& navigation,
                       QSize logical, double device_pixel_ratio,
                       SectionStyle style = SectionStyle::Section);

// The Wheeler diagram for a client area of `logical` size, drawn the same
// way: at the screen's own resolution and marked with the ratio.
QImage wheeler_picture(const SectionSnapshot& snapshot, QSize logical, double device_pixel_ratio,
                       SectionStyle style = SectionStyle::Section);

}  // namespace vendrel
