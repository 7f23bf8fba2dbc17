#pragma once
// The bars of the status window: the signal-to-noise ratio of every satellite in view,
// and the modem's signal as a phone shows it.

#include <QWidget>
#include <optional>
#include <vector>

#include "status/GnssStatus.h"

namespace zort {

// One bar per satellite, tallest at kFullScaleSnr and above, in its system's colour:
// solid when used in the fix, pale when only tracked; an untracked satellite keeps its
// place with an empty bar, so the row does not jump as satellites come and go.
class SnrChart : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kFullScaleSnr = 50;

    explicit SnrChart(QWidget* parent = nullptr);
    void SetSatellites(std::vector<SatelliteView> satellites);
    const std::vector<SatelliteView>& Satellites() const { return satellites; }
    // Height of a bar as a share of the full scale, 0 to 1.
    static double BarShare(int snr);

    QSize sizeHint() const override { return {420, 130}; }
    QSize minimumSizeHint() const override { return {200, 100}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<SatelliteView> satellites;
};

// Five rising bars, as many filled as the signal has; all grey and crossed out when the
// signal is not known.
class SignalBars : public QWidget {
    Q_OBJECT
  public:
    explicit SignalBars(QWidget* parent = nullptr);
    void SetBars(std::optional<int> bars);
    std::optional<int> Bars() const { return bars; }

    QSize sizeHint() const override { return {44, 30}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::optional<int> bars;
};

}  // namespace zort
