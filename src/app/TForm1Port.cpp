// The main window and the channel: one operation holds the port at a time, whatever
// window started it; the actions that would open it wait meanwhile and say what runs.
// Closing the window ends every operation, after asking when that would leave the
// device without a program.

#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <QToolButton>

#include "app/HistoryWindow.h"
#include "app/ProgressText.h"
#include "app/QtSinks.h"
#include "app/TForm1.h"
#include "app/TForm4.h"
#include "app/TForm5.h"
#include "firmware/GPSUpdateThread.h"
#include "settings/RWSettingsThread.h"
#include "ui_TForm1.h"
#include "worker/DeviceContext.h"

namespace zort {

const QString kFirmwareDone = QStringLiteral("Прошивка обновлена");

QString TForm1::PortBusyText() const {
    std::string activity = context.portLease.Activity();
    // The receiver's update waits for the channel to settle before it takes it.
    if (activity.empty() && form5 && form5->GnssUpdatePending()) activity = kGnssActivity;
    if (activity.empty()) return {};
    return QStringLiteral("Порт занят: ") + QString::fromStdString(activity);
}

void TForm1::RefreshPortActions() {
    const QString busy = PortBusyText();
    for (QToolButton* button : {ui->SpeedButton3, ui->SpeedButton4, ui->SpeedButton6})
        button->setEnabled(busy.isEmpty());
    ui->Label36->setText(busy);
    if (form5) form5->RefreshPortActions(busy);
}

bool TForm1::RefusedWhileBusy() {
    const QString busy = PortBusyText();
    if (busy.isEmpty()) return false;
    // The line is in the toolbar already; a refused shortcut brings it up to date.
    ui->Label36->setText(busy);
    return true;
}

void TForm1::CancelSettings() {
    if (settingsWorker != nullptr) settingsWorker->RequestCancel();
}

void TForm1::SettingsWorkerEnded() {
    const bool wrote = settingsWorker != nullptr && settingsWorker->mode == kModeWriteSettings;
    settingsWorker = nullptr;
    RefreshPortActions();
    // A scratch read has ended: go on once its worker has returned.
    if (scratchRead) {
        QTimer::singleShot(0, this, &TForm1::FinishScratchRead);
    } else if (wrote && historyWindow && historyWindow->isVisible()) {
        // The history compares with the tracker as it is after the write.
        historyRefreshDue = true;
        QTimer::singleShot(0, this, [this] {
            historyRefreshDue = false;
            RefreshHistory(true);
        });
    }
}

void TForm1::ShowFirmwareProgress(int maximum, int position) {
    QProgressBar* bar = ui->ProgressBar1;
    bar->setVisible(true);
    // The text before the value: whoever watches the value finds the text that goes with it.
    bar->setFormat(
        FirmwareProgressText(position, maximum, firmwareClock.isValid() ? firmwareClock.elapsed() : 0));
    bar->setMaximum(maximum);
    bar->setValue(position);
}

void TForm1::ShowFirmwareEnd(bool succeeded, const QString& text) {
    QProgressBar* bar = ui->ProgressBar1;
    bar->setVisible(true);
    if (succeeded) {
        bar->setFormat(kFirmwareDone);
        return;
    }
    // The bar stays where the update stopped, red, and says why.
    QPalette failed = bar->palette();
    failed.setColor(QPalette::Highlight, QColor(0xC0, 0x30, 0x30));
    bar->setPalette(failed);
    bar->setFormat(text);
}

std::unique_ptr<QMessageBox> TForm1::AbortUpdateBox(const QString& question) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Warning, QStringLiteral("Конфигуратор"), question,
                                             QMessageBox::Yes | QMessageBox::No, this);
    box->setDefaultButton(QMessageBox::No);
    box->setEscapeButton(QMessageBox::No);
    return box;
}

bool TForm1::AskAbortUpdate(const QString& question) {
    return AbortUpdateBox(question)->exec() == QMessageBox::Yes;
}

void TForm1::closeEvent(QCloseEvent* event) {
    // A read, a write or the relay may just stop; an update stopped half-way leaves the
    // tracker or its receiver without a program, so that is the user's call.
    const bool updating = context.portLease.Critical() || (form5 && form5->GnssUpdatePending());
    if (updating && !confirmClose(kAbortUpdateQuestion)) {
        event->ignore();
        return;
    }
    // No box may appear once the window is gone, and a worker waiting for the main
    // thread must not wait for ever: detach the reports, make every wait on the
    // channel fail at once, and let queued calls run until the workers have returned.
    settingsSink->Detach();
    firmwareSink->Detach();
    settingsWorker = nullptr;
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

}  // namespace zort
