// Desktop GUI figures on the offscreen platform: start-up to the first shown main
// window, resident memory after start-up, and the longest stall of the main thread
// (a 1 ms timer probe) during a settings read at 9600 baud and during a 64 KiB firmware
// update at full speed, both against the simulated tracker; and the processor time the
// status window costs while it is open on a tracker (the simulator in a process of its
// own, so that only the configurator's threads are counted).

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

#include "app/Application.h"
#include "app/LookAndFeel.h"
#include "app/SkyPlot.h"
#include "app/StatusWindow.h"
#include "app/TForm1.h"
#include "sim/PtyTransport.h"
#include "sim/TrackerSimulator.h"
#include "status/StatusThread.h"
#include "support/SimProcess.h"
#include "ui_TForm1.h"

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

// The write button's read before the changes are listed, until the list is asked about:
// moments after a read (the tracker is asked for its IMEI alone), and after a write (the
// tracker may hold anything now: all thirty settings are read).
void PrintReadBeforeWrite(zort::TForm1& form) {
    QTemporaryDir backups;
    form.backupRoot = backups.path().toStdString();
    form.ui->Edit1->setText(QStringLiteral("+79161234567"));
    QElapsedTimer clock;
    double asked = 0;
    bool write = false;
    form.confirmWrite = [&](const std::vector<zort::SettingChange>&) {
        asked = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        return write;
    };
    const auto untilAsked = [&](bool andWrite) {
        write = andWrite;
        clock.start();
        form.SpeedButton3Click();
        while (form.context.AnyRunning() || form.WritePending())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return asked;
    };
    const double recent = untilAsked(false);
    untilAsked(true);
    const double afterWrite = untilAsked(false);
    std::printf(
        "write at 9600 baud, changes listed after: %.2f s moments after a read, %.2f s after a write "
        "(%.0f%% saved)\n",
        recent, afterWrite, 100.0 * (1.0 - recent / afterWrite));
}

// Serves events for `ms` while sleeping in between, as the program's own event loop
// does (processEvents with a time limit returns at once when nothing is pending).
void IdleFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double ProcessCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// Opens the status window on a tracker at 9600 baud, waits until the sky is drawn, then
// counts the processor time of this whole process (main thread, status worker, the
// channel's reader and writer) over a stretch of watching.
void PrintStatusWindowCpu(zort::TForm1& form) {
    zort::test::SimProcess sim({"--baud", "9600"});
    if (sim.Path().empty()) return;
    form.PreferPort(QString::fromStdString(sim.Path()));
    form.ShowStatus();
    zort::StatusWindow* window = form.statusWindow;
    QElapsedTimer waited;
    waited.start();
    while (window->sky->Satellites().empty() && waited.elapsed() < 15000) IdleFor(50);
    const double readySeconds = static_cast<double>(waited.elapsed()) / 1e3;
    constexpr int kWatchMs = 20000;
    const double cpuBefore = ProcessCpuSeconds();
    QElapsedTimer watched;
    watched.start();
    IdleFor(kWatchMs);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double wall = static_cast<double>(watched.elapsed()) / 1e3;
    std::printf(
        "status window: sky drawn %.1f s after opening (%zu satellites); open for %.0f s: %.2f s of "
        "processor, %.2f%% of one core (goal < 2%%)\n",
        readySeconds, window->sky->Satellites().size(), wall, cpu, 100.0 * cpu / wall);
    window->close();
    while (form.context.AnyRunning()) IdleFor(50);
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
        PrintReadBeforeWrite(form);
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
    PrintStatusWindowCpu(form);
    std::printf("resident memory after all: %.1f MiB (%d final messages)\n",
                static_cast<double>(ResidentKiB()) / 1024.0, messages);
    return 0;
}
