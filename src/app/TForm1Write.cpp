// Writing to the tracker, from the write button or from a backup: the settings are
// checked, what the tracker holds is read into a scratch image (or taken from a read of
// the same tracker moments ago), the changes are listed for the user to confirm, the
// settings they replace are kept as a backup, and only then do the write frames go out.

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <chrono>

#include "app/HistoryWindow.h"
#include "app/PagesBinding.h"
#include "app/QtSinks.h"
#include "app/TForm1.h"
#include "history/BackupStore.h"
#include "settings/PagesCheck.h"
#include "settings/RWSettingsThread.h"
#include "settings/SettingTable.h"
#include "worker/DeviceContext.h"
#include "worker/WorkerSink.h"

namespace zort {
namespace {

const QString kCancelButton = QStringLiteral("Отмена");

QString OtherDeviceQuestion(const std::string& backupImei, const std::string& connectedImei) {
    return QStringLiteral(
               "Резервная копия снята с другого устройства (IMEI %1), а подключено устройство "
               "с IMEI %2. Всё равно записать её?")
        .arg(QString::fromStdString(backupImei),
             QString::fromStdString(connectedImei.empty() ? "не прочитан" : connectedImei));
}

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

bool TForm1::ReadStarts() {
    return !context.settingsThread.Busy() && !scratchRead && !RefusedWhileBusy();
}

void TForm1::SpeedButton3Click() {
    if (!ReadStarts()) return;
    SettingsImage staged;
    if (!PagesToImage(staged)) return;
    // The checks' boxes ran a nested event loop, where another operation may have begun.
    if (!ReadStarts()) return;
    WriteSafely(staged, kWriteReason, {});
}

void TForm1::RestoreBackup(const std::filesystem::path& file) {
    if (!ReadStarts()) return;
    SettingsImage restored;
    {
        std::lock_guard lock(context.imageMutex);
        restored = context.image;
    }
    const SettingsImage current = restored;
    BackupEntry entry;
    if (const DocumentResult loaded = LoadBackup(file, restored, entry); !loaded) {
        showMessage(kStatusError, QString::fromStdString(loaded.message),
                    QString::fromStdString(loaded.detail));
        return;
    }
    // What the tracker tells about itself is never written: the pages keep showing the
    // connected tracker's, not the one the backup came from.
    for (const SettingRow& row : kSettingTable) {
        if (row.item >= kWrittenItemCount) restored.Slot(row.slot) = current.Slot(row.slot);
    }
    // Checked and asked about as settings typed in the pages are, on pages of its own:
    // a field the backup leaves unset must not keep what was typed here.
    SettingsPages pages;
    const SettingsImage given = restored;
    const PagesCheck check = CheckThroughPages(restored, *prompts, &pages);
    if (!check.unshown.empty()) {
        QStringList lines;
        for (const int slot : check.unshown) {
            lines << QStringLiteral("%1: «%2»")
                         .arg(QString::fromStdString(std::string(SettingOf(slot).name)),
                              QString::fromStdString(given.Utf8Text(slot)));
        }
        showMessage(kStatusError, QStringLiteral("В резервной копии недопустимые значения настроек"),
                    lines.join(QLatin1Char('\n')));
        return;
    }
    if (!check.ok) return;
    // The checks' boxes ran a nested event loop, where another operation may have begun.
    if (!ReadStarts()) return;
    ModelToControls(pages, *this);
    {
        std::lock_guard lock(context.imageMutex);
        context.image = restored;
    }
    ShowImage(true);
    WriteSafely(restored, kRestoreReason, entry.imei);
}

void TForm1::WriteSafely(const SettingsImage& staged, const std::string& reason, const std::string& imei) {
    ReadTrackerThen([this, staged, reason, imei](const SettingsImage& before) {
        ContinueWrite(before, staged, reason, imei);
    });
}

void TForm1::ReadTrackerThen(std::function<void(const SettingsImage& now)> then,
                             std::function<void()> failed) {
    auto scratch = std::make_unique<ScratchRead>();
    scratch->then = std::move(then);
    scratch->failed = std::move(failed);
    auto reader = std::make_unique<RWSettingsThread>(context, *settingsSink);
    reader->image = &scratch->image;
    reader->mode = kModeReadSettings;
    if (StillHolds(lastRead, SelectedPort(), std::chrono::steady_clock::now(), context.OperationsBegun())) {
        scratch->known = lastRead.image;
        reader->known = &*scratch->known;
        reader->mode = kModeReadUnlessKnown;
    }
    scratchRead = std::move(scratch);
    RWSettingsThread* started = reader.get();
    if (StartWorker(std::move(reader))) {
        settingsWorker = started;
    } else {
        FinishScratchRead();
    }
}

void TForm1::TrackerRead() {
    // The read still holds the channel: the count of operations is its own.
    const bool reused = settingsWorker != nullptr && settingsWorker->reused;
    if (reused) {
        // Only the IMEI was asked: the settings are as old as the read they came from.
        lastRead.operationsBegun = context.OperationsBegun();
    } else {
        lastRead.port = context.PortName();
        lastRead.at = std::chrono::steady_clock::now();
        lastRead.wallTime = std::chrono::system_clock::now();
        lastRead.operationsBegun = context.OperationsBegun();
        lastRead.valid = true;
        std::lock_guard lock(context.imageMutex);
        lastRead.image = scratchRead ? scratchRead->image : context.image;
    }
    if (scratchRead) {
        // The read for a write or for the history: the pages keep what was typed.
        scratchRead->complete = true;
        return;
    }
    ShowImage(true);
    TrackerAnswered();
}

void TForm1::FinishScratchRead() {
    const std::unique_ptr<ScratchRead> done = std::move(scratchRead);
    if (!done) return;
    if (done->complete) {
        done->then(done->image);
    } else if (done->failed) {
        done->failed();
    }
}

void TForm1::ContinueWrite(const SettingsImage& before, const SettingsImage& staged,
                           const std::string& reason, const std::string& imei) {
    const std::string connected = before.Utf8Text(slot::kImei);
    if (!imei.empty() && connected != imei && !confirmOtherDevice(OtherDeviceQuestion(imei, connected)))
        return;
    if (!confirmWrite(ChangesBetween(before, staged))) return;
    if (RefusedWhileBusy()) return;
    const BackupResult stored =
        BackupStore(backupRoot).Store(before, SelectedPort(), reason, std::chrono::system_clock::now());
    if (!stored.ok) {
        showMessage(kStatusError, QStringLiteral("В устройство ничего не записано"),
                    QString::fromStdString(stored.error));
        return;
    }
    {
        std::lock_guard lock(context.imageMutex);
        context.image = staged;
    }
    auto writer = std::make_unique<RWSettingsThread>(context, *settingsSink);
    writer->mode = kModeWriteSettings;
    writer->restoring = reason == kRestoreReason;
    RWSettingsThread* started = writer.get();
    if (StartWorker(std::move(writer))) settingsWorker = started;
    // The history shows the backup just taken at once.
    if (historyWindow) RefreshHistory(false);
}

}  // namespace zort
