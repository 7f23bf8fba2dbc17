#include "app/SkyPlot.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace zort {

QColor SystemColour(GnssSystem system) {
    switch (system) {
        case GnssSystem::kGps:
            return {0x1E, 0x6F, 0xD9};
        case GnssSystem::kGlonass:
            return {0xD9, 0x3A, 0x2B};
        case GnssSystem::kGalileo:
            return {0x2E, 0x9E, 0x4F};
        case GnssSystem::kBeidou:
            return {0xE0, 0x8A, 0x00};
    }
    return Qt::gray;
}

SkyPlot::SkyPlot(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SkyPlot::SetSatellites(std::vector<SatelliteView> list) {
    satellites = std::move(list);
    update();
}

QPointF SkyPlot::Position(const SatelliteView& s, QPointF centre, double radius) {
    // Distance from the centre grows evenly as the satellite sinks: 90° at the centre,
    // 0° on the rim.
    const double r = radius * (90.0 - std::clamp(s.elevation, 0, 90)) / 90.0;
    const double a = s.azimuth * M_PI / 180.0;
    return {centre.x() + r * std::sin(a), centre.y() - r * std::cos(a)};
}

void SkyPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height());
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double label = 14;
    const double radius = side / 2.0 - label - 4;
    if (radius <= 10) return;

    p.setPen(QPen(QColor(0xB8, 0xBC, 0xC2), 1.0));
    p.setBrush(QColor(0xF7, 0xF9, 0xFB));
    p.drawEllipse(centre, radius, radius);
    p.setBrush(Qt::NoBrush);
    for (const double elevation : {30.0, 60.0}) {
        const double r = radius * (90.0 - elevation) / 90.0;
        p.drawEllipse(centre, r, r);
    }
    p.drawLine(QPointF(centre.x() - radius, centre.y()), QPointF(centre.x() + radius, centre.y()));
    p.drawLine(QPointF(centre.x(), centre.y() - radius), QPointF(centre.x(), centre.y() + radius));

    p.setPen(QColor(0x55, 0x5B, 0x63));
    const struct {
        const char* text;
        QPointF at;
    } compass[] = {{"С", {0, -radius - label / 2 - 2}},
                   {"В", {radius + label / 2 + 2, 0}},
                   {"Ю", {0, radius + label / 2 + 2}},
                   {"З", {-radius - label / 2 - 2, 0}}};
    for (const auto& c : compass) {
        const QRectF box(centre + c.at - QPointF(label / 2, label / 2), QSizeF(label, label));
        p.drawText(box, Qt::AlignCenter, QString::fromUtf8(c.text));
    }

    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.75));
    p.setFont(small);
    const double dot = std::clamp(radius / 14.0, 6.0, 11.0);
    for (const SatelliteView& s : satellites) {
        if (s.elevation < 0 || s.azimuth < 0) continue;
        const QPointF at = Position(s, centre, radius);
        const QColor colour = SystemColour(s.system);
        p.setPen(QPen(colour.darker(130), 1.4));
        // Used in the fix: filled. In view only: a ring, faint when not even tracked.
        p.setBrush(s.used ? colour : (s.snr >= 0 ? colour.lighter(185) : QColor(Qt::white)));
        p.drawEllipse(at, dot, dot);
        p.setPen(s.used ? Qt::white : colour.darker(150));
        p.drawText(QRectF(at.x() - dot * 1.5, at.y() - dot, dot * 3, dot * 2), Qt::AlignCenter,
                   QString::number(s.prn));
    }
}

}  // namespace zort
