// The service window's group "Обновление прошивки": the receiver's loader and firmware
// files and the update itself. Apart from the rest of the window because the update's
// texts and the service commands' texts share names.

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/ServiceSinks.h"
#include "app/TForm1.h"
#include "app/TForm5.h"
#include "firmware/GPSUpdateThread.h"
#include "service/NmeaRelay.h"
#include "service/ServiceProfile.h"
#include "ui_TForm5.h"
#include "worker/DeviceContext.h"

namespace zort {

void TForm5::Button8Click() {
    ChooseFile(ui->Edit2, kKeyDAPath, QStringLiteral("Файл загрузчика GPS модуля"));
}

void TForm5::Button9Click() {
    ChooseFile(ui->Edit3, kKeyFirmwarePath, QStringLiteral("Файл прошивки GPS модуля"));
}

void TForm5::Button7Click() {
    // The update needs the channel alone: the relay stops with its box; anything else
    // holding it is waited for.
    if (!OnlyRelayHoldsPort() && RefusedWhileBusy()) return;
    ui->CheckBox1->setChecked(false);
    relay->SwitchOff();
    ui->Button7->setEnabled(false);
    // A worker still running, such as the relay just told to stop, closes the channel at
    // its own end; closing it here at the same moment would race that.
    if (!context.AnyRunning()) context.port.Close();
    // Waits in the event loop: the window stays responsive meanwhile.
    gnssDelay->start();
    mainWindow.RefreshPortActions();
}

void TForm5::StartGnssUpdate() {
    auto worker = std::make_unique<GPSUpdateThread>(context, *gnssSink);
    worker->loaderPath = QFile::encodeName(ui->Edit2->text()).toStdString();
    worker->firmwarePath = QFile::encodeName(ui->Edit3->text()).toStdString();
    if (!StartWorker(std::move(worker), *gnssSink)) mainWindow.RefreshPortActions();
}

}  // namespace zort
