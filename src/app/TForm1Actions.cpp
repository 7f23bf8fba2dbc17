// The main window's actions: port list, settings read and write, defaults, settings
// files, the command file and the tracker's firmware update. All checking lives in the
// core; these handlers only move values, ask for file names and start workers.

#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QRadioButton>
#include <QTableWidget>
#include <QThread>

#include "app/PagesBinding.h"
#include "app/QtPrompts.h"
#include "app/QtSinks.h"
#include "app/TForm1.h"
#include "app/TForm2.h"
#include "app/TForm4.h"
#include "app/TForm5.h"
#include "firmware/MCUpdateThread.h"
#include "link/PortList.h"
#include "settings/CommandRecord.h"
#include "settings/ConfigRecord.h"
#include "settings/RWSettingsThread.h"
#include "settings/SettingsBinding.h"
#include "settings/SettingsDefaults.h"
#include "ui_TForm1.h"
#include "ui_TForm2.h"
#include "worker/DeviceContext.h"

namespace zort {
namespace {

void DefaultShowMessage(int statusKind, const QString& text, const QString& detail) {
    if (statusKind != kStatusSuccess && statusKind != kStatusError) return;
    QMessageBox box(statusKind == kStatusSuccess ? QMessageBox::Information : QMessageBox::Warning,
                    QStringLiteral("Конфигуратор"), text, QMessageBox::Ok);
    if (!detail.isEmpty()) box.setInformativeText(detail);
    box.exec();
}

}  // namespace

void TForm1::InitActions() {
    settingsSink = std::make_unique<SettingsSink>(*this);
    firmwareSink = std::make_unique<FirmwareSink>(*this);
    prompts = std::make_unique<QtPrompts>(*this);
    showMessage = DefaultShowMessage;
    askOpenFile = [this](const QString& caption, const QString& filter) {
        return QFileDialog::getOpenFileName(this, caption, QString(), filter);
    };
    askSaveFile = [this](const QString& caption, const QString& defaultName, const QString& filter) {
        return QFileDialog::getSaveFileName(this, caption, defaultName, filter);
    };
    // The explicit balance code can be typed only while it is the chosen way.
    connect(ui->RadioButton7, &QRadioButton::toggled, ui->Edit4, &QLineEdit::setEnabled);
}

TForm1::~TForm1() {
    // Workers still running (a window destroyed without closing) end before the
    // objects they report into go away.
    settingsSink->Detach();
    firmwareSink->Detach();
    context.CancelAndJoinAll();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // No box may appear once the window is gone, and a worker waiting for the main
    // thread must not wait for ever: detach the reports, make every wait on the
    // channel fail at once, and let queued calls run until the workers have returned.
    settingsSink->Detach();
    firmwareSink->Detach();
    // The service window's workers and its relay run on this window's channel.
    if (form4) form4->hide();
    if (form5) form5->Shutdown();
    context.port.Cancel();
    QElapsedTimer waited;
    waited.start();
    while (context.AnyRunning() && waited.elapsed() < 3000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    context.CancelAndJoinAll();
    event->accept();
}

void TForm1::Button8Click() {
    ui->ComboBox12->clear();
    for (const std::string& port : ListSerialPorts()) ui->ComboBox12->addItem(QString::fromStdString(port));
    // The simulated tracker is offered last, and chosen only when no tracker is there.
    if (!demoPort.isEmpty()) ui->ComboBox12->addItem(demoPort);
    if (ui->ComboBox12->count() > 0) ui->ComboBox12->setCurrentIndex(0);
    if (!preferredPort.isEmpty()) PreferPort(preferredPort);
}

void TForm1::StartWorker(std::unique_ptr<Worker> worker) {
    context.SetPortName(ui->ComboBox12->currentText().trimmed().toStdString());
    if (!worker->Start()) return;  // one of its kind is already running
    context.Adopt(std::move(worker));
}

void TForm1::SpeedButton4Click() {
    if (context.settingsThread.Busy()) return;
    auto worker = std::make_unique<RWSettingsThread>(context, *settingsSink);
    worker->mode = kModeReadSettings;
    StartWorker(std::move(worker));
}

bool TForm1::PagesToImage(SettingsImage& staged) {
    SettingsPages pages;
    ControlsToModel(*this, pages);
    // The checks may ask the user. A box runs a nested event loop, where a worker's
    // blocking call into this thread (a read showing its image) would take the lock
    // again; so the checks work on a copy and the lock is held only to copy.
    {
        std::lock_guard lock(context.imageMutex);
        staged = context.image;
    }
    const bool valid = ControlsToImage(pages, staged, *prompts);
    ModelToControls(pages, *this);
    if (!valid) return false;
    std::lock_guard lock(context.imageMutex);
    context.image = staged;
    return true;
}

void TForm1::SpeedButton3Click() {
    if (context.settingsThread.Busy()) return;
    SettingsImage staged;
    if (!PagesToImage(staged)) return;
    auto worker = std::make_unique<RWSettingsThread>(context, *settingsSink);
    worker->mode = kModeWriteSettings;
    StartWorker(std::move(worker));
}

void TForm1::SpeedButton5Click() {
    SettingsPages pages;
    ControlsToModel(*this, pages);
    {
        std::lock_guard lock(context.imageMutex);
        RestoreDefaults(context.image, pages);
    }
    ModelToControls(pages, *this);
}

void TForm1::ShowImage(bool refreshSummary) {
    SettingsPages pages;
    ControlsToModel(*this, pages);
    {
        std::lock_guard lock(context.imageMutex);
        ImageToControls(context.image, pages);
        if (refreshSummary) RefreshSummaryTable(context.image, summary);
    }
    ModelToControls(pages, *this);
    if (!refreshSummary) return;
    for (int row = 0; row < kSummaryRows; ++row) {
        for (int column = 0; column < 2; ++column) {
            QTableWidgetItem* cell = ui->StringGrid1->item(row, column);
            if (cell == nullptr) {
                cell = new QTableWidgetItem;
                ui->StringGrid1->setItem(row, column, cell);
            }
            cell->setText(
                QString::fromStdString(summary[static_cast<size_t>(row)][static_cast<size_t>(column)]));
        }
    }
}

void TForm1::ShowFileError(const QString& text) {
    // File errors carry the title "Ошибка" and no icon.
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(kFileErrorTitle.data(), kFileErrorTitle.size()),
                    text, QMessageBox::Ok, this);
    box.exec();
}

void TForm1::SpeedButton1Click() {
    const QString name = askOpenFile(QStringLiteral("Загрузить настройки из файла"),
                                     QStringLiteral("Файл конфигурации (*.cfg)"));
    if (name.isEmpty()) return;
    FileResult result;
    {
        std::lock_guard lock(context.imageMutex);
        result = LoadConfigFile(name.toStdString(), context.image);
    }
    if (!result) {
        ShowFileError(QString::fromStdString(result.error));
        return;
    }
    ShowImage(true);
}

void TForm1::SpeedButton2Click() {
    SettingsImage staged;
    if (!PagesToImage(staged)) return;
    const QString name =
        askSaveFile(QStringLiteral("Сохранить настройки в файл"),
                    QString::fromUtf8(kDefaultConfigFileName.data(), kDefaultConfigFileName.size()),
                    QStringLiteral("Файл конфигурации (*.cfg)"));
    if (name.isEmpty()) return;
    const FileResult result = SaveConfigFile(name.toStdString(), staged);
    if (!result) ShowFileError(QString::fromStdString(result.error));
}

void TForm1::SaveCommandFile() {
    if (form2 == nullptr) return;
    const QString name =
        askSaveFile(QStringLiteral("Создать команду WIALON"),
                    QString::fromUtf8(kDefaultCommandFileName.data(), kDefaultCommandFileName.size()),
                    QStringLiteral("Команда WIALON (*.cfg)"));
    if (name.isEmpty()) return;
    const FileResult result = zort::SaveCommandFile(
        name.toStdString(), CommandRecord::FromChoice(form2->ui->ComboBox1->currentIndex()));
    if (!result) {
        ShowFileError(QString::fromStdString(result.error));
        return;
    }
    form2->hide();
}

void TForm1::SpeedButton6Click() {
    QString name = askOpenFile(QStringLiteral("Обновить программное обеспечение"),
                               QStringLiteral("Файл прошивки (*.fmw)"));
    if (name.isEmpty()) return;
    name = QString::fromStdString(FirmwareFileName(name.toStdString()));
    if (context.firmwareThread.Busy()) return;
    auto worker = std::make_unique<MCUpdateThread>(context, *firmwareSink);
    worker->firmwarePath = name.toStdString();
    StartWorker(std::move(worker));
}

void TForm1::SpeedButton8Click() {
    if (form4) form4->Open();
}

}  // namespace zort
