// The main window's actions against the simulated tracker on the offscreen platform:
// what a user clicks, what reaches the tracker and what the window shows afterwards.

#include <unistd.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QToolButton>
#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <thread>

#include "app/Application.h"
#include "app/DoctorWindow.h"
#include "app/FleetWindow.h"
#include "app/HistoryWindow.h"
#include "app/LookAndFeel.h"
#include "app/PagesBinding.h"
#include "app/PortFinder.h"
#include "app/ProgramSetup.h"
#include "app/QtPrompts.h"
#include "app/TForm1.h"
#include "app/TForm2.h"
#include "app/TForm3.h"
#include "app/TForm5.h"
#include "app/TForm6.h"
#include "history/BackupStore.h"
#include "service/IniProfile.h"
#include "settings/SettingTable.h"
#include "settings/SettingsBinding.h"
#include "settings/SettingsDefaults.h"
#include "sim/PtyTransport.h"
#include "sim/TrackerSimulator.h"
#include "support/BoxAnswers.h"
#include "ui_TForm1.h"
#include "ui_TForm2.h"
#include "ui_TForm3.h"
#include "ui_TForm5.h"
#include "ui_TForm6.h"
#include "worker/WorkerSink.h"

using zort::TForm1;

namespace {

struct Recorded {
    std::vector<QString> messages;   // "kind text"
    std::vector<QString> details;    // the detail of each message
    std::vector<QString> prompts;    // "ask text" / "warn text"
    std::vector<QString> questions;  // asked on closing
};

// Records the boxes instead of showing them; the focus goes where the window puts it.
class RecordingPrompts : public zort::SettingsPrompts {
  public:
    RecordingPrompts(Recorded& r, zort::TForm1& form) : r(r), window(form) {}
    bool answer = false;
    bool AskYesNo(std::string_view, std::string_view text) override {
        r.prompts.push_back("ask " + QString::fromUtf8(text.data(), static_cast<int>(text.size())));
        return answer;
    }
    void Warn(std::string_view, std::string_view text) override {
        r.prompts.push_back("warn " + QString::fromUtf8(text.data(), static_cast<int>(text.size())));
    }
    void FocusControl(std::string_view control) override { window.FocusControl(control); }

  private:
    Recorded& r;
    zort::QtPrompts window;
};

// A simulated tracker's misbehaviour: one rule in its text form, every answer `delayMs`
// late.
zort::sim::FaultPlan Plan(const char* rule, int delayMs = 0) {
    zort::sim::FaultPlan plan;
    plan.replyDelayMs = delayMs;
    if (rule != nullptr) {
        zort::sim::FaultRule parsed;
        std::string error;
        if (!zort::sim::FaultRule::Parse(rule, parsed, error)) qFatal("fault rule: %s", error.c_str());
        plan.rules.push_back(parsed);
    }
    return plan;
}

QString TempPath(const QString& name) {
    return QDir::tempPath() + "/zort-gui-" + QString::number(getpid()) + "-" + name;
}

// A main window wired to a simulated tracker, with boxes and dialogs recorded.
struct Harness {
    explicit Harness(zort::sim::FaultPlan plan = {}) : simulator(std::move(plan)), transport(simulator) {
        std::string error;
        if (!transport.Start(error)) qFatal("simulator: %s", error.c_str());
        app = zort::StartApplication(
            zort::IniProfile(profileDir.filePath(QStringLiteral("config.ini")).toStdString()));
        form = app->form1.get();
        form2 = app->form2.get();
        form3 = app->form3.get();
        form6 = app->form6.get();
        auto p = std::make_unique<RecordingPrompts>(recorded, *form);
        prompts = p.get();
        form->prompts = std::move(p);
        form5 = app->form5.get();
        defaultConfirmClose = form->confirmClose;
        defaultShowMessage = form->showMessage;
        form->showMessage = [this](int kind, const QString& text, const QString& detail) {
            recorded.messages.push_back(QString::number(kind) + " " + text);
            recorded.details.push_back(detail);
        };
        form->confirmClose = [this](const QString& question) {
            recorded.questions.push_back(question);
            return closeAnswer;
        };
        form->askOpenFile = [this](const QString&, const QString& folder, const QString& filter) {
            asked.push_back({folder, filter});
            return nextFile;
        };
        form->askSaveFile = [this](const QString&, const QString& start, const QString& filter) {
            asked.push_back({start, filter});
            return nextFile;
        };
        form->confirmWrite = [this](const std::vector<zort::SettingChange>& changes) {
            QStringList lines;
            for (const zort::SettingChange& c : changes) lines << QString::fromStdString(zort::ChangeLine(c));
            recorded.questions.push_back(QStringLiteral("write? ") + lines.join(QStringLiteral("; ")));
            return writeAnswer;
        };
        form->backupRoot = profileDir.filePath(QStringLiteral("backups")).toStdString();
        form->confirmOtherDevice = [this](const QString& question) {
            recorded.questions.push_back(question);
            return otherDeviceAnswer;
        };
        form->confirmDefaults = [this](const QString& question) {
            recorded.questions.push_back(question);
            return defaultsAnswer;
        };
        form->PreferPort(QString::fromStdString(transport.SlavePath()));
        form->context.timings.settingsReplyMs = 400;
        form->context.timings.firmwareReplyMs = 400;
    }
    ~Harness() { app.reset(); }

    // Waits, serving events, until `done` holds; false when it never did.
    static bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
        QElapsedTimer t;
        t.start();
        while (!done() && t.elapsed() < ms) QTest::qWait(10);
        return done();
    }
    // A firmware file with an image of `size` bytes behind its header.
    static QString FirmwareFile(const QString& name, int size) {
        const QString path = TempPath(name);
        std::ofstream out(path.toStdString(), std::ios::binary);
        out << std::string(15, 'H') << std::string(static_cast<size_t>(size), '\x5A');
        return path;
    }
    bool WaitIdle(int ms = 10000) {
        QElapsedTimer t;
        t.start();
        // A write is two operations, the read before it and the write itself.
        const auto busy = [this] { return form->context.AnyRunning() || form->WritePending(); };
        while (busy() && t.elapsed() < ms) QTest::qWait(10);
        return !busy();
    }
    QString Cell(int row, int column) const {
        const QTableWidgetItem* item = form->ui->StringGrid1->item(row, column);
        return item ? item->text() : QString();
    }

    zort::sim::TrackerSimulator simulator;
    zort::sim::PtyTransport transport;
    QTemporaryDir profileDir;
    std::unique_ptr<zort::Application> app;
    TForm1* form = nullptr;
    zort::TForm2* form2 = nullptr;
    zort::TForm3* form3 = nullptr;
    zort::TForm6* form6 = nullptr;
    zort::TForm5* form5 = nullptr;
    Recorded recorded;
    RecordingPrompts* prompts = nullptr;
    QString nextFile;
    bool closeAnswer = false;
    bool defaultsAnswer = true;
    bool writeAnswer = true;
    bool otherDeviceAnswer = false;
    // Where each file dialog started, and what it offered.
    std::vector<std::pair<QString, QString>> asked;
    std::function<bool(const QString&)> defaultConfirmClose;  // the real box
    std::function<void(int, const QString&, const QString&)> defaultShowMessage;
};

}  // namespace

class DeviceActionsTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void StartsWithTheFactoryValuesOnPageZero() {
        Harness h;
        QCOMPARE(h.form->ui->PageControl1->currentIndex(), 0);
        QCOMPARE(h.form->ui->Edit2->text(), QString::fromUtf8(zort::kFactoryPin.data()));
        QCOMPARE(h.form->ui->ComboBox1->currentText(), QStringLiteral("UTC (+03:00) (Москва  )"));
        QCOMPARE(h.form->ui->ComboBox2->currentText(), QStringLiteral("12"));
        QVERIFY(h.form->ui->RadioButton13->isChecked());
        QVERIFY(h.form->ui->RadioButton6->isChecked());
        QVERIFY(!h.form->ui->Edit4->isEnabled());
        QCOMPARE(h.form->ui->ComboBox12->currentText(), QString::fromStdString(h.transport.SlavePath()));
    }

    void EverySlotSurvivesImageToControlsToImage() {
        Harness h;
        zort::SettingsImage& image = h.form->context.image;
        const char* texts[24] = {"+79161234567",
                                 "0123",
                                 "-5",
                                 "0730",
                                 "1",
                                 "2",
                                 "host.example",
                                 "8080",
                                 "1",
                                 "wialon.example",
                                 "20332",
                                 "secret",
                                 "3",
                                 "7",
                                 "1",
                                 "3",
                                 "2200063009001800",
                                 "42",
                                 "0",
                                 "33",
                                 "12",
                                 "2 025",
                                 "150",
                                 "*100#"};
        for (int s = 0; s < 24; ++s) image.SetText(s, texts[s]);
        h.form->ShowImage(true);
        QCOMPARE(h.form->ui->Edit4->text(), QStringLiteral("*100#"));
        QVERIFY(h.form->ui->Edit4->isEnabled());
        QCOMPARE(h.Cell(10, 1), QStringLiteral("c 22:00 до 06:30"));

        zort::SettingsImage back;
        zort::SettingsPages pages;
        zort::ControlsToModel(*h.form, pages);
        QVERIFY(zort::ControlsToImage(pages, back, *h.prompts));
        for (int s = 0; s < 24; ++s) QCOMPARE(QString::fromStdString(back.Text(s)), QString(texts[s]));
        QCOMPARE(QString::fromStdString(back.Text(28)), QStringLiteral("1"));
    }

    void RefusedChecksStartNothing() {
        struct Case {
            const char* name;
            std::function<void(TForm1&)> edit;
            QString prompt;
            QString focused;  // the control the keyboard is left at
        };
        const std::vector<Case> cases = {
            {"empty phone, answer no", [](TForm1& f) { f.ui->Edit1->clear(); },
             "ask Вы не указали номер телефона владельца\nЗаписать настройки без него?", "Edit1"},
            {"empty PIN", [](TForm1& f) { f.ui->Edit2->clear(); }, "warn Вы не задали PIN-код устройства",
             "Edit2"},
            {"three-digit PIN", [](TForm1& f) { f.ui->Edit2->setText("123"); },
             "warn PIN-код устройства должен состоять из четырех цифр", "Edit2"},
            {"empty server, mode off",
             [](TForm1& f) {
                 f.ui->ComboBox19->setCurrentIndex(0);
                 f.ui->Edit7->clear();
             },
             "ask Вы не указали адрес сервера или порт.", "Edit7"},
            {"Wialon on without host",
             [](TForm1& f) {
                 f.ui->CheckBox3->setChecked(true);
                 f.ui->Edit5->clear();
             },
             "warn Не указан IP или порт сервера\n для передачи по протоколу WIALON", "Edit5"},
            {"explicit balance code empty",
             [](TForm1& f) {
                 f.ui->RadioButton7->setChecked(true);
                 f.ui->Edit4->clear();
             },
             "warn Вы не указали код запроса баланса", "Edit4"},
            {"empty geofence diameter", [](TForm1& f) { f.ui->Edit6->clear(); }, "warn ", "Edit6"},
        };
        for (const Case& c : cases) {
            Harness h;
            h.form->ui->Edit1->setText("+79001112233");
            c.edit(*h.form);
            h.form->SpeedButton3Click();
            QVERIFY2(!h.recorded.prompts.empty(), c.name);
            QVERIFY2(h.recorded.prompts.front().startsWith(c.prompt), qPrintable(h.recorded.prompts.front()));
            QVERIFY2(h.form->focusWidget(), c.name);
            QCOMPARE(h.form->focusWidget()->objectName(), c.focused);
            QVERIFY2(!h.form->context.AnyRunning() && h.WaitIdle(), c.name);
            QTest::qWait(50);
            QCOMPARE(h.simulator.FramesReceived(), 0);
        }
    }

    void ReadFillsThePagesAndTheSummary() {
        Harness h;
        h.form->show();
        h.form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(h.form));
        QVERIFY(!h.form->ui->Label9->isEnabled());
        QTest::keyClick(h.form, Qt::Key_F5);
        h.form->SpeedButton4Click();  // a second click while the read runs does nothing
        QVERIFY(h.WaitIdle());
        QCOMPARE(h.simulator.FramesReceived(), 31);
        QCOMPARE(h.form->ui->Edit11->text(), QStringLiteral("861234050123456"));
        QCOMPARE(h.form->ui->Label17->text(), QStringLiteral("Z410 2.14"));
        QCOMPARE(h.Cell(10, 0), QStringLiteral("Период времени охраны №1"));
        QCOMPARE(h.Cell(10, 1), QStringLiteral("c 23:00 до 07:00"));
        QVERIFY(!h.form3->isVisible());
        QVERIFY(h.recorded.messages.empty());
        QVERIFY(h.form6->ui->Memo1->toPlainText().contains("8 6 1 2 3 4"));
        // After the dumps, the session log's line for the read, as the log file has it.
        const QRegularExpression logged(
            QStringLiteral("Z  %1  IMEI 861234050123456  чтение настроек  успешно  [0-9,]+ с\n")
                .arg(QRegularExpression::escape(QString::fromStdString(h.transport.SlavePath()))));
        QVERIFY2(Harness::WaitFor([&] { return h.form6->ui->Memo1->toPlainText().contains(logged); }),
                 qPrintable(h.form6->ui->Memo1->toPlainText().right(300)));
        // The port's line knows the tracker now, though no search ever asked it.
        QCOMPARE(h.form->ui->LabelConnection->text(),
                 QStringLiteral("Подключено: ЗОРТ Z410 №004217\nПО Z410 2.14\nIMEI 861234050123456"));
        QCOMPARE(h.form->SelectedPort(), h.transport.SlavePath());
        // The summary can be opened from the menu now.
        QVERIFY(h.form->ui->Label9->isEnabled());
        QTest::mouseClick(h.form->ui->Label9, Qt::LeftButton);
        QCOMPARE(h.form->ui->PageControl1->currentIndex(), 8);
        QCOMPARE(h.form->SelectedEntry(), 9);
    }

    void RestoringDefaultsAsksFirstAndKeepsWhatTheTrackerToldAboutItself() {
        Harness h;
        h.form->SpeedButton4Click();
        QVERIFY(h.WaitIdle());
        h.form->ui->Edit2->setText("9999");
        h.defaultsAnswer = false;
        h.form->SpeedButton5Click();
        const QString question =
            QStringLiteral("Заменить настройки на странице заводскими? Сведения об устройстве останутся");
        QCOMPARE(h.recorded.questions, std::vector<QString>{question});
        QCOMPARE(h.form->ui->Edit2->text(), QStringLiteral("9999"));
        h.defaultsAnswer = true;
        h.form->SpeedButton5Click();
        QCOMPARE(h.form->ui->Edit2->text(), QString::fromUtf8(zort::kFactoryPin.data()));
        QCOMPARE(h.form->ui->Edit11->text(), QStringLiteral("861234050123456"));
        QCOMPARE(h.form->ui->Label17->text(), QStringLiteral("Z410 2.14"));
        QCOMPARE(QString::fromStdString(h.form->context.image.Text(zort::slot::kImei)),
                 QStringLiteral("861234050123456"));
    }

    void FileDialogsStartInTheLastFolderUsedAndOfferAllFiles() {
        Harness h;
        h.form->ui->Edit1->setText("+79001112233");
        QTemporaryDir folder;
        h.nextFile = folder.filePath(QStringLiteral("tracker.cfg"));
        h.form->SpeedButton2Click();
        QCOMPARE(h.asked.size(), size_t{1});
        QCOMPARE(QFileInfo(h.asked[0].first).absolutePath(), QDir::homePath());
        QCOMPARE(h.asked[0].second, QStringLiteral("Файл конфигурации (*.cfg);;Все файлы (*)"));
        h.form->SpeedButton1Click();
        QCOMPARE(h.asked[1].first, folder.path());
        QCOMPARE(h.asked[1].second, QStringLiteral("Файл конфигурации (*.cfg);;Все файлы (*)"));
        // Kept in config.ini for the next start.
        const zort::IniProfile profile(h.profileDir.filePath(QStringLiteral("config.ini")).toStdString());
        QCOMPARE(QString::fromStdString(profile.Read("config", "LastFolder")), folder.path());
        // A file named on the command line takes the same way in, without the dialog.
        h.form->ui->Edit1->setText("+70000000000");
        h.form->LoadSettingsFile(folder.filePath(QStringLiteral("tracker.cfg")));
        QCOMPARE(h.form->ui->Edit1->text(), QStringLiteral("+79001112233"));
        {
            zort::test::BoxAnswers answers(QMessageBox::Ok);
            h.form->LoadSettingsFile(folder.filePath(QStringLiteral("missing.cfg")));
            QCOMPARE(answers.texts.size(), 1);
            QCOMPARE(answers.texts[0], QStringLiteral("Ошибка открытия файла"));
        }
        QCOMPARE(h.form->ui->Edit1->text(), QStringLiteral("+79001112233"));
        h.nextFile.clear();  // cancelled: the folder stays
        h.form->SpeedButton6Click();
        QCOMPARE(h.asked[2].first, folder.path());
        QCOMPARE(h.asked[2].second, QStringLiteral("Файл прошивки (*.fmw);;Все файлы (*)"));
    }

    void WriteEndsWithItsMessageAndADroppedReplyWithTheOther() {
        {
            Harness h;
            h.form->ui->Edit1->setText("+79001112233");
            h.form->SpeedButton3Click();
            QVERIFY(h.WaitIdle());
            QCOMPARE(h.recorded.messages, std::vector<QString>{"3 Настройки успешно записаны"});
            QCOMPARE(QString::fromStdString(
                         h.simulator.WithModel([](auto& m) { return m.ParameterText(0x08080460); })),
                     QStringLiteral("+79001112233"));
            // Before the write: the changes were listed, and the tracker's old settings kept.
            QCOMPARE(h.recorded.questions.size(), size_t{1});
            QVERIFY2(h.recorded.questions.front().contains(QStringLiteral("Номер телефона владельца: ")),
                     qPrintable(h.recorded.questions.front()));
            const QDir kept(QString::fromStdString((h.form->backupRoot / "861234050123456").string()));
            const QStringList backups = kept.entryList({QStringLiteral("*.json")});
            QCOMPARE(backups.size(), 1);
            zort::SettingsImage old;
            zort::BackupEntry entry;
            QVERIFY(zort::LoadBackup((kept.filePath(backups.front())).toStdString(), old, entry));
            QCOMPARE(entry.reason, std::string("запись настроек"));
            QCOMPARE(entry.port, h.transport.SlavePath());
            QVERIFY(old.Utf8Text(zort::slot::kOwnerPhone) != "+79001112233");

            // "Отмена" writes nothing; nor does a write whose backup cannot be kept.
            const int frames = h.simulator.FramesReceived();
            h.writeAnswer = false;
            h.form->ui->Edit1->setText("+79004445566");
            h.form->SpeedButton3Click();
            QVERIFY(h.WaitIdle());
            QCOMPARE(h.simulator.FramesReceived(), frames + 31);
            h.writeAnswer = true;
            h.form->backupRoot = h.form->backupRoot / "861234050123456" / backups.front().toStdString() / "x";
            h.form->SpeedButton3Click();
            QVERIFY(h.WaitIdle());
            // "Отмена" wrote nothing, so the read before it still tells what the tracker
            // holds: this time the tracker is asked for its IMEI alone.
            QCOMPARE(h.simulator.FramesReceived(), frames + 31 + 1);
            QCOMPARE(h.recorded.messages.back(), QStringLiteral("4 В устройство ничего не записано"));
            QVERIFY2(
                h.recorded.details.back().startsWith(QStringLiteral("Резервная копия настроек не сохранена")),
                qPrintable(h.recorded.details.back()));

            // The list's box: "Записать" is the default unless nothing would change.
            const auto changed = h.form->WritePreviewBox(zort::ChangesBetween(old, h.form->context.image));
            QCOMPARE(changed->defaultButton()->text(), TForm1::kWriteButton);
            QVERIFY(changed->informativeText().contains(QStringLiteral(" → +79004445566")));
            QCOMPARE(h.form->WritePreviewBox({})->defaultButton()->text(), QStringLiteral("Отмена"));
        }
        {
            zort::sim::FaultPlan plan;
            zort::sim::FaultRule rule;
            std::string error;
            QVERIFY(zort::sim::FaultRule::Parse("drop@1#5", rule, error));
            plan.rules.push_back(rule);
            Harness h(plan);
            h.form->SpeedButton4Click();
            QVERIFY(h.WaitIdle());
            QCOMPARE(h.recorded.messages, std::vector<QString>{"4 Ошибка во время чтения параметров"});
            QVERIFY(!h.form3->isVisible());
            QVERIFY(!h.form->context.port.IsOpen());
        }
    }

    void TheHistoryComparesBackupsWithTheTrackerAndRestoresOne() {
        using zort::HistoryWindow;
        Harness h;
        const auto ownerNow = [&h] {
            return QString::fromStdString(
                h.simulator.WithModel([](auto& m) { return m.ParameterText(0x08080460); }));
        };
        const QString original = ownerNow();
        h.form->SpeedButton4Click();
        QVERIFY(h.WaitIdle());
        // A write moments after a read asks the tracker only for its IMEI before it.
        int frames = h.simulator.FramesReceived();
        h.form->ui->Edit1->setText("+79001112233");
        h.form->SpeedButton3Click();
        QVERIFY(h.WaitIdle());
        QCOMPARE(h.simulator.FramesReceived(), frames + 1 + 25);
        QCOMPARE(ownerNow(), QStringLiteral("+79001112233"));

        // The write changed the tracker: the history reads it again to compare.
        frames = h.simulator.FramesReceived();
        h.form->ShowHistory();
        QVERIFY(h.WaitIdle());
        QCOMPARE(h.simulator.FramesReceived(), frames + 31);
        HistoryWindow* window = h.form->historyWindow;
        QVERIFY(window && window->isVisible());
        QVERIFY2(window->trackerLine->text().contains(QStringLiteral("IMEI 861234050123456")),
                 qPrintable(window->trackerLine->text()));
        QCOMPARE(window->list->rowCount(), 1);
        QCOMPARE(window->list->item(0, HistoryWindow::kReasonColumn)->text(),
                 QStringLiteral("запись настроек"));
        QCOMPARE(window->list->item(0, HistoryWindow::kDifferencesColumn)->text(), QStringLiteral("1"));
        QVERIFY2(window->differences->toPlainText().contains(
                     QStringLiteral("Номер телефона владельца: +79001112233 → ")),
                 qPrintable(window->differences->toPlainText()));

        // "Восстановить" is a write like the button's: listed, the state it replaces kept.
        // The backup has no owner's number: asked about as the write button asks.
        h.prompts->answer = true;
        window->restoreButton->click();
        QVERIFY(h.WaitIdle());
        QCOMPARE(h.recorded.prompts.size(), size_t{1});
        QVERIFY(h.recorded.prompts.front().startsWith(QStringLiteral("ask ")));
        QCOMPARE(ownerNow(), original);
        QCOMPARE(h.form->ui->Edit1->text(), QString());  // unset, not what was typed
        QVERIFY2(h.recorded.questions.back().startsWith(
                     QStringLiteral("write? Номер телефона владельца: +79001112233 → ")),
                 qPrintable(h.recorded.questions.back()));
        QCOMPARE(window->list->rowCount(), 2);
        QCOMPARE(window->list->item(0, HistoryWindow::kReasonColumn)->text(),
                 QStringLiteral("восстановление"));
        QCOMPARE(window->list->item(0, HistoryWindow::kDifferencesColumn)->text(), QStringLiteral("1"));
        QCOMPARE(window->list->item(1, HistoryWindow::kDifferencesColumn)->text(),
                 QStringLiteral("совпадает"));

        // Another tracker's backup is written only when the user says so.
        window->list->selectRow(0);
        QFile copy(QString::fromStdString(window->SelectedBackup().string()));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QByteArray text = copy.readAll();
        text.replace("861234050123456", "861234050999999");
        text.replace("+79001112233", "+79005550000");
        const QString foreign = TempPath(QStringLiteral("foreign.json"));
        QFile out(foreign);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(text) == text.size());
        out.close();
        frames = h.simulator.FramesReceived();
        h.form->RestoreBackup(foreign.toStdString());
        QVERIFY(h.WaitIdle());
        QVERIFY2(h.recorded.questions.back().contains(QStringLiteral("IMEI 861234050999999")),
                 qPrintable(h.recorded.questions.back()));
        QCOMPARE(ownerNow(), original);
        QCOMPARE(h.simulator.FramesReceived(), frames + 1);  // the IMEI, and no write frame
        // The pages kept the tracker's own IMEI, not the backup's.
        QCOMPARE(h.form->ui->Edit11->text(), QStringLiteral("861234050123456"));
        h.otherDeviceAnswer = true;
        h.form->RestoreBackup(foreign.toStdString());
        QVERIFY(h.WaitIdle());
        QCOMPARE(ownerNow(), QStringLiteral("+79005550000"));
        QFile::remove(foreign);
    }

    void TheFleetWindowSetsUpEachPluggedTrackerWhileHoldingTheChannel() {
        Harness h;
        h.form->ui->Edit1->setText("+79161234567");
        h.form->ui->Edit2->setText("4321");
        h.form->ShowFleet();
        zort::FleetWindow* fleet = h.form->fleetWindow;
        QVERIFY(fleet && fleet->isVisible());
        QStringList errors;
        fleet->showError = [&](const QString& text, const QString&) { errors << text; };
        fleet->namedPorts = {h.transport.SlavePath()};
        QTemporaryDir reports;
        fleet->reportFile->setText(reports.filePath(QStringLiteral("report.csv")));
        QVERIFY(fleet->Start());
        // The main window keeps off the channel meanwhile, and says why.
        QVERIFY(Harness::WaitFor([&] { return fleet->table->rowCount() == 1; }));
        QVERIFY(!h.form->ui->SpeedButton4->isEnabled());
        QCOMPARE(h.form->ui->Label36->text(), QStringLiteral("Порт занят: идёт групповая настройка"));
        QVERIFY(Harness::WaitFor(
            [&] { return !fleet->table->item(0, zort::FleetWindow::kResultColumn)->text().isEmpty(); }));
        QCOMPARE(fleet->table->item(0, zort::FleetWindow::kImeiColumn)->text(),
                 QStringLiteral("861234050123456"));
        QVERIFY2(
            fleet->table->item(0, zort::FleetWindow::kResultColumn)->text().startsWith("Изменено настроек"),
            qPrintable(fleet->table->item(0, zort::FleetWindow::kResultColumn)->text()));
        QCOMPARE(QString::fromStdString(
                     h.simulator.WithModel([](auto& m) { return m.ParameterText(0x08080480); })),
                 QStringLiteral("4321"));
        fleet->Stop();
        QVERIFY(Harness::WaitFor([&] { return !fleet->Running(); }));
        QVERIFY(h.form->ui->SpeedButton4->isEnabled());
        QVERIFY(errors.isEmpty());
        QFile report(reports.filePath(QStringLiteral("report.csv")));
        QVERIFY(report.open(QIODevice::ReadOnly));
        QCOMPARE(report.readAll().count('\n'), 2);  // the header and the tracker

        // A table the run cannot use is refused before anything starts.
        fleet->devicesFile->setText(TempPath(QStringLiteral("missing.csv")));
        QVERIFY(!fleet->Start());
        QCOMPARE(errors.size(), 1);
        QVERIFY(!h.form->context.portLease.Held());
    }

    void FirmwareUpdateMovesItsBarAndSucceeds() {
        zort::sim::FaultPlan plan;
        plan.replyDelayMs = 30;  // long enough for a rate to be measured
        Harness h(plan);
        h.form->context.timings.firmwareReplyMs = 4000;
        const QString path = Harness::FirmwareFile("fw.fmw", 3000);
        // Every value the bar takes, not samples of it: a fast update may pass between two.
        int highest = 0;
        QStringList texts;
        QObject::connect(h.form->ui->ProgressBar1, &QProgressBar::valueChanged, [&](int value) {
            highest = std::max(highest, value);
            texts << h.form->ui->ProgressBar1->text();
        });
        h.nextFile = path;
        h.form->SpeedButton6Click();
        QVERIFY(h.WaitIdle());
        QCOMPARE(h.recorded.messages, std::vector<QString>{"3 Прошивка успешно обновлена"});
        QVERIFY(!h.form->ui->ProgressBar1->isHidden());
        QCOMPARE(h.form->ui->ProgressBar1->maximum(), 3000);
        QCOMPARE(h.form->ui->ProgressBar1->value(), 0);
        QVERIFY(highest > 0);
        QCOMPARE(h.simulator.WithModel([](auto& m) { return m.FlashImage().size(); }), size_t{3000});
        // Percent, bytes and the time left while it runs; at the end, that it is done.
        const QRegularExpression running(
            QStringLiteral("^\\d+ %, [\\d ]+ из 3 000 байт, осталось \\d+:\\d\\d$"));
        QVERIFY2(!texts.filter(running).isEmpty(), qPrintable(texts.join(QLatin1Char('|'))));
        QCOMPARE(h.form->ui->ProgressBar1->text(), QStringLiteral("Прошивка обновлена"));
        QFile::remove(path);
    }

    void FailedFirmwareUpdateLeavesItsFailureOnTheBar() {
        // The erase is the first frame, the third block the fourth.
        Harness h(Plan("drop@*#4"));
        const QString path = Harness::FirmwareFile("failing.fmw", 3000);
        h.nextFile = path;
        h.form->SpeedButton6Click();
        QVERIFY(h.WaitIdle());
        QCOMPARE(h.recorded.messages, std::vector<QString>{"4 Ошибка во время записи прошивки"});
        QProgressBar* bar = h.form->ui->ProgressBar1;
        QCOMPARE(bar->text(), QStringLiteral("Ошибка во время записи прошивки"));
        QCOMPARE(bar->value(), 1024);  // where it stopped, not back at the start
        QVERIFY(bar->palette().color(QPalette::Highlight).red() > 0xA0);
        // The next run starts from a plain bar.
        h.simulator.SetPlan(zort::sim::FaultPlan{});
        h.recorded.messages.clear();
        h.form->SpeedButton6Click();
        QVERIFY(h.WaitIdle());
        QCOMPARE(h.recorded.messages, std::vector<QString>{"3 Прошивка успешно обновлена"});
        QCOMPARE(bar->text(), QStringLiteral("Прошивка обновлена"));
        QCOMPARE(bar->palette().color(QPalette::Highlight), QPalette().color(QPalette::Highlight));
        QFile::remove(path);
    }

    void CommandFileForTestModeIsThreeBytes() {
        Harness h;
        const QString path = TempPath("command");
        h.nextFile = path;
        h.form2->ui->ComboBox1->setCurrentIndex(1);
        h.form2->show();
        h.form->SaveCommandFile();
        QFile file(path + ".cfg");
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\x02\x01\x02", 3));
        QVERIFY(!h.form2->isVisible());
        file.remove();
    }

    void EveryUseOfTheImageWaitsForItsLock() {
        // A worker copying a reply into the image holds the lock meanwhile. A handler that
        // used the image without it would race that copy (the thread sanitizer shows it)
        // and be done before the copy is.
        struct Case {
            const char* name;
            std::function<void(Harness&)> click;
        };
        const QString path = TempPath("locked.cfg");
        const std::vector<Case> cases = {
            {"write", [](Harness& h) { h.form->SpeedButton3Click(); }},
            {"save to a file",
             [&](Harness& h) {
                 h.nextFile = path;
                 h.form->SpeedButton2Click();
             }},
            {"load from a file",
             [&](Harness& h) {
                 h.nextFile = path;
                 h.form->SpeedButton1Click();
             }},
            {"defaults", [](Harness& h) { h.form->SpeedButton5Click(); }},
            {"show", [](Harness& h) { h.form->ShowImage(true); }},
        };
        for (const Case& c : cases) {
            Harness h;
            h.form->ui->Edit1->setText("+79001112233");
            std::atomic<bool> held{false};
            std::chrono::steady_clock::time_point released;
            std::thread copier([&] {
                std::lock_guard lock(h.form->context.imageMutex);
                held = true;
                // After `held`: nothing orders this write before the handler's use.
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                h.form->context.image.SetText(0, "+79001112233");
                released = std::chrono::steady_clock::now();
            });
            while (!held) std::this_thread::yield();
            c.click(h);
            const auto handled = std::chrono::steady_clock::now();
            copier.join();
            QVERIFY2(handled >= released, c.name);
            QVERIFY2(h.WaitIdle(), c.name);
            QVERIFY2(h.recorded.prompts.empty(), c.name);
        }
        QFile::remove(path);
    }

    void WhileOneOperationHoldsThePortNoOtherOpensIt() {
        struct Case {
            const char* name;
            std::function<void(Harness&)> start;
            QString busy;
            std::vector<QString> outcome;
        };
        const QString firmware = Harness::FirmwareFile("held.fmw", 3000);
        const std::vector<Case> cases = {
            {"tracker firmware",
             [&](Harness& h) {
                 h.nextFile = firmware;
                 h.form->SpeedButton6Click();
             },
             "Порт занят: идёт обновление прошивки устройства",
             {"3 Прошивка успешно обновлена"}},
            {"read", [](Harness& h) { h.form->SpeedButton4Click(); }, "Порт занят: идёт чтение настроек", {}},
        };
        for (const Case& c : cases) {
            Harness h(Plan(nullptr, 150));
            h.form->context.timings.settingsReplyMs = 4000;
            h.form->context.timings.firmwareReplyMs = 4000;
            h.form->ui->Edit1->setText("+79001112233");
            h.form->show();
            h.form->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(h.form));
            c.start(h);
            QVERIFY2(Harness::WaitFor([&] { return h.simulator.FramesReceived() >= 2; }), c.name);
            QCOMPARE(h.form->ui->Label36->text(), c.busy);
            for (QWidget* action : std::initializer_list<QWidget*>{
                     h.form->ui->SpeedButton3, h.form->ui->SpeedButton4, h.form->ui->SpeedButton6,
                     h.form5->ui->Button1, h.form5->ui->Button4, h.form5->ui->Button7,
                     h.form5->ui->CheckBox1}) {
                QVERIFY2(!action->isEnabled(), qPrintable(action->objectName()));
            }
            // What a disabled button cannot start, a shortcut or a call may try.
            QTest::keyClick(h.form, Qt::Key_F5);
            QTest::keyClick(h.form, Qt::Key_F6);
            h.nextFile = firmware;
            h.form->SpeedButton6Click();
            h.form->SpeedButton4Click();
            h.form5->Button4Click();
            h.form5->ui->CheckBox1->setChecked(true);
            QVERIFY2(!h.form5->ui->CheckBox1->isChecked(), c.name);
            QVERIFY2(h.form5->ui->Memo1->toPlainText().startsWith(c.busy), c.name);
            QVERIFY2(h.WaitIdle(), c.name);
            QCOMPARE(h.recorded.messages, c.outcome);
            QVERIFY2(h.recorded.prompts.empty(), c.name);
            QVERIFY(h.form->ui->Label36->text().isEmpty());
            QVERIFY(h.form->ui->SpeedButton4->isEnabled() && h.form5->ui->Button1->isEnabled());
            QVERIFY(h.form5->ui->CheckBox1->isEnabled());
        }
        QFile::remove(firmware);
    }

    void ClosingAsksOnlyWhileAnUpdateRuns() {
        struct Case {
            const char* name;
            bool update;
            QMessageBox::StandardButton answer;  // pressed on the real box
            bool closes;
        };
        const Case cases[] = {
            {"update, kept", true, QMessageBox::No, false},
            {"update, stopped", true, QMessageBox::Yes, true},
            {"read", false, QMessageBox::No, true},
        };
        const QString firmware = Harness::FirmwareFile("closing.fmw", 3000);
        for (const Case& c : cases) {
            Harness h(Plan(nullptr, 150));
            h.form->context.timings.settingsReplyMs = 4000;
            h.form->context.timings.firmwareReplyMs = 4000;
            h.form->confirmClose = h.defaultConfirmClose;
            h.form->show();
            h.nextFile = firmware;
            if (c.update) {
                h.form->SpeedButton6Click();
            } else {
                h.form->SpeedButton4Click();
            }
            QVERIFY2(Harness::WaitFor([&] { return h.simulator.FramesReceived() >= 2; }), c.name);
            zort::test::BoxAnswers answers(c.answer);
            QElapsedTimer t;
            t.start();
            h.form->close();
            if (c.update) {
                QCOMPARE(answers.texts,
                         QStringList{"Прервать обновление? Устройство останется без программы"});
                QCOMPARE(answers.titles, QStringList{"Конфигуратор"});
                QCOMPARE(QString(answers.defaults.value(0)).remove(QLatin1Char('&')), QStringLiteral("Нет"));
            } else {
                QVERIFY2(answers.texts.isEmpty(), c.name);
                QVERIFY2(t.elapsed() < 1000, c.name);
            }
            QCOMPARE(h.form->isVisible(), !c.closes);
            if (c.closes) {
                QVERIFY2(!h.form->context.AnyRunning(), c.name);
                QVERIFY2(h.recorded.messages.empty(), c.name);
                continue;
            }
            QVERIFY(h.WaitIdle());
            QCOMPARE(h.recorded.messages, std::vector<QString>{"3 Прошивка успешно обновлена"});
            QCOMPARE(h.simulator.WithModel([](auto& m) { return m.FlashImage().size(); }), size_t{3000});
        }
        QFile::remove(firmware);
    }

    void ProgressWindowSaysTheStepAndItsCancelStopsTheRun() {
        struct Case {
            const char* name;
            void (TForm1::*click)();
            QString step;  // a pattern
            QString message;
            int allFrames;
        };
        const Case cases[] = {
            {"read", &TForm1::SpeedButton4Click, "^Чтение настроек: (\\d+) из 30$",
             "3 Чтение настроек отменено", 31},
            {"write", &TForm1::SpeedButton3Click, "^Запись настроек: (\\d+) из 25$",
             "4 Запись настроек отменена", 31 + 25},  // the read before the write, then the write
        };
        for (const Case& c : cases) {
            Harness h(Plan(nullptr, 60));
            h.form->context.timings.settingsReplyMs = 4000;
            h.form->ui->Edit1->setText("+79001112233");
            h.form->show();
            (h.form->*c.click)();
            const QRegularExpression step(c.step);
            QVERIFY2(Harness::WaitFor([&] {
                         return h.form3->isVisible() && step.match(h.form3->ui->Label1->text()).hasMatch();
                     }),
                     qPrintable(h.form3->ui->Label1->text()));
            QCOMPARE(h.form3->windowTitle(), step.pattern().mid(1, 15));
            QTest::mouseClick(h.form3->ui->Button1, Qt::LeftButton);
            QVERIFY(h.WaitIdle());
            QCOMPARE(h.recorded.messages, std::vector<QString>{c.message});
            QVERIFY2(h.simulator.FramesReceived() < c.allFrames, c.name);
            QVERIFY(!h.form3->isVisible());
            if (c.click == &TForm1::SpeedButton3Click) {
                QVERIFY2(h.recorded.details.front().startsWith(QStringLiteral("Уже записаны (")) &&
                             h.recorded.details.front().contains(QStringLiteral("Номер телефона владельца")),
                         qPrintable(h.recorded.details.front()));
            }
            // The next run has its "Отмена" back.
            h.recorded.messages.clear();
            (h.form->*c.click)();
            QVERIFY(Harness::WaitFor([&] { return h.form3->isVisible(); }));
            QVERIFY(h.form3->ui->Button1->isEnabled());
            QVERIFY(h.WaitIdle());
        }
    }

    // The search for trackers, as at a newcomer's start: the demo is offered at once and
    // labelled, a tracker plugged in is found, labelled and chosen, and its path, not its
    // label, is what a read opens. Pulled out, it stays chosen and the line says so.
    void TheSearchOffersTheDemoThenChoosesAPluggedTracker() {
        Harness h;
        h.form->ui->CheckBox1->setChecked(true);  // the Harness named its port
        QVERIFY(h.app->StartDemo());
        const QString demo = h.app->DemoPort();
        QCOMPARE(h.form->ui->ComboBox12->currentText(), QStringLiteral("Демо-трекер (встроенный)"));
        QCOMPARE(h.form->SelectedPort(), demo.toStdString());
        h.app->StartPortSearch();
        QVERIFY(Harness::WaitFor([&] { return !h.form->ui->LabelConnection->text().isEmpty(); }, 3000));
        QCOMPARE(h.form->ui->LabelConnection->text(),
                 QStringLiteral("Подключено: ЗОРТ Z410 №004217\nПО Z410 2.14\nIMEI 861234050123456"));
        QCOMPARE(h.form->SelectedPort(), demo.toStdString());

        const QString path = QString::fromStdString(h.transport.SlavePath());
        QElapsedTimer plugged;
        plugged.start();
        h.app->portFinder->Announce(path.toStdString());
        QVERIFY(Harness::WaitFor([&] { return h.form->SelectedPort() == path.toStdString(); }, 2000));
        qInfo("a plugged tracker was chosen after %lld ms", static_cast<long long>(plugged.elapsed()));
        QCOMPARE(h.form->ui->ComboBox12->currentText(),
                 path + QStringLiteral(" — ЗОРТ Z410 №004217 · IMEI 861234050123456"));
        QVERIFY(Harness::WaitFor([&] { return h.form->ui->SpeedButton4->isEnabled(); }));
        h.form->SpeedButton4Click();
        QVERIFY(h.WaitIdle());
        QCOMPARE(h.simulator.FramesReceived(), 3 + 31);  // the probe's three reads, then the read
        QVERIFY(h.recorded.messages.empty());

        // A second tracker is labelled but chosen for nobody: which one is the user's call.
        zort::sim::TrackerSimulator otherSimulator;
        zort::sim::PtyTransport other(otherSimulator);
        std::string error;
        QVERIFY(other.Start(error));
        h.app->portFinder->Announce(other.SlavePath());
        const auto labelOf = [&](const std::string& port) {
            const int index = h.form->ui->ComboBox12->findData(QString::fromStdString(port));
            return index < 0 ? QString() : h.form->ui->ComboBox12->itemText(index);
        };
        QVERIFY(Harness::WaitFor([&] { return labelOf(other.SlavePath()).contains(QStringLiteral("IMEI")); },
                                 2000));
        QCOMPARE(h.form->SelectedPort(), path.toStdString());

        h.app->portFinder->Withdraw(path.toStdString());
        QVERIFY(Harness::WaitFor(
            [&] { return h.form->ui->LabelConnection->text() == QStringLiteral("Устройство отключено"); },
            2000));
        QCOMPARE(h.form->ui->ComboBox12->currentText(), path + QStringLiteral(" (отключен)"));
        // Listing again keeps what the search found.
        h.form->Button8Click();
        QVERIFY(labelOf(other.SlavePath()).contains(QStringLiteral("IMEI")));
    }

    // A message that says the tracker could not be reached offers the doctor; the doctor
    // waits for the failed operation to give the port back and checks the port chosen.
    void AFailedConnectionOffersTheDoctorsChecks() {
        Harness h;
        QVERIFY(h.form->MessageBox(zort::kStatusSuccess, QStringLiteral("Настройки успешно записаны"), {})
                    ->buttons()
                    .size() == 1);
        h.form->showMessage = h.defaultShowMessage;
        h.form->show();
        h.form->ui->ComboBox12->setEditText(QStringLiteral("/dev/ttyUSB-zort-absent"));
        {
            zort::test::BoxAnswers answers(TForm1::kDiagnoseButton);
            h.form->SpeedButton4Click();
            QVERIFY(
                Harness::WaitFor([&] { return h.form->doctorWindow && !h.form->doctorWindow->Checking(); }));
            QCOMPARE(answers.texts, QStringList{QStringLiteral("Устройство не подключено")});
            QVERIFY(answers.buttonTexts.contains(TForm1::kDiagnoseButton));
        }
        zort::DoctorWindow* doctor = h.form->doctorWindow;
        QVERIFY(doctor->isVisible());
        QCOMPARE(doctor->Results().front().name, std::string("port"));
        QCOMPARE(doctor->Results().front().status, zort::CheckStatus::kProblem);
        QVERIFY(doctor->lines->toPlainText().contains(QStringLiteral("/dev/ttyUSB-zort-absent")));
        QVERIFY(doctor->copyButton->isEnabled());
        doctor->copyButton->click();
        QCOMPARE(QApplication::clipboard()->text(), doctor->Commands());
        QVERIFY(doctor->Commands().startsWith(QStringLiteral("# ")));

        // On the tracker's own port every check passes and there is nothing to copy.
        h.form->ui->ComboBox12->setCurrentIndex(0);
        QCOMPARE(h.form->SelectedPort(), h.transport.SlavePath());
        h.form->ShowDiagnostics();
        QVERIFY(Harness::WaitFor([&] { return h.form->doctorWindow && !h.form->doctorWindow->Checking(); }));
        doctor = h.form->doctorWindow;
        QVERIFY(!zort::AnyProblem(doctor->Results()));
        QCOMPARE(doctor->Results().back().line,
                 std::string("трекер отвечает: ЗОРТ Z410 №004217, ПО Z410 2.14, IMEI 861234050123456"));
        QVERIFY(!doctor->copyButton->isEnabled());
        QVERIFY(h.form->ui->SpeedButton4->isEnabled());  // the port is free again
    }

    void ClosingDuringAReadEndsQuietlyAndQuickly() {
        zort::sim::FaultPlan plan;
        plan.replyDelayMs = 200;
        Harness h(plan);
        h.form->context.timings.settingsReplyMs = 4000;
        h.form->show();
        h.form->SpeedButton4Click();
        QTest::qWait(300);
        QVERIFY(h.form->context.AnyRunning());
        QElapsedTimer t;
        t.start();
        h.form->close();
        QVERIFY(t.elapsed() < 1000);
        QVERIFY(!h.form->context.AnyRunning());
        QVERIFY(h.recorded.messages.empty());  // the read's failure shows no box after the window went
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    zort::PrepareApplication(app);
    DeviceActionsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DeviceActionsTest.moc"
