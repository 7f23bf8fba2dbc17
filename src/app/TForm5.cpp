#include "app/TForm5.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTextBlock>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include "app/ServiceSinks.h"
#include "app/TForm1.h"
#include "service/NmeaRelay.h"
#include "service/ServiceProfile.h"
#include "service/ServiceThread.h"
#include "service/ShowNMEAThread.h"
#include "ui_TForm1.h"
#include "ui_TForm5.h"
#include "worker/DeviceContext.h"

namespace zort {
namespace {

// A worker that must end is cut off from the channel, so it returns within its next
// wait; this is only the bound for one stuck in a file system call.
constexpr int kShutdownWaitMs = 5000;

// File names as the system spells them; the core takes them as bytes.
std::string FileName(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

// Shows `text` from its end: a long path keeps its file name in view.
void SetField(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    edit->setCursorPosition(static_cast<int>(text.size()));
    edit->deselect();
}

}  // namespace

TForm5::TForm5(TForm1& mainWindow, IniProfile profile)
    : ui(std::make_unique<Ui::TForm5>()),
      mainWindow(mainWindow),
      context(mainWindow.context),
      profile(std::move(profile)) {
    ui->setupUi(this);
    setObjectName(QStringLiteral("Form5"));
    // A side window: closing the main window must still end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    resize(kClientWidth, kClientHeight);
    setMinimumSize(minimumSizeHint());

    // NMEA sentences and modem answers line up in a fixed-pitch font, one to a line
    // however long: a sentence broken over two lines no longer lines up with the others.
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setPixelSize(font().pixelSize());
    ui->Memo1->setFont(mono);
    ui->Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    for (QLabel* hint : {ui->Label5, ui->Label6, ui->Label7, ui->Label8}) {
        QPalette palette = hint->palette();
        palette.setColor(QPalette::WindowText, QColor(0x5A, 0x5A, 0x5E));
        hint->setPalette(palette);
    }

    serviceSink = std::make_unique<ServiceSink>(*this);
    gnssSink = std::make_unique<GnssUpdateSink>(*this);
    relay = std::make_unique<NmeaRelay>(context, *serviceSink);
    gnssDelay = new QTimer(this);
    gnssDelay->setSingleShot(true);
    gnssDelay->setInterval(kGnssSettleMs);
    // A coarse timer may fire a little early; the wait is a minimum.
    gnssDelay->setTimerType(Qt::PreciseTimer);
    connect(gnssDelay, &QTimer::timeout, this, &TForm5::StartGnssUpdate);

    showMessage = [this](int statusKind, const QString& text, const QString& detail) {
        if (this->mainWindow.showMessage) this->mainWindow.showMessage(statusKind, text, detail);
    };
    askFolder = [this](const QString& caption, const QString& start) {
        return QFileDialog::getExistingDirectory(this, caption, start);
    };
    askOpenFile = [this](const QString& caption, const QString& start) {
        return QFileDialog::getOpenFileName(this, caption, start);
    };

    FormCreate();

    connect(ui->Button1, &QPushButton::clicked, this, &TForm5::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &TForm5::Button2Click);
    connect(ui->Button3, &QPushButton::clicked, this, &TForm5::Button3Click);
    connect(ui->Button4, &QPushButton::clicked, this, &TForm5::Button4Click);
    connect(ui->Button5, &QPushButton::clicked, this, &TForm5::Button5Click);
    connect(ui->Button6, &QPushButton::clicked, this, &TForm5::Button6Click);
    connect(ui->Button7, &QPushButton::clicked, this, &TForm5::Button7Click);
    connect(ui->Button8, &QToolButton::clicked, this, &TForm5::Button8Click);
    connect(ui->Button9, &QToolButton::clicked, this, &TForm5::Button9Click);
    connect(ui->Button10, &QPushButton::clicked, this, &TForm5::Button10Click);
    connect(ui->Button11, &QPushButton::clicked, this, &TForm5::Button11Click);
    connect(ui->Button12, &QPushButton::clicked, this, &TForm5::Button12Click);
    connect(ui->Button13, &QPushButton::clicked, this, &TForm5::Button13Click);
    connect(ui->Button14, &QPushButton::clicked, this, &TForm5::Button14Click);
    connect(ui->Button15, &QPushButton::clicked, this, &TForm5::Button15Click);
    connect(ui->CheckBox1, &QCheckBox::toggled, this, &TForm5::CheckBox1Click);
    // Connected once the stored number is shown: showing it is no change to save.
    connect(ui->Edit4, &QLineEdit::textChanged, this, &TForm5::Edit4Change);
}

TForm5::~TForm5() {
    Shutdown();
    WaitForRuns();
}

void TForm5::FormCreate() {
    ui->PageControl1->setCurrentIndex(0);
    const ServiceProfile stored = ServiceProfile::Load(profile);
    const QString directory = QString::fromStdString(stored.directory);
    BuildSoundFiles(directory);
    SetField(ui->Edit1, directory);
    SetField(ui->Edit2, QString::fromStdString(stored.daPath));
    SetField(ui->Edit3, QString::fromStdString(stored.firmwarePath));
    ui->Edit4->setText(QString::fromStdString(stored.phone));
}

void TForm5::Open() {
    if (!isVisible()) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            move(screen->availableGeometry().center() - QRect(QPoint(), frameGeometry().size()).center());
        }
    }
    const bool wasVisible = isVisible();
    show();
    // Behind another window: bring it forward. A window just shown is on top already.
    if (wasVisible) raise();
    activateWindow();
}

void TForm5::Shutdown() {
    serviceSink->Detach();
    gnssSink->Detach();
    gnssDelay->stop();
    relay->SwitchOff();
    hide();
}

void TForm5::WaitForRuns() {
    if (RunsInFlight() == 0) return;
    // Fail every wait on the channel so the workers return now; the channel is given back
    // to the main window afterwards unless it was already being shut down.
    const bool cancelHere = !context.port.Cancelled();
    context.port.Cancel();
    QElapsedTimer waited;
    waited.start();
    while (RunsInFlight() > 0 && waited.elapsed() < kShutdownWaitMs) {
        // A worker may be waiting for this thread to serve a call made just before the
        // sinks were detached.
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    if (cancelHere) context.port.ResetCancel();
}

bool TForm5::RelayRunning() const {
    return relay->Running();
}

int TForm5::RunsInFlight() const {
    return serviceSink->RunsInFlight() + gnssSink->RunsInFlight();
}

void TForm5::AppendLogLine(const QString& line) {
    QTextCursor end(ui->Memo1->document());
    end.movePosition(QTextCursor::End);
    // The stream may have stopped in the middle of a sentence.
    const bool atLineStart = ui->Memo1->document()->lastBlock().text().isEmpty();
    end.insertText((atLineStart ? QString() : QStringLiteral("\n")) + line + QLatin1Char('\n'));
    ui->Memo1->setTextCursor(end);
    ui->Memo1->ensureCursorVisible();
}

void TForm5::AppendStream(const QString& text) {
    QTextCursor end(ui->Memo1->document());
    end.movePosition(QTextCursor::End);
    const QString lines = QString::fromStdString(stream.Add(text.toStdString()));
    if (!lines.isEmpty()) end.insertText(lines);
    // Also when nothing came: the newest data is in view whatever the user scrolled to.
    ui->Memo1->setFocus();
    ui->Memo1->setTextCursor(end);
    ui->Memo1->ensureCursorVisible();
}

bool TForm5::GnssUpdatePending() const {
    return gnssDelay->isActive();
}

bool TForm5::OnlyRelayHoldsPort() const {
    return RelayRunning() && context.portLease.Activity() == kRelayActivity;
}

void TForm5::RefreshPortActions(const QString& busy) {
    const bool free = busy.isEmpty();
    for (QAbstractButton* button : {ui->Button1, ui->Button2, ui->Button3, ui->Button4, ui->Button6,
                                    ui->Button10, ui->Button11, ui->Button12, ui->Button13, ui->Button14}) {
        button->setEnabled(free);
    }
    ui->Button7->setEnabled(free || OnlyRelayHoldsPort());
    ui->CheckBox1->setEnabled(free || RelayRunning());
}

void TForm5::PortFreed() {
    mainWindow.RefreshPortActions();
}

bool TForm5::RefusedWhileBusy() {
    const QString busy = mainWindow.PortBusyText();
    if (busy.isEmpty()) return false;
    AppendLogLine(busy);
    return true;
}

void TForm5::UsePort() {
    context.SetPortName(mainWindow.SelectedPort());
}

bool TForm5::StartWorker(std::unique_ptr<Worker> worker, ServiceSink& sink) {
    if (RefusedWhileBusy()) return false;
    UsePort();
    if (!worker->Start()) return false;
    sink.RunStarted();
    context.Adopt(std::move(worker));
    mainWindow.RefreshPortActions();
    return true;
}

void TForm5::StartService(int mode, const QString& phone) {
    auto worker = std::make_unique<ServiceThread>(context, *serviceSink);
    worker->mode = mode;
    worker->phoneNumber = phone.toStdString();
    if (mode == kServiceUploadFiles) {
        // The run gets its own copy: a folder chosen while it uploads does not change it.
        worker->fileList = soundFiles.paths;
        worker->totalSize = soundFiles.totalSize;
    }
    const std::string problem = ServiceThread::InputProblem(mode, worker->phoneNumber, worker->fileList);
    if (!problem.empty()) {
        AppendLogLine(QString::fromStdString(problem));
        return;
    }
    StartWorker(std::move(worker), *serviceSink);
}

void TForm5::Button1Click() {
    StartService(kServiceStartModem);
}
void TForm5::Button2Click() {
    StartService(kServiceStopModem);
}
void TForm5::Button3Click() {
    StartService(kServiceStartGnss);
}
void TForm5::Button4Click() {
    StartService(kServiceStopGnss);
}
void TForm5::Button6Click() {
    StartService(kServiceUploadFiles);
}
void TForm5::Button10Click() {
    StartService(kServiceCreateTestEntry);
}
void TForm5::Button11Click() {
    StartService(kServiceBlankTestEntry);
}
void TForm5::Button14Click() {
    StartService(kServiceHangUp);
}

void TForm5::Button12Click() {
    // Blanks are a number as typed; only a field of length zero is empty.
    if (ui->Edit4->text().isEmpty()) {
        AppendLogLine(QString::fromUtf8(kNoPhoneForSms));
        return;
    }
    StartService(kServiceSendImei, ui->Edit4->text());
}

void TForm5::Button13Click() {
    if (ui->Edit4->text().isEmpty()) return;
    StartService(kServiceCall, ui->Edit4->text());
}

void TForm5::Button15Click() {
    ui->Memo1->clear();
}

void TForm5::BuildSoundFiles(const QString& folder) {
    soundFiles = folder.isEmpty() ? SoundFileList{} : SoundFileList::FromFolder(FileName(folder));
    if (folder.isEmpty()) {
        ui->Label5->clear();
    } else if (soundFiles.paths.empty()) {
        ui->Label5->setText(QStringLiteral("В папке нет файлов *.AMR"));
    } else {
        ui->Label5->setText(
            QStringLiteral("Найдено файлов *.AMR: %1 (%2 байт)")
                .arg(soundFiles.paths.size())
                .arg(QLocale(QLocale::Russian).toString(static_cast<qlonglong>(soundFiles.totalSize))));
    }
}

void TForm5::Button5Click() {
    const QString start = ui->Edit1->text().isEmpty() ? QDir::homePath() : ui->Edit1->text();
    const QString folder = askFolder(QStringLiteral("Выберите папку"), start);
    if (folder.isEmpty()) return;
    BuildSoundFiles(folder);
    SetField(ui->Edit1, QDir::toNativeSeparators(folder));
    SaveKey(kKeyDirectory, folder);
}

void TForm5::ChooseFile(QLineEdit* edit, const char* key, const QString& caption) {
    const QString name = askOpenFile(caption, edit->text());
    if (name.isEmpty()) return;
    SetField(edit, QDir::toNativeSeparators(name));
    edit->setFocus();
    SaveKey(key, name);
}

void TForm5::Edit4Change() {
    SaveKey(kKeyPhone, ui->Edit4->text());
}

void TForm5::SaveKey(const char* key, const QString& value) {
    std::string why;
    if (profile.Write(kConfigSection, key, value.toStdString(), &why)) {
        lastSaveProblem.clear();
        return;
    }
    // Every keystroke in the phone field saves; a lasting problem is told once.
    const QString problem =
        QStringLiteral("Настройка %1 не сохранена в %2: %3")
            .arg(QLatin1String(key), QFile::decodeName(profile.Path().c_str()), QString::fromStdString(why));
    if (problem == lastSaveProblem) return;
    lastSaveProblem = problem;
    AppendLogLine(problem);
}

void TForm5::CheckBox1Click() {
    if (!ui->CheckBox1->isChecked()) {
        relay->SwitchOff();
        // Whatever the receiver sends next starts a new sentence.
        stream.DropPartial();
        return;
    }
    if (RelayRunning()) return;
    if (RefusedWhileBusy()) {
        const QSignalBlocker quiet(ui->CheckBox1);
        ui->CheckBox1->setChecked(false);
        return;
    }
    UsePort();
    if (relay->SwitchOn()) serviceSink->RunStarted();
    mainWindow.RefreshPortActions();
}

}  // namespace zort
