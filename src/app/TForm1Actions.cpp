// The main window's actions: port list, settings read and write, defaults, settings
// files, the command file and the tracker's firmware update. All checking lives in the
// core; these handlers only move values, ask for file names and start workers.

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>

#include "app/DoctorWindow.h"
#include "app/PagesBinding.h"
#include "app/PortBox.h"
#include "app/QtPrompts.h"
#include "app/QtSinks.h"
#include "app/TForm1.h"
#include "app/TForm2.h"
#include "app/TForm4.h"
#include "app/TForm5.h"
#include "firmware/MCUpdateThread.h"
#include "history/BackupStore.h"
#include "link/PortList.h"
#include "service/ServiceProfile.h"
#include "settings/CommandRecord.h"
#include "settings/ConfigRecord.h"
#include "settings/RWSettingsThread.h"
#include "settings/SettingTable.h"
#include "settings/SettingsBinding.h"
#include "settings/SettingsDefaults.h"
#include "ui_TForm1.h"
#include "ui_TForm2.h"
#include "worker/DeviceContext.h"

namespace zort {
namespace {

// The port did not open, or the tracker behind it did not answer.
bool IsConnectionFailure(const QString& text) {
    for (const char* failure : {kDeviceNotConnected, kReadFailed, kWriteFailed}) {
        if (text == QString::fromUtf8(failure)) return true;
    }
    return false;
}

}  // namespace

std::unique_ptr<QMessageBox> TForm1::MessageBox(int statusKind, const QString& text, const QString& detail) {
    auto box = std::make_unique<QMessageBox>(
        statusKind == kStatusSuccess ? QMessageBox::Information : QMessageBox::Warning,
        QStringLiteral("Конфигуратор"), text, QMessageBox::Ok, this);
    if (!detail.isEmpty()) box->setInformativeText(detail);
    if (statusKind == kStatusError && IsConnectionFailure(text))
        box->addButton(kDiagnoseButton, QMessageBox::ActionRole);
    return box;
}

void TForm1::ShowOperationMessage(int statusKind, const QString& text, const QString& detail) {
    if (statusKind != kStatusSuccess && statusKind != kStatusError) return;
    const std::unique_ptr<QMessageBox> box = MessageBox(statusKind, text, detail);
    box->exec();
    const QAbstractButton* clicked = box->clickedButton();
    // After the box: the operation that failed still holds the port until it is closed.
    if (clicked && clicked->text() == kDiagnoseButton) QTimer::singleShot(0, this, &TForm1::ShowDiagnostics);
}

void TForm1::ShowDiagnostics() {
    DoctorOptions options;
    options.port = SelectedPort();
    if (doctorWindow) doctorWindow->deleteLater();
    doctorWindow = new DoctorWindow(
        context.portLease, options, [this] { RefreshPortActions(); }, this);
    doctorWindow->setAttribute(Qt::WA_DeleteOnClose);
    doctorWindow->show();
    doctorWindow->Check();
}

void TForm1::InitActions() {
    settingsSink = std::make_unique<SettingsSink>(*this);
    firmwareSink = std::make_unique<FirmwareSink>(*this);
    prompts = std::make_unique<QtPrompts>(*this);
    showMessage = [this](int statusKind, const QString& text, const QString& detail) {
        ShowOperationMessage(statusKind, text, detail);
    };
    confirmClose = [this](const QString& question) { return AskAbortUpdate(question); };
    confirmWrite = [this](const std::vector<SettingChange>& changes) {
        const std::unique_ptr<QMessageBox> box = WritePreviewBox(changes);
        box->exec();
        return box->clickedButton() != nullptr && box->clickedButton()->text() == kWriteButton;
    };
    backupRoot = DefaultBackupRoot();
    confirmOtherDevice = [this](const QString& question) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Конфигуратор"), question,
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    };
    askOpenFile = [this](const QString& caption, const QString& folder, const QString& filter) {
        return QFileDialog::getOpenFileName(this, caption, folder, filter);
    };
    askSaveFile = [this](const QString& caption, const QString& defaultPath, const QString& filter) {
        return QFileDialog::getSaveFileName(this, caption, defaultPath, filter);
    };
    confirmDefaults = [this](const QString& question) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Конфигуратор"), question,
                        QMessageBox::Yes | QMessageBox::No, this);
        box.setDefaultButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
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

void TForm1::Button8Click() {
    // The simulated tracker is offered last, and chosen only when no tracker is there.
    portBox->SetDemoPort(demoPort.toStdString());
    portBox->List(ListSerialPorts(), preferredPort);
    if (searchAgain) searchAgain();
}

bool TForm1::StartWorker(std::unique_ptr<Worker> worker) {
    context.SetPortName(SelectedPort());
    // One of its kind is already running, or the channel was taken meanwhile.
    const bool started = worker->Start();
    if (started) context.Adopt(std::move(worker));
    RefreshPortActions();
    return started;
}

void TForm1::SpeedButton4Click() {
    if (!ReadStarts()) return;
    auto worker = std::make_unique<RWSettingsThread>(context, *settingsSink);
    worker->mode = kModeReadSettings;
    RWSettingsThread* started = worker.get();
    if (StartWorker(std::move(worker))) settingsWorker = started;
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

void TForm1::SpeedButton5Click() {
    if (!confirmDefaults(
            QStringLiteral("Заменить настройки на странице заводскими? Сведения об устройстве останутся")))
        return;
    ApplyDefaults();
}

void TForm1::ApplyDefaults() {
    SettingsPages pages;
    ControlsToModel(*this, pages);
    {
        std::lock_guard lock(context.imageMutex);
        const SettingsImage before = context.image;
        RestoreDefaults(context.image, pages);
        // The version, IMEI and the rest the tracker reports about itself are no settings.
        for (const slot::Name kept : {slot::kImei, slot::kSoftwareVersion, slot::kBootloaderVersion,
                                      slot::kDeviceInfo, slot::kDeviceIdentity}) {
            context.image.Slot(kept) = before.Slot(kept);
        }
        const std::string typedOwner = pages.Edit1;
        ImageToControls(context.image, pages);
        pages.Edit1 = typedOwner;
    }
    ModelToControls(pages, *this);
}

QString TForm1::StartFolder() const {
    const QString last =
        profile ? QString::fromStdString(profile->Read(kConfigSection, kKeyLastFolder)) : QString();
    return !last.isEmpty() && QDir(last).exists() ? last : QDir::homePath();
}

void TForm1::RememberFolder(const QString& file) {
    // A profile that cannot be written only costs the next dialog its folder.
    if (profile && !file.isEmpty())
        profile->Write(kConfigSection, kKeyLastFolder, QFileInfo(file).absolutePath().toStdString());
}

QString TForm1::OpenFileName(const QString& caption, const QString& filter) {
    const QString name = askOpenFile(caption, StartFolder(), filter + QStringLiteral(";;Все файлы (*)"));
    RememberFolder(name);
    return name;
}

QString TForm1::SaveFileName(const QString& caption, std::string_view defaultName, const QString& filter) {
    const QString start =
        QDir(StartFolder())
            .filePath(QString::fromUtf8(defaultName.data(), static_cast<qsizetype>(defaultName.size())));
    const QString name = askSaveFile(caption, start, filter + QStringLiteral(";;Все файлы (*)"));
    RememberFolder(name);
    return name;
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
    // A read or a file filled the summary: its entry can be opened now.
    ui->Label9->setEnabled(true);
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
    const QString name = OpenFileName(QStringLiteral("Загрузить настройки из файла"),
                                      QStringLiteral("Файл конфигурации (*.cfg)"));
    if (name.isEmpty()) return;
    LoadSettingsFile(name);
}

void TForm1::LoadSettingsFile(const QString& name) {
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
    const QString name = SaveFileName(QStringLiteral("Сохранить настройки в файл"), kDefaultConfigFileName,
                                      QStringLiteral("Файл конфигурации (*.cfg)"));
    if (name.isEmpty()) return;
    const FileResult result = SaveConfigFile(name.toStdString(), staged);
    if (!result) ShowFileError(QString::fromStdString(result.error));
}

void TForm1::SaveCommandFile() {
    if (form2 == nullptr) return;
    const QString name = SaveFileName(QStringLiteral("Создать команду WIALON"), kDefaultCommandFileName,
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
    if (RefusedWhileBusy()) return;
    QString name = OpenFileName(QStringLiteral("Обновить программное обеспечение"),
                                QStringLiteral("Файл прошивки (*.fmw)"));
    if (name.isEmpty()) return;
    name = QString::fromStdString(FirmwareFileName(name.toStdString()));
    if (context.firmwareThread.Busy() || RefusedWhileBusy()) return;
    auto worker = std::make_unique<MCUpdateThread>(context, *firmwareSink);
    worker->firmwarePath = name.toStdString();
    if (!StartWorker(std::move(worker))) return;
    // A new run: the bar leaves the last one's ending behind.
    ui->ProgressBar1->setPalette(QPalette());
    ui->ProgressBar1->setValue(0);
    ui->ProgressBar1->setFormat(QString());
    firmwareClock.start();
}

void TForm1::SpeedButton8Click() {
    if (form4) form4->Open();
}

}  // namespace zort
