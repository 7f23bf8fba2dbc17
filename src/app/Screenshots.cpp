// zort-screenshots: renders every page of the main window and each other window to PNG
// files, so that the layout can be reviewed without a display.
//
//   QT_QPA_PLATFORM=offscreen zort-screenshots DIR

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QToolButton>
#include <chrono>
#include <string>

#include "app/Application.h"
#include "app/DoctorWindow.h"
#include "app/FleetWindow.h"
#include "app/HistoryWindow.h"
#include "app/LookAndFeel.h"
#include "app/PortFinder.h"
#include "app/ProgramSetup.h"
#include "app/ProgressText.h"
#include "app/StatusWindow.h"
#include "app/TForm1.h"
#include "app/TForm2.h"
#include "app/TForm3.h"
#include "app/TForm4.h"
#include "app/TForm5.h"
#include "app/TForm6.h"
#include "history/BackupStore.h"
#include "settings/SettingTable.h"
#include "sim/ModemModel.h"
#include "sim/NmeaGenerator.h"
#include "status/NmeaReader.h"
#include "status/StatusThread.h"
#include "ui_TForm1.h"
#include "ui_TForm4.h"
#include "ui_TForm5.h"

namespace {

// The offscreen platform draws no window frames; a plain caption bar on top shows the
// title each window carries.
QImage WithCaption(QWidget* window) {
    const QPixmap client = window->grab();
    constexpr int kCaption = 24;
    QImage image(client.width() + 2, client.height() + kCaption + 1, QImage::Format_RGB32);
    image.fill(QColor(0x9A, 0x9A, 0x9E));
    QPainter painter(&image);
    painter.fillRect(1, 1, client.width(), kCaption - 1, QColor(0xE8, 0xE6, 0xE4));
    painter.setPen(QColor(0x20, 0x20, 0x22));
    painter.setFont(window->font());
    painter.drawText(QRect(10, 1, client.width() - 40, kCaption - 1), Qt::AlignVCenter | Qt::AlignLeft,
                     window->windowTitle());
    if (window->windowFlags() & Qt::WindowCloseButtonHint) {
        painter.drawText(QRect(client.width() - 28, 1, 24, kCaption - 1), Qt::AlignCenter,
                         QStringLiteral("✕"));
    }
    painter.drawPixmap(1, kCaption, client);
    return image;
}

bool Save(QWidget* window, const QDir& dir, const QString& name) {
    window->show();
    QApplication::processEvents();
    const QString path = dir.filePath(name);
    if (!WithCaption(window).save(path)) {
        QTextStream(stderr) << "zort-screenshots: cannot write " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}

// A left click as the mouse gives it.
void Click(QWidget* widget) {
    const QPointF inside(4, 4);
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, inside, widget->mapToGlobal(inside), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
}

// Values as long as a tracker reports them, so that the review sees full fields.
void FillSample(zort::TForm1& form) {
    form.ui->Label17->setText(QStringLiteral("Z410-2.07"));
    form.ui->Label18->setText(QStringLiteral("BL-1.02"));
    form.ui->Edit11->setText(QStringLiteral("861234567890123"));
    form.ui->Edit12->setText(QStringLiteral("89701012345678901234"));
    const char* const rows[][2] = {
        {"Номер владельца", "+79161234567"},
        {"PIN-код", "1234"},
        {"Часовой пояс", "3"},
        {"Время основного сеанса", "12:00"},
        {"Формат координат", "интернет-ссылка"},
        {"Режим передачи данных", "SMS + Сервер"},
        {"Адрес сервера : порт", "track.example.ru:23351"},
        {"Частота выхода на связь", "Каждые 24 часа"},
        {"Период определения координат (Суток)", "Каждый день"},
        {"Охрана по датчику движения", "Включена в периоде №1 и №2"},
        {"Период времени охраны №1", "c 23:00 до 07:00"},
        {"Период времени охраны №2", "c 10:00 до 17:00"},
        {"Тайм-аут датчика движения", "5"},
        {"Защита от ложных срабатываний датчика", "Включена"},
        {"Воздействие на датчик (амплитуда)", "20"},
        {"Воздействие на датчик (длительность)", "0"},
        {"Охрана периметра", "Режим 0"},
        {"Диаметр зоны охраны", "1 км"},
        {"Порог остатка средств", "50"},
        {"Код запроса баланса", "Автоматически"},
    };
    for (int row = 0; row < 20; ++row) {
        form.ui->StringGrid1->item(row, 0)->setText(QString::fromUtf8(rows[row][0]));
        form.ui->StringGrid1->item(row, 1)->setText(QString::fromUtf8(rows[row][1]));
    }
}

// A technician's session: a folder of sounds, both update files, a number, and a log
// with command results between pieces of the receiver's stream.
void FillSample(zort::TForm5& form) {
    form.ui->Edit1->setText(QStringLiteral("/home/tech/Трекеры/Звуки Z410"));
    form.ui->Label5->setText(QStringLiteral("Найдено файлов *.AMR: 4 (18 432 байт)"));
    form.ui->Edit2->setText(QStringLiteral("/home/tech/Трекеры/GNSS/loader_v1.bin"));
    form.ui->Edit3->setText(QStringLiteral("/home/tech/Трекеры/GNSS/gnss_fw_3.18.bin"));
    form.ui->Edit4->setText(QStringLiteral("+79161234567"));
    for (const char* line :
         {"Запуск модема...", "Модем запущен", "Модем сконфигурирован", "GPS/ГЛОНАСС модуль запущен"}) {
        form.AppendLogLine(QString::fromUtf8(line));
    }
    form.AppendStream(
        QStringLiteral("$GPGGA,101530.000,5545.1234,N,03737.5678,E,1,09,0.9,152.3,M,14.4,M,,*6B\r\n"
                       "$GPRMC,101530.000,A,5545.1234,N,03737.5678,E,0.12,84.20,150324,,,A*61\r\n"
                       "$GPGSV,3,1,11,02,61,118,42,05,36,299,38,07,19,049,33,09,72,212,45*7A\r\n"
                       "$GPGGA,101531.000,5545.1235,N,03737.5679,E,1,09,0.9,152.4,M,14.4,M,,*68\r\n"));
    form.AppendLogLine(QStringLiteral("SMS отправлено"));
    form.ui->ProgressBar1->setMaximum(11892);
    form.ui->ProgressBar1->setValue(4760);
}

// The firmware page during an update, with what the bar says and the line that tells
// other actions the port is taken; the question closing asks meanwhile; the summary
// opened from its menu entry; the toolbar of the expert layout, and the hidden group of
// the sensor page.
bool SaveMainWindowStates(zort::TForm1& form1, const QDir& dir) {
    bool ok = true;
    form1.SelectNavigation(8);
    form1.ui->ProgressBar1->setFormat(zort::FirmwareProgressText(46080, 120512, 14500));
    form1.ui->ProgressBar1->setMaximum(120512);
    form1.ui->ProgressBar1->setValue(46080);
    form1.ui->ProgressBar1->show();
    form1.ui->Label36->setText(QStringLiteral("Порт занят: идёт обновление прошивки устройства"));
    for (QToolButton* button : {form1.ui->SpeedButton3, form1.ui->SpeedButton4, form1.ui->SpeedButton6})
        button->setEnabled(false);
    ok &= Save(&form1, dir, QStringLiteral("form1-firmware-update.png"));
    const std::unique_ptr<QMessageBox> question = form1.AbortUpdateBox(zort::kAbortUpdateQuestion);
    ok &= Save(question.get(), dir, QStringLiteral("form1-close-question.png"));
    question->hide();
    form1.ui->Label36->clear();
    for (QToolButton* button : {form1.ui->SpeedButton3, form1.ui->SpeedButton4, form1.ui->SpeedButton6})
        button->setEnabled(true);
    form1.ui->ProgressBar1->hide();

    // The summary, opened from its menu entry as a read or a loaded file enables it.
    form1.SelectNavigation(1);
    form1.ui->Label9->setEnabled(true);
    Click(form1.ui->Label9);
    ok &= Save(&form1, dir, QStringLiteral("form1-summary-from-menu.png"));
    form1.SetExpertMode(true);
    form1.ui->Label21->show();
    form1.ui->GroupBox16->show();
    form1.SelectNavigation(5);
    ok &= Save(&form1, dir, QStringLiteral("form1-expert.png"));
    return ok;
}

// What a search finds on a technician's desk: the tracker, an adapter with nothing behind
// it, and a port ModemManager has seized.
zort::PortReport SampleSearch() {
    zort::PortReport report;
    report.first = true;
    zort::ProbeResult tracker;
    tracker.port = "/dev/ttyACM0";
    tracker.state = zort::ProbeState::kTracker;
    tracker.identity = "ЗОРТ Z410 №004217";
    tracker.softwareVersion = "Z410-2.07";
    tracker.imei = "861234567890123";
    tracker.usb = zort::UsbInfo{"0483", "5740", "ZORT", "ZORT Z410", "004217"};
    zort::ProbeResult adapter;
    adapter.port = "/dev/ttyUSB0";
    adapter.state = zort::ProbeState::kSilent;
    adapter.reason = "Порт /dev/ttyUSB0 не отвечает";
    adapter.usb = zort::UsbInfo{"10c4", "ea60", "Silicon Labs", "CP2102 USB to UART", std::nullopt};
    zort::ProbeResult seized;
    seized.port = "/dev/ttyUSB1";
    seized.state = zort::ProbeState::kBusy;
    seized.reason = "Порт занят: ModemManager (PID 812) открыл его монопольно";
    seized.holders = {{812, "ModemManager"}};
    seized.usb = zort::UsbInfo{"1a86", "7523", std::nullopt, "USB Serial", std::nullopt};
    report.probed = {tracker, adapter, seized};
    return report;
}

// The doctor on the seized port of a user who is not yet in the port's group.
std::vector<zort::CheckResult> SampleDoctor() {
    using namespace zort;
    const std::string port = "/dev/ttyUSB1";
    const UsbInfo usb{"1a86", "7523", std::nullopt, "USB Serial", std::nullopt};
    PortNode node;
    node.kind = NodeKind::kSerialLine;
    node.group = 20;
    node.mode = 020660;
    std::vector<CheckResult> results;
    results.push_back(CheckPresence(port, NodeKind::kSerialLine, usb, {"/dev/ttyACM0", port}));
    results.push_back(
        CheckAccess(port, node, UserIdentity{1000, {1000}, "tech"}, ParseGroups("dialout:x:20:\n")));
    PortUse use;
    use.exclusive = true;
    use.holders = {{812, "ModemManager"}};
    use.usb = usb;
    for (CheckResult& r : CheckHolders(port, use)) results.push_back(std::move(r));
    ProbeResult probe;
    probe.port = port;
    probe.state = ProbeState::kBusy;
    probe.reason = "порт занят: ModemManager (PID 812) открыл его монопольно";
    probe.holders = use.holders;
    results.push_back(CheckHandshake(probe));
    return results;
}

// A tracker's history after a season of use: the first backup before the installer's
// write, then the owner's change of number and a restore, compared with the tracker now.
bool SaveHistory(zort::TForm1& form1, const zort::SettingsImage& before, const zort::SettingsImage& after,
                 const QDir& dir) {
    using namespace std::chrono;
    QTemporaryDir root;
    const zort::BackupStore store(root.path().toStdString());
    zort::SettingsImage installed = before;
    installed.SetText(zort::slot::kImei, "861234567890123");
    installed.SetText(zort::slot::kDeviceIdentity, "ЗОРТ Z410 №004217");
    zort::SettingsImage changed = installed;
    changed.SetText(zort::slot::kOwnerPhone, "+79035550101");
    zort::SettingsImage now = after;
    now.SetText(zort::slot::kImei, "861234567890123");
    const sys_days day = sys_days(year{2026} / December / 1);
    bool ok = store.Store(installed, "/dev/ttyACM0", zort::kWriteReason, day + hours(7) + minutes(42)).ok;
    ok &= store.Store(changed, "/dev/ttyACM0", zort::kWriteReason, day + days(5) + hours(11) + minutes(3)).ok;
    ok &= store.Store(now, "/dev/ttyACM1", zort::kRestoreReason, day + days(8) + hours(9) + minutes(15)).ok;
    zort::HistoryWindow history(&form1);
    history.ShowBackups(
        QStringLiteral("Резервные копии настроек трекера ЗОРТ Z410 №004217, IMEI 861234567890123"),
        "861234567890123", store.List("861234567890123"));
    history.ShowCurrent(now, day + days(8) + hours(9) + minutes(14) + seconds(51));
    history.list->selectRow(1);
    ok &= Save(&history, dir, QStringLiteral("history-window.png"));
    history.hide();
    return ok;
}

// A fleet under way: two trackers set up, one whose write failed half-way, and one being
// written now.
bool SaveFleet(zort::TForm1& form1, const QDir& dir) {
    zort::FleetWindow fleet(form1.context.portLease, &form1);
    fleet.devicesFile->setText(QStringLiteral("/home/tech/Трекеры/Автопарк/устройства.csv"));
    fleet.reportFile->setText(QStringLiteral("/home/tech/Трекеры/Автопарк/отчёт.csv"));
    const auto done = [&](const char* port, const char* imei, bool ok, const char* message, int ms,
                          int changed) {
        zort::TrackerReport r;
        r.port = port;
        r.imei = imei;
        r.versionBefore = r.versionAfter = "Z410 2.14";
        r.ok = ok;
        r.message = message;
        r.duration = std::chrono::milliseconds(ms);
        r.changes.resize(static_cast<size_t>(changed));
        fleet.ShowStarted(port);
        fleet.ShowDone(r);
    };
    done("/dev/ttyACM0", "861234050000001", true, "готово", 3810, 5);
    done("/dev/ttyACM1", "861234050000002", true, "готово", 3790, 6);
    done("/dev/ttyACM2", "861234050000003", false, "Ошибка во время записи параметров", 2140, 5);
    fleet.ShowStarted("/dev/ttyACM3");
    fleet.ShowStep("/dev/ttyACM3", "запись");
    fleet.status->setText(QStringLiteral("Настроено: 2, с ошибкой: 1. Подключайте следующий трекер."));
    fleet.stopButton->setEnabled(true);
    fleet.startButton->setEnabled(false);
    const bool ok = Save(&fleet, dir, QStringLiteral("fleet-window.png"));
    fleet.hide();
    return ok;
}

// The status window on what the simulated tracker's receiver and modem say: a few
// seconds of its NMEA stream through the reader, and the modem's answers to the queries
// the window sends, through the same parsers.
bool SaveStatus(zort::TForm1& form1, const QDir& dir) {
    zort::TrackerStatus status;
    zort::sim::NmeaGenerator sky;
    zort::NmeaReader reader;
    const auto start = std::chrono::steady_clock::now();
    for (int second = 0; second < 3; ++second)
        reader.Feed(sky.NextBurst(), start + std::chrono::seconds(second));
    status.gnss = reader.Status(start + std::chrono::seconds(3));
    zort::sim::ModemModel modem;
    modem.SetPowered(true);
    const auto ask = [&modem](const std::string& command) {
        const std::vector<uint8_t> answer =
            modem.OnPayload(std::vector<uint8_t>(command.begin(), command.end()));
        return std::string(answer.begin(), answer.end());
    };
    status.ready = status.receiverOn = status.modemOn = true;
    status.gsm.modemAnswers = true;
    status.gsm.signal = zort::ParseSignal(ask(zort::kAtSignal));
    status.gsm.registration = zort::ParseRegistration(ask(zort::kAtRegistration));
    status.gsm.operatorName = zort::ParseOperator(ask(zort::kAtOperator));
    status.gsm.sim = zort::ParseSimState(ask(zort::kAtSimState));
    status.gsm.iccid = zort::ParseIccid(ask(zort::kAtIccid));
    status.gsm.balance = "Баланс 123,45 р. Доступно до 31.12.2026";
    status.gsm.balanceRequestsEnded = 1;
    zort::StatusWindow window(form1.context, &form1);
    window.Show(status);
    window.stateLine->setText(QString::fromUtf8(zort::kStatusModulesStarted));
    window.balanceButton->setEnabled(true);  // as while a tracker is watched
    const bool ok = Save(&window, dir, QStringLiteral("status-window.png"));
    window.hide();
    return ok;
}

// The port list as the search labels it, the line under it for a tracker and for a
// seized port, and the doctor's window on the seized one.
bool SaveConnectionStates(zort::TForm1& form1, const QDir& dir) {
    bool ok = true;
    form1.SelectNavigation(1);
    form1.ShowPortReport(SampleSearch());
    ok &= Save(&form1, dir, QStringLiteral("form1-port-found.png"));
    QComboBox* box = form1.ui->ComboBox12;
    box->showPopup();
    QApplication::processEvents();
    QWidget* popup = box->view()->window();
    QImage withList = WithCaption(&form1);
    {
        QPainter painter(&withList);
        const QPoint at = popup->mapToGlobal(QPoint(0, 0)) - form1.mapToGlobal(QPoint(0, 0));
        painter.drawPixmap(at + QPoint(1, 24), popup->grab());
    }
    box->hidePopup();
    const QString listPath = dir.filePath(QStringLiteral("form1-port-list.png"));
    ok &= withList.save(listPath);
    QTextStream(stdout) << listPath << '\n';
    box->setCurrentIndex(box->findData(QStringLiteral("/dev/ttyUSB1")));
    ok &= Save(&form1, dir, QStringLiteral("form1-port-busy.png"));

    // What a write would change, asked before the write.
    zort::SettingsImage before = form1.context.image;
    zort::SettingsImage after = before;
    before.SetText(zort::slot::kOwnerPhone, "+79001234567");
    after.SetText(zort::slot::kOwnerPhone, "+79161234567");
    before.SetText(zort::slot::kServerPort, "23351");
    after.SetText(zort::slot::kServerPort, "20332");
    before.SetText(zort::slot::kTimeZone, "3");
    after.SetText(zort::slot::kTimeZone, "5");
    const std::unique_ptr<QMessageBox> preview = form1.WritePreviewBox(zort::ChangesBetween(before, after));
    ok &= Save(preview.get(), dir, QStringLiteral("form1-write-preview.png"));
    preview->hide();

    ok &= SaveHistory(form1, before, after, dir);
    ok &= SaveFleet(form1, dir);
    ok &= SaveStatus(form1, dir);

    zort::DoctorWindow doctor(
        form1.context.portLease, {}, [] {}, &form1);
    doctor.Show(SampleDoctor());
    ok &= Save(&doctor, dir, QStringLiteral("doctor-window.png"));
    doctor.hide();
    return ok;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    zort::PrepareApplication(app);
    if (argc != 2) {
        QTextStream(stderr) << "usage: zort-screenshots DIR\n";
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        QTextStream(stderr) << "zort-screenshots: cannot create " << dir.path() << '\n';
        return 1;
    }

    // The service window keeps its fields in a profile of its own here, so that the
    // sample does not end up in the program's "config.ini".
    QTemporaryDir profileDir;
    const std::unique_ptr<zort::Application> windows = zort::StartApplication(
        zort::IniProfile(profileDir.filePath(QStringLiteral("config.ini")).toStdString()));
    zort::TForm1& form1 = *windows->form1;
    zort::TForm2& form2 = *windows->form2;
    zort::TForm3& form3 = *windows->form3;
    zort::TForm4& form4 = *windows->form4;
    zort::TForm5& form5 = *windows->form5;
    zort::TForm6& form6 = *windows->form6;
    FillSample(form1);
    FillSample(form5);

    bool ok = true;
    for (int entry = 1; entry <= zort::TForm1::kNavigationEntries; ++entry) {
        form1.SelectNavigation(entry);
        ok &= Save(&form1, dir, QStringLiteral("form1-page%1.png").arg(entry - 1));
    }

    ok &= SaveMainWindowStates(form1, dir);
    ok &= SaveConnectionStates(form1, dir);
    form1.close();

    ok &= Save(&form2, dir, QStringLiteral("form2.png"));
    form3.ShowProgress(QStringLiteral("Чтение настроек..."));
    form3.SetProgress(30, 16);
    ok &= Save(&form3, dir, QStringLiteral("form3.png"));
    using namespace std::string_literals;
    form6.LogReply("\x31\x00\x00\x00\xcd\xe0\xf1\xf2\xf0\xee\xe9\xea\xe8 OK\x00"s);
    form6.LogReply(
        "+79161234567\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"s);
    ok &= Save(&form6, dir, QStringLiteral("form6.png"));

    form4.Open();
    form4.ui->MaskEdit1->setText(QStringLiteral("73"));
    ok &= Save(&form4, dir, QStringLiteral("form4.png"));
    const char* const servicePages[] = {"form5-gsm.png", "form5-gps.png", "form5-sim.png"};
    for (int page = 0; page < 3; ++page) {
        form5.ui->PageControl1->setCurrentIndex(page);
        ok &= Save(&form5, dir, QLatin1String(servicePages[page]));
    }
    return ok ? 0 : 1;
}
