#pragma once
// "Состояние трекера": is it working where it is mounted? The sky plot and the
// satellites' signal bars from the receiver's stream, the fix in large text, and the
// modem's view of the network and the SIM card. While the window is open it watches the
// tracker (and holds its port); opening it switches on what of the receiver and the
// modem is off, closing it switches that off again.

#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>

#include "app/PostedCalls.h"
#include "status/TrackerStatus.h"
#include "worker/WorkerSink.h"

class QLabel;
class QPushButton;

namespace zort {

class DeviceContext;
class SignalBars;
class SkyPlot;
class SnrChart;
class StatusThread;

class StatusWindow : public QDialog {
    Q_OBJECT
  public:
    StatusWindow(DeviceContext& context, QWidget* parent = nullptr);
    ~StatusWindow() override;

    // Starts watching the tracker on the context's port, unless it is watched already.
    void Begin();
    // Stops watching: the worker switches off what it switched on and ends by itself.
    void End();
    // A watch runs (it has not ended by itself, the tracker gone).
    bool Watching() const;

    // Shows one moment of the tracker's status.
    void Show(const TrackerStatus& status);

    // The channel was taken or given back: the main window's busy line follows.
    std::function<void()> leaseChanged;

    SkyPlot* sky = nullptr;
    SnrChart* snr = nullptr;
    QLabel* fixLine = nullptr;     // "3D · 12 из 19 спутников", large
    QLabel* detailLine = nullptr;  // coordinates, HDOP, speed, UTC
    QLabel* legend = nullptr;
    SignalBars* signalBars = nullptr;
    QLabel* signalLine = nullptr;
    QLabel* networkLine = nullptr;
    QLabel* simLine = nullptr;
    QLabel* balanceLine = nullptr;
    QPushButton* balanceButton = nullptr;
    QLabel* stateLine = nullptr;  // what the watching does: modules switched, port busy
    QPushButton* closeButton = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void done(int result) override;

  private:
    // The worker's reports, handed to the main thread without holding the worker up.
    class Sink : public WorkerSink {
      public:
        explicit Sink(StatusWindow& window) : window(window) {}
        void ShowProgress(const std::string&) override {}
        void SetProgress(int, int) override {}
        void HideProgress() override {}
        void ShowMessage(int statusKind, const std::string& message, const std::string& detail) override;
        void LogLine(const std::string& line) override;
        void WorkerEnded() override;

      private:
        StatusWindow& window;
    };

    void Refresh();
    void ShowGnss(const GnssStatus& gnss);
    void ShowGsm(const TrackerStatus& status);

    DeviceContext& context;
    PostedCalls posted;
    Sink sink{*this};
    std::unique_ptr<StatusThread> worker;
    QTimer refresh;
};

}  // namespace zort
