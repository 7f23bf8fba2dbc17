#include "app/StatusGauges.h"

#include <QPainter>
#include <algorithm>

#include "app/SkyPlot.h"

namespace zort {

SnrChart::SnrChart(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void SnrChart::SetSatellites(std::vector<SatelliteView> list) {
    satellites = std::move(list);
    update();
}

double SnrChart::BarShare(int snr) {
    if (snr <= 0) return 0.0;
    return std::min(snr, kFullScaleSnr) / static_cast<double>(kFullScaleSnr);
}

void SnrChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(font());
    const double labelHeight = metrics.height();
    const QRectF plot(2, labelHeight + 2, width() - 4, height() - 2 * labelHeight - 6);
    p.setPen(QColor(0xB8, 0xBC, 0xC2));
    p.drawLine(plot.bottomLeft(), plot.bottomRight());
    if (satellites.empty()) {
        p.setPen(QColor(0x77, 0x7D, 0x85));
        p.drawText(rect(), Qt::AlignCenter, QStringLiteral("Спутники не видны"));
        return;
    }
    const double slot = plot.width() / static_cast<double>(satellites.size());
    const double barWidth = std::clamp(slot * 0.7, 3.0, 22.0);
    for (size_t i = 0; i < satellites.size(); ++i) {
        const SatelliteView& s = satellites[i];
        const double x = plot.left() + slot * (static_cast<double>(i) + 0.5);
        const double h = plot.height() * BarShare(s.snr);
        const QColor colour = SystemColour(s.system);
        p.setPen(QPen(colour.darker(120), 1.0));
        p.setBrush(s.used ? colour : colour.lighter(175));
        p.drawRect(QRectF(x - barWidth / 2, plot.bottom() - h, barWidth, h));
        p.setPen(QColor(0x33, 0x38, 0x3F));
        if (s.snr > 0) {
            p.drawText(QRectF(x - slot / 2, plot.bottom() - h - labelHeight - 1, slot, labelHeight),
                       Qt::AlignCenter, QString::number(s.snr));
        }
        p.drawText(QRectF(x - slot / 2, plot.bottom() + 2, slot, labelHeight), Qt::AlignCenter,
                   QString::number(s.prn));
    }
}

SignalBars::SignalBars(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFixedSize(sizeHint());
}

void SignalBars::SetBars(std::optional<int> value) {
    bars = value;
    update();
}

void SignalBars::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const double step = width() / 5.0;
    for (int i = 0; i < 5; ++i) {
        const double h = height() * (i + 1) / 5.0;
        const bool lit = bars && i < *bars;
        p.setPen(Qt::NoPen);
        p.setBrush(lit ? QColor(0x2E, 0x9E, 0x4F) : QColor(0xD5, 0xD8, 0xDC));
        p.drawRect(QRectF(i * step + 1, height() - h, step - 2, h));
    }
    if (!bars) {
        p.setPen(QPen(QColor(0xD9, 0x3A, 0x2B), 2.0));
        p.drawLine(QPointF(2, 2), QPointF(width() - 2, height() - 2));
    }
}

}  // namespace zort
