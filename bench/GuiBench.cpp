// Desktop GUI figures on the offscreen platform: start-up to the first shown main
// window, resident memory after start-up, and the longest stall of the main thread
// (a 1 ms timer probe) during a settings read at 9600 baud and during a 64 KiB firmware
// update at full speed, both against the simulated tracker.

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/Application.h"
#include "app/LookAndFeel.h"
#include "app/TForm1.h"
#include "sim/PtyTransport.h"
#include "sim/TrackerSimulator.h"

namespace {

long ResidentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

// Runs `start`, then spins the event loop until the window's workers are done, and
// returns the longest gap between two ticks of a 1 ms timer.
double LongestStallMs(zort::TForm1& form, const std::function<void()>& start, double* seconds) {
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 worst = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, now - last);
        last = now;
    });
    clock.start();
    probe.start(1);
    start();
    QCoreApplication::processEvents();
    while (form.context.AnyRunning()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    probe.stop();
    *seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    return static_cast<double>(worst) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QElapsedTimer startup;
    startup.start();
    QApplication app(argc, argv);
    zort::ApplyLookAndFeel(app);
    const std::unique_ptr<zort::Application> windows = zort::StartApplication();
    zort::TForm1& form = *windows->form1;
    form.show();
    QCoreApplication::processEvents();
    const double startupMs = static_cast<double>(startup.nsecsElapsed()) / 1e6;
    std::printf("start-up to the shown main window: %.1f ms (from main(), offscreen)\n", startupMs);
    std::printf("resident memory after start-up: %.1f MiB\n", static_cast<double>(ResidentKiB()) / 1024.0);

    int messages = 0;
    form.showMessage = [&](int, const QString&, const QString&) { ++messages; };

    {
        zort::sim::TrackerSimulator simulator;
        zort::sim::PtyTransport transport(simulator, {.baud = 9600});
        std::string error;
        if (!transport.Start(error)) return 1;
        form.PreferPort(QString::fromStdString(transport.SlavePath()));
        double seconds = 0;
        const double stall = LongestStallMs(
            form, [&] { form.SpeedButton4Click(); }, &seconds);
        std::printf("settings read at 9600 baud: %.2f s, longest main-thread stall %.1f ms (goal <= 30 ms)\n",
                    seconds, stall);
    }
    {
        zort::sim::TrackerSimulator simulator;
        zort::sim::PtyTransport transport(simulator);
        std::string error;
        if (!transport.Start(error)) return 1;
        form.PreferPort(QString::fromStdString(transport.SlavePath()));
        const std::string path = "/tmp/zort-bench-gui-" + std::to_string(::getpid()) + ".fmw";
        {
            std::ofstream out(path, std::ios::binary);
            out << std::string(15, 'H');
            for (int i = 0; i < 64 * 1024; ++i) out.put(static_cast<char>(i * 31));
        }
        form.askOpenFile = [&](const QString&, const QString&, const QString&) {
            return QString::fromStdString(path);
        };
        double seconds = 0;
        const double stall = LongestStallMs(
            form, [&] { form.SpeedButton6Click(); }, &seconds);
        std::printf(
            "64 KiB firmware update at full speed: %.2f s, longest main-thread stall %.1f ms (goal <= 30 "
            "ms)\n",
            seconds, stall);
        std::remove(path.c_str());
    }
    std::printf("resident memory after both: %.1f MiB (%d final messages)\n",
                static_cast<double>(ResidentKiB()) / 1024.0, messages);
    return 0;
}
