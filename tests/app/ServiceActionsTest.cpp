// The service window against the simulated tracker on the offscreen platform: what a
// technician clicks, what reaches the modem and the receiver, what the log shows, and
// how the window lets go when the main window closes.

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <functional>
#include <memory>

#include "app/Application.h"
#include "app/LookAndFeel.h"
#include "app/ProgramSetup.h"
#include "app/SkyPlot.h"
#include "app/StatusGauges.h"
#include "app/StatusWindow.h"
#include "app/TForm1.h"
#include "app/TForm5.h"
#include "service/IniProfile.h"
#include "sim/PtyTransport.h"
#include "sim/TrackerSimulator.h"
#include "status/StatusThread.h"
#include "ui_TForm1.h"
#include "ui_TForm5.h"

using zort::TForm1;
using zort::TForm5;

namespace {

// A main window and its service window wired to a simulated tracker, with boxes recorded
// and "config.ini" in a folder of the test's own.
struct ServiceWindows {
    ServiceWindows() : transport(simulator) {
        std::string error;
        if (!transport.Start(error)) qFatal("simulator: %s", error.c_str());
        app = zort::StartApplication(
            zort::IniProfile(profileDir.filePath(QStringLiteral("config.ini")).toStdString()));
        form1 = app->form1.get();
        form5 = app->form5.get();
        form1->showMessage = [this](int kind, const QString& text, const QString&) {
            messages.push_back(QString::number(kind) + " " + text);
        };
        form1->PreferPort(QString::fromStdString(transport.SlavePath()));
        form1->confirmClose = [this](const QString& question) {
            questions.push_back(question);
            return true;
        };
    }
    ~ServiceWindows() { app.reset(); }

    static bool WaitFor(const std::function<bool()>& done, int ms) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms) QTest::qWait(10);
        return done();
    }
    bool WaitRunsEnded(int ms = 10000) {
        return WaitFor([this] { return form5->RunsInFlight() == 0; }, ms);
    }
    QStringList LogLines() const {
        return form5->ui->Memo1->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    void SwitchReceiver(bool on) {
        simulator.WithGnss([](zort::sim::GnssReceiverModel& g) {
            g.SetBurstPeriod(std::chrono::milliseconds(100));
            return 0;
        });
        simulator.WithModel([on](zort::sim::TrackerModel& m) {
            m.SetGnssOn(on);
            return 0;
        });
    }
    void PowerModem() {
        simulator.WithModel([](zort::sim::TrackerModel& m) {
            m.SetModemOn(true);
            return 0;
        });
    }
    // What the receiver sent, as the log shows it: the view keeps line feeds only.
    QString SentStream() {
        QString sent = QString::fromStdString(
            simulator.WithGnss([](zort::sim::GnssReceiverModel& g) { return g.SentStream(); }));
        return sent.remove(QLatin1Char('\r'));
    }

    zort::sim::TrackerSimulator simulator;
    zort::sim::PtyTransport transport;
    QTemporaryDir profileDir;
    std::unique_ptr<zort::Application> app;
    TForm1* form1 = nullptr;
    TForm5* form5 = nullptr;
    std::vector<QString> messages;
    std::vector<QString> questions;  // asked on closing
};

}  // namespace

class ServiceActionsTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void ModemStartLogsItsLines() {
        ServiceWindows b;
        QTest::mouseClick(b.form5->ui->Button1, Qt::LeftButton);
        QVERIFY(b.WaitRunsEnded());
        QCOMPARE(b.LogLines(),
                 QStringList({QStringLiteral("Запуск модема..."), QStringLiteral("Модем запущен"),
                              QStringLiteral("Модем сконфигурирован")}));
        QVERIFY(b.simulator.WithModem([](zort::sim::ModemModel& m) { return m.Powered() && !m.Echo(); }));
        QVERIFY(b.messages.empty());
    }

    void EmptyPhoneSendsNothingAndATypedOneGoesOutAsTyped() {
        ServiceWindows b;
        QTest::mouseClick(b.form5->ui->Button12, Qt::LeftButton);
        QTest::mouseClick(b.form5->ui->Button13, Qt::LeftButton);
        QCOMPARE(b.form5->RunsInFlight(), 0);
        QTest::qWait(200);
        QCOMPARE(b.simulator.FramesReceived(), 0);
        QCOMPARE(b.LogLines(), QStringList({QStringLiteral("Нет номера телефона. Передача SMS отменена")}));
        QVERIFY(b.messages.empty());

        b.PowerModem();
        b.form5->ui->Edit4->setText(QStringLiteral(" 8 916 123"));
        QTest::mouseClick(b.form5->ui->Button13, Qt::LeftButton);
        QVERIFY(b.WaitRunsEnded());
        QTest::mouseClick(b.form5->ui->Button14, Qt::LeftButton);
        QVERIFY(b.WaitRunsEnded());
        QVERIFY(ServiceWindows::WaitFor(
            [&] { return b.simulator.WithModem([](zort::sim::ModemModel& m) { return m.HangUps(); }) == 1; },
            2000));
        QCOMPARE(b.simulator.WithModem([](zort::sim::ModemModel& m) { return m.Calls(); }),
                 std::vector<std::string>{" 8 916 123"});
        QCOMPARE(b.LogLines().mid(1),
                 QStringList({QStringLiteral("Звонок..."), QStringLiteral("Звонок отменен")}));
    }

    void RelayTickedTwiceRunsOnceAndTheLogGetsTheWholeStream() {
        ServiceWindows b;
        b.form1->context.timings.nmeaPollMs = 200;
        b.form5->Open();
        b.SwitchReceiver(true);
        b.form5->ui->CheckBox1->setChecked(true);
        b.form5->CheckBox1Click();  // a second tick while the relay runs
        QCOMPARE(b.form5->RunsInFlight(), 1);
        QVERIFY(b.form5->RelayRunning());
        QVERIFY(ServiceWindows::WaitFor(
            [&] { return b.form5->ui->Memo1->toPlainText().count(QLatin1Char('\n')) > 40; }, 5000));
        b.SwitchReceiver(false);
        // A sentence the receiver stopped in the middle of never reaches the log.
        QString sent = b.SentStream();
        sent.truncate(sent.lastIndexOf(QLatin1Char('\n')) + 1);
        QVERIFY(ServiceWindows::WaitFor(
            [&] { return b.form5->ui->Memo1->toPlainText().size() >= sent.size(); }, 3000));
        QCOMPARE(b.form5->ui->Memo1->toPlainText(), sent);
        QCOMPARE(b.form5->focusWidget(), b.form5->ui->Memo1);
        QCOMPARE(b.form5->ui->Memo1->textCursor().position(),
                 b.form5->ui->Memo1->document()->characterCount() - 1);

        b.form5->ui->CheckBox1->setChecked(false);
        QVERIFY(!b.form5->RelayRunning());
        QVERIFY(b.WaitRunsEnded(2000));
        QVERIFY(b.messages.empty());
    }

    void StoppingTheReceiverLeavesNoStrayByteNorACutSentenceInTheLog() {
        ServiceWindows b;
        b.form1->context.timings.nmeaPollMs = 100;
        b.form5->Open();
        b.SwitchReceiver(true);
        b.form5->ui->CheckBox1->setChecked(true);
        QVERIFY(ServiceWindows::WaitFor([&] { return b.LogLines().size() > 5; }, 5000));
        // The relay holds the port: a stop clicked now would meet its polls.
        QTest::mouseClick(b.form5->ui->Button4, Qt::LeftButton);
        QTest::mouseClick(b.form5->ui->Button2, Qt::LeftButton);
        b.form5->ui->CheckBox1->setChecked(false);
        QVERIFY(b.WaitRunsEnded());
        QTest::mouseClick(b.form5->ui->Button4, Qt::LeftButton);
        QVERIFY(b.WaitRunsEnded());
        QVERIFY(b.LogLines().contains(QStringLiteral("GPS/ГЛОНАСС модуль остановлен")));
        for (const QString& line : b.LogLines()) {
            for (const QChar c : line) QVERIFY2(c.unicode() >= 0x20, qPrintable(line.toUtf8().toHex()));
            // Every sentence whole: from its '$' to its checksum.
            if (line.startsWith(QLatin1Char('$'))) {
                QVERIFY2(QRegularExpression(QStringLiteral("^\\$[A-Z]{5},.*\\*[0-9A-F]{2}$"))
                             .match(line)
                             .hasMatch(),
                         qPrintable(line));
            } else {
                QVERIFY2(line.startsWith(QStringLiteral("GPS/")), qPrintable(line));
            }
        }
        QVERIFY(b.messages.empty());
    }

    void RelayWithoutDeviceShowsOneBoxAndNeedsANewTick() {
        ServiceWindows b;
        b.form1->PreferPort(QStringLiteral("/dev/zort-no-such-port"));
        b.form5->ui->CheckBox1->setChecked(true);
        QVERIFY(b.WaitRunsEnded());
        QCOMPARE(b.messages, std::vector<QString>{"4 Устройство не подключено"});
        QVERIFY(b.form5->ui->CheckBox1->isChecked());
        QVERIFY(b.form5->ui->Memo1->toPlainText().isEmpty());
        b.form5->ui->CheckBox1->setChecked(false);
        b.form5->ui->CheckBox1->setChecked(true);
        QVERIFY(b.WaitRunsEnded());
        QCOMPARE(b.messages.size(), size_t{2});
    }

    void GnssUpdateStartsAfterTheChannelSettlesAndGivesTheButtonBack() {
        ServiceWindows b;
        b.form1->context.timings.nmeaPollMs = 200;
        b.form5->Open();
        b.form5->ui->CheckBox1->setChecked(true);
        QVERIFY(ServiceWindows::WaitFor([&] { return b.form1->context.port.IsOpen(); }, 3000));
        b.form5->ui->Edit2->setText(b.profileDir.filePath(QStringLiteral("no-such-loader.bin")));
        b.form5->ui->Edit3->setText(b.profileDir.filePath(QStringLiteral("no-such-firmware.bin")));

        // The window keeps serving its events while the channel settles.
        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(50);
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(b.form5->ui->Button7, Qt::LeftButton);
        QVERIFY(clock.elapsed() < 300);
        QVERIFY(!b.form5->ui->CheckBox1->isChecked());
        QVERIFY(!b.form5->RelayRunning());
        QVERIFY(!b.form5->ui->Button7->isEnabled());
        QTest::qWait(1500);
        QVERIFY(ticks >= 20);
        QVERIFY(!b.form1->context.port.IsOpen());
        // The settle timer started after the clock, and it fires only while events are
        // served: as long as the clock says less, the button cannot have come back.
        if (clock.elapsed() < TForm5::kGnssSettleMs) QVERIFY(!b.form5->ui->Button7->isEnabled());

        QVERIFY2(ServiceWindows::WaitFor([&] { return b.form5->ui->Button7->isEnabled(); }, 5000),
                 qPrintable(b.form5->ui->Memo1->toPlainText()));
        QVERIFY(clock.elapsed() >= TForm5::kGnssSettleMs);
        QVERIFY2(b.LogLines().contains(QStringLiteral("Ошибка открытия файла загрузчика")),
                 qPrintable(b.form5->ui->Memo1->toPlainText()));
        QVERIFY(b.WaitRunsEnded());
        QVERIFY(b.messages.empty());
        // Nothing went to the receiver.
        for (const auto& frame : b.simulator.Trace()) QVERIFY(frame.command != 6 && frame.command != 9);
    }

    // Opening the status window switches on what is off, in the service commands' words,
    // draws the sky and the network from the tracker, and holds the port; closing it
    // switches off what it switched on and gives the port back.
    void StatusWindowShowsTheSkyAndTheNetworkAndLeavesTheTrackerAsItFoundIt() {
        ServiceWindows b;
        b.simulator.WithGnss([](zort::sim::GnssReceiverModel& g) {
            g.SetBurstPeriod(std::chrono::milliseconds(200));
            return 0;
        });
        zort::LinkTimings& t = b.form1->context.timings;
        t.statusProbeMs = 600;
        t.statusRoundMs = 300;
        b.form1->show();
        QTest::mouseClick(b.form1->ui->SpeedButton11, Qt::LeftButton);
        zort::StatusWindow* w = b.form1->statusWindow;
        QVERIFY(w != nullptr && w->isVisible());
        QVERIFY(ServiceWindows::WaitFor([&] { return !b.form1->ui->SpeedButton4->isEnabled(); }, 2000));
        QVERIFY2(
            ServiceWindows::WaitFor(
                [&] {
                    return !w->sky->Satellites().empty() && w->signalBars->Bars().has_value() &&
                           w->simLine->text().contains(QStringLiteral("готова"));
                },
                10000),
            qPrintable(w->stateLine->text() + " | " + w->fixLine->text() + " | " + w->signalLine->text()));
        const auto& sky = w->sky->Satellites();
        QVERIFY(std::any_of(sky.begin(), sky.end(),
                            [](const auto& s) { return s.system == zort::GnssSystem::kGps; }));
        QVERIFY(std::any_of(sky.begin(), sky.end(),
                            [](const auto& s) { return s.system == zort::GnssSystem::kGlonass && s.used; }));
        QCOMPARE(w->snr->Satellites().size(), sky.size());
        QVERIFY2(w->fixLine->text().startsWith(QStringLiteral("Решение 3D")), qPrintable(w->fixLine->text()));
        QVERIFY2(w->networkLine->text().contains(QStringLiteral("домашняя сеть")),
                 qPrintable(w->networkLine->text()));
        QVERIFY2(w->stateLine->text() == QString::fromUtf8(zort::kStatusModulesStarted),
                 qPrintable(w->stateLine->text()));

        QVERIFY(w->balanceButton->isEnabled());
        QTest::mouseClick(w->balanceButton, Qt::LeftButton);
        QVERIFY(!w->balanceButton->isEnabled());
        QVERIFY2(ServiceWindows::WaitFor(
                     [&] { return w->balanceLine->text().contains(QStringLiteral("Баланс")); }, 10000),
                 qPrintable(w->balanceLine->text()));

        QTest::mouseClick(w->closeButton, Qt::LeftButton);
        QVERIFY(!w->isVisible());
        QVERIFY(ServiceWindows::WaitFor([&] { return b.form1->ui->SpeedButton4->isEnabled(); }, 5000));
        QVERIFY(!b.form1->context.AnyRunning());
        QVERIFY(!b.simulator.WithModel([](zort::sim::TrackerModel& m) { return m.ModemOn() || m.GnssOn(); }));
        QVERIFY(b.messages.empty());
    }

    void StatusWindowLeavesOnWhatWasAlreadyOn() {
        ServiceWindows b;
        b.SwitchReceiver(true);
        b.PowerModem();
        b.form1->context.timings.statusProbeMs = 600;
        b.form1->ShowStatus();
        zort::StatusWindow* w = b.form1->statusWindow;
        QVERIFY(ServiceWindows::WaitFor(
            [&] { return !w->sky->Satellites().empty() && w->signalBars->Bars(); }, 10000));
        w->close();
        QVERIFY(ServiceWindows::WaitFor([&] { return !b.form1->context.AnyRunning(); }, 5000));
        QVERIFY(b.simulator.WithModel([](zort::sim::TrackerModel& m) { return m.ModemOn() && m.GnssOn(); }));
        for (const auto& frame : b.simulator.Trace()) QVERIFY(frame.command < 3 || frame.command > 6);
        QVERIFY(w->stateLine->text().isEmpty());
    }

    void ClosingTheMainWindowEndsServiceWorkQuietly() {
        struct Case {
            const char* name;
            std::function<void(ServiceWindows&)> start;
        };
        const std::vector<Case> cases = {
            {"relay",
             [](ServiceWindows& b) {
                 b.SwitchReceiver(true);
                 b.form5->ui->CheckBox1->setChecked(true);
             }},
            {"SMS to a silent modem, with its waits of minutes",
             [](ServiceWindows& b) {
                 b.simulator.WithModem([](zort::sim::ModemModel& m) {
                     zort::sim::ModemModel::Options o;
                     o.silent = true;
                     m.SetOptions(o);
                     return 0;
                 });
                 b.form5->ui->Edit4->setText(QStringLiteral("+79001112233"));
                 b.form5->Button12Click();
             }},
            {"update waiting for the channel to settle", [](ServiceWindows& b) { b.form5->Button7Click(); }},
            {"status window", [](ServiceWindows& b) { b.form1->ShowStatus(); }},
        };
        for (const Case& c : cases) {
            ServiceWindows b;
            b.form1->show();
            b.form5->Open();
            c.start(b);
            QTest::qWait(400);
            QElapsedTimer t;
            t.start();
            b.form1->close();
            QVERIFY2(t.elapsed() < 1000, c.name);
            QVERIFY2(!b.form1->context.AnyRunning(), c.name);
            QVERIFY2(b.form5->RunsInFlight() == 0, c.name);
            QVERIFY2(!b.form5->RelayRunning(), c.name);
            QVERIFY2(!b.form5->isVisible(), c.name);
            // Nothing pops up afterwards either, also not an update that was about to start.
            QTest::qWait(TForm5::kGnssSettleMs + 300);
            QVERIFY2(b.messages.empty(), c.name);
            QVERIFY2(b.form5->RunsInFlight() == 0, c.name);
        }
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    zort::PrepareApplication(app);
    ServiceActionsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ServiceActionsTest.moc"
