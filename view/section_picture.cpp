#include "view/section_picture.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

#include "view/report_figure.h"
#include "view/section_renderer.h"
#include "view/wheeler_diagram.h"

namespace vendrel {

namespace {

// Where the logical size does not cover whole screen pixels, the last
// column and row are covered in part only: white below them rather than
// whatever the memory held.
void clear_part_covered(QImage& picture, QSize logical, double ratio) {
    if (picture.width() != logical.width() * ratio ||
        picture.height() != logical.height() * ratio) {
        picture.fill(Qt::white);
    }
}

}  // namespace

QSize section_picture_size(QSize logical, double device_pixel_ratio) {
    const double ratio = device_pixel_ratio > 0 ? device_pixel_ratio : 1.0;
    // Whole screen pixels covering the client area (a small tolerance keeps
    // products such as 10 x 1.1 from rounding up a pixel).
    auto cover = [ratio](int n) { return int(std::ceil(std::max(n, 0) * ratio - 1e-6)); };
    return QSize(cover(logical.width()), cover(logical.height()));
}

QImage section_picture(const SectionSnapshot& snapshot, const NavigationState& navigation,
                       QSize logical, double device_pixel_ratio, SectionStyle style) {
    const double ratio = device_pixel_ratio > 0 ? device_pixel_ratio : 1.0;
    const QSize device = section_picture_size(logical, ratio);
    QImage picture(device, QImage::Format_RGB32);
    if (picture.isNull()) {
        return picture;
    }
    {
        QPainter painter(&picture);
        if (style == SectionStyle::Report) {
            clear_part_covered(picture, logical, ratio);
            painter.scale(ratio, ratio);
            ReportOptions options;
            options.device_scale = ratio;
            render_report_figure(painter, snapshot, logical, options);
        } else {
            NavigationState screen = navigation;
            screen.dpi_scale = ratio;
            render_section(painter, snapshot, screen, device);
        }
    }
    picture.setDevicePixelRatio(ratio);
    return picture;
}

QImage wheeler_picture(const SectionSnapshot& snapshot, QSize logical, double device_pixel_ratio,
                       SectionStyle style) {
    const double ratio = device_pixel_ratio > 0 ? device_pixel_ratio : 1.0;
    QImage picture(section_picture_size(logical, ratio), QImage::Format_RGB32);
    if (picture.isNull()) {
        return picture;
    }
    clear_part_covered(picture, logical, ratio);
    {
        QPainter painter(&picture);
        painter.scale(ratio, ratio);
        render_wheeler_diagram(painter, snapshot, logical, style);
    }
    picture.setDevicePixelRatio(ratio);
    return picture;
}

}  // namespace vendrel
