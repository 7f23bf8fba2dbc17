// The write button: the pages are checked, then what the tracker holds is read into a
// scratch image, the changes are listed for the user to confirm, the settings they
// replace are kept as a backup, and only then do the write frames go out.

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <chrono>

#include "app/QtSinks.h"
#include "app/TForm1.h"
#include "history/BackupStore.h"
#include "settings/RWSettingsThread.h"
#include "worker/DeviceContext.h"
#include "worker/WorkerSink.h"

namespace zort {
namespace {

const QString kCancelButton = QStringLiteral("Отмена");
constexpr const char* kBackupReason = "запись настроек";

}  // namespace

std::unique_ptr<QMessageBox> TForm1::WritePreviewBox(const std::vector<SettingChange>& changes) {
    const QString question = changes.empty()
                                 ? QStringLiteral("В устройстве уже эти настройки. Записать их ещё раз?")
                                 : QStringLiteral("Записать настройки в устройство? Изменится:");
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, QStringLiteral("Конфигуратор"), question,
                                             QMessageBox::NoButton, this);
    QStringList lines;
    for (const SettingChange& change : changes) lines << QString::fromStdString(ChangeLine(change));
    if (!lines.isEmpty()) box->setInformativeText(lines.join(QLatin1Char('\n')));
    // One change a line: a box as narrow as its question would break them in two.
    box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_informativelabel { min-width: 440px; }"));
    QPushButton* write = box->addButton(kWriteButton, QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(kCancelButton, QMessageBox::RejectRole);
    // Writing the same settings again is harmless but pointless: Enter does not do it.
    box->setDefaultButton(changes.empty() ? cancel : write);
    box->setEscapeButton(cancel);
    return box;
}

void TForm1::SpeedButton3Click() {
    if (context.settingsThread.Busy() || RefusedWhileBusy() || pendingWrite) return;
    SettingsImage staged;
    if (!PagesToImage(staged)) return;
    // The checks' boxes ran a nested event loop, where another operation may have begun.
    if (RefusedWhileBusy()) return;
    pendingWrite = std::make_unique<PendingWrite>();
    pendingWrite->staged = staged;
    auto reader = std::make_unique<RWSettingsThread>(context, *settingsSink);
    reader->mode = kModeReadSettings;
    reader->image = &pendingWrite->before;
    RWSettingsThread* started = reader.get();
    if (StartWorker(std::move(reader))) {
        settingsWorker = started;
    } else {
        pendingWrite.reset();
    }
}

bool TForm1::PreWriteReadDone() {
    if (!pendingWrite) return false;
    pendingWrite->read = true;
    return true;
}

void TForm1::ContinueWrite() {
    const std::unique_ptr<PendingWrite> pending = std::move(pendingWrite);
    // A read that failed or was cancelled has said so; nothing is written.
    if (!pending || !pending->read) return;
    if (!confirmWrite(ChangesBetween(pending->before, pending->staged))) return;
    if (RefusedWhileBusy()) return;
    const BackupResult stored =
        BackupStore(backupRoot)
            .Store(pending->before, SelectedPort(), kBackupReason, std::chrono::system_clock::now());
    if (!stored.ok) {
        showMessage(kStatusError, QStringLiteral("В устройство ничего не записано"),
                    QString::fromStdString(stored.error));
        return;
    }
    {
        std::lock_guard lock(context.imageMutex);
        context.image = pending->staged;
    }
    auto writer = std::make_unique<RWSettingsThread>(context, *settingsSink);
    writer->mode = kModeWriteSettings;
    RWSettingsThread* started = writer.get();
    if (StartWorker(std::move(writer))) settingsWorker = started;
}

}  // namespace zort
