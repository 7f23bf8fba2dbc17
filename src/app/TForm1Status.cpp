// The main window's side of "Состояние трекера": the window watches the tracker on the
// chosen port and holds the channel meanwhile, so the toolbar's busy line follows it.

#include "app/StatusWindow.h"
#include "app/TForm1.h"
#include "worker/DeviceContext.h"

namespace zort {

void TForm1::ShowStatus() {
    if (!statusWindow) {
        statusWindow = new StatusWindow(context, this);
        statusWindow->leaseChanged = [this] { RefreshPortActions(); };
    }
    statusWindow->show();
    statusWindow->raise();
    statusWindow->activateWindow();
    if (!statusWindow->Watching()) {
        context.SetPortName(SelectedPort());
        statusWindow->Begin();
    }
}

}  // namespace zort
