// The main window's side of "Групповая настройка": the pages' settings as the profile,
// and the channel's busy line while the fleet is set up.

#include "app/FleetWindow.h"
#include "app/TForm1.h"
#include "history/SessionLog.h"
#include "settings/SettingsDocument.h"
#include "worker/DeviceContext.h"

namespace zort {

void TForm1::ShowFleet() {
    if (!fleetWindow) {
        fleetWindow = new FleetWindow(context.portLease, this);
        fleetWindow->pagesProfile = [this]() -> std::optional<std::string> {
            SettingsImage staged;
            if (!PagesToImage(staged)) return std::nullopt;
            return WrittenSettingsToJson(staged);
        };
        fleetWindow->leaseChanged = [this] { RefreshPortActions(); };
        fleetWindow->backupRoot = backupRoot;
        fleetWindow->sessionLog = DefaultSessionLogFile();
    }
    fleetWindow->namedPorts.clear();
    if (!demoPort.isEmpty()) fleetWindow->namedPorts.push_back(demoPort.toStdString());
    fleetWindow->show();
    fleetWindow->raise();
    fleetWindow->activateWindow();
}

}  // namespace zort
