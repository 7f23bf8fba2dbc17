#pragma once
// The sky as the receiver sees it: a polar plot with the zenith in the middle and the
// horizon at the rim, north up and east to the right (as a map, not as the sky seen
// from below). Each satellite is a disc at its elevation and azimuth in its system's
// colour, filled when it is used in the fix, a ring when it is only in view.

#include <QColor>
#include <QPointF>
#include <QWidget>
#include <vector>

#include "status/GnssStatus.h"

namespace zort {

// A system's colour in the plot, the bars and the legend.
QColor SystemColour(GnssSystem system);

class SkyPlot : public QWidget {
    Q_OBJECT
  public:
    explicit SkyPlot(QWidget* parent = nullptr);

    void SetSatellites(std::vector<SatelliteView> satellites);
    const std::vector<SatelliteView>& Satellites() const { return satellites; }

    // Where a satellite is drawn in a plot of `radius` around `centre`; satellites
    // without a position are not drawn.
    static QPointF Position(const SatelliteView& satellite, QPointF centre, double radius);

    QSize sizeHint() const override { return {260, 260}; }
    QSize minimumSizeHint() const override { return {180, 180}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return width; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<SatelliteView> satellites;
};

}  // namespace zort
