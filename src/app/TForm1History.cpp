// The main window's side of "История настроек": which tracker the list is for, the
// read its backups are compared with, and the restore, which is a write like any other.

#include <QTimer>
#include <chrono>

#include "app/HistoryWindow.h"
#include "app/PortBox.h"
#include "app/TForm1.h"
#include "history/BackupStore.h"
#include "settings/SettingTable.h"
#include "worker/DeviceContext.h"

namespace zort {
namespace {

const QString kReadingForHistory = QStringLiteral("Чтение настроек трекера…");

}  // namespace

void TForm1::ShowHistory() {
    if (!historyWindow) {
        historyWindow = new HistoryWindow(this);
        historyWindow->readAgain = [this] { ReadForHistory(false); };
        historyWindow->restore = [this](const std::filesystem::path& backup) { RestoreBackup(backup); };
    }
    historyWindow->show();
    historyWindow->raise();
    historyWindow->activateWindow();
    RefreshHistory(true);
}

void TForm1::RefreshHistory(bool compare) {
    if (!historyWindow) return;
    // Which tracker: the last read on the chosen port tells best, then what the search found.
    const std::string port = SelectedPort();
    std::string imei;
    std::string identity;
    if (lastRead.valid && lastRead.port == port) {
        imei = lastRead.image.Utf8Text(slot::kImei);
        identity = lastRead.image.Utf8Text(slot::kDeviceIdentity);
    } else if (const ProbeResult* found = portBox->Found(port);
               found && found->state == ProbeState::kTracker) {
        imei = found->imei;
        identity = found->identity;
    }
    const QString tracker =
        imei.empty()
            ? QStringLiteral("Трекер на выбранном порту ещё не опознан: показаны копии всех устройств.")
            : QStringLiteral("Резервные копии настроек трекера %1, IMEI %2")
                  .arg(QString::fromStdString(identity), QString::fromStdString(imei));
    const std::vector<BackupEntry> backups = BackupStore(backupRoot).List(imei);
    historyWindow->ShowBackups(tracker, imei, backups);
    // With nothing to compare, the tracker need not be read.
    if (!compare || backups.empty()) return;
    if (StillHolds(lastRead, port, std::chrono::steady_clock::now(), context.OperationsBegun())) {
        historyWindow->ShowCurrent(lastRead.image, lastRead.wallTime);
        return;
    }
    ReadForHistory(true);
}

void TForm1::ReadForHistory(bool mayReuse) {
    if (!historyWindow) return;
    if (!ReadStarts()) {
        historyWindow->ShowNoCurrent(PortBusyText().isEmpty() ? QStringLiteral("Трекер сейчас занят чтением.")
                                                              : PortBusyText());
        return;
    }
    if (!mayReuse) lastRead.valid = false;
    historyWindow->ShowNoCurrent(kReadingForHistory);
    ReadTrackerThen(
        [this](const SettingsImage& now) {
            if (!historyWindow) return;
            RefreshHistory(false);
            historyWindow->ShowCurrent(now, std::chrono::system_clock::now());
        },
        [this] {
            if (historyWindow)
                historyWindow->ShowNoCurrent(
                    QStringLiteral("Настройки трекера прочитать не удалось: "
                                   "копии не с чем сравнить."));
        });
}

}  // namespace zort
