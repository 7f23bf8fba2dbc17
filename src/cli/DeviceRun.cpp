#include "cli/DeviceRun.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstdio>

#include "history/SessionLog.h"

namespace zort::cli {

Outcome PrepareContext(DeviceContext& context, PortChoice& port) {
    if (Outcome chosen = ChoosePort(port); !chosen.Ok()) return chosen;
    context.SetPortName(port.port);
    LogOperations(context, DefaultSessionLogFile());
    return Outcome::Success();
}

Outcome RunWorker(Worker& worker, ConsoleSink& sink, const std::string& caption) {
    sink.Begin(caption);
    if (!worker.Start()) {
        // Every command owns its DeviceContext, so no worker of the kind can be running.
        return Outcome::DeviceFailed("Операция с устройством уже выполняется");
    }
    worker.Join();
    if (worker.statusKind == kStatusError) return Outcome::DeviceFailed(worker.message, worker.detail);
    return Outcome::Success();
}

bool StderrIsTerminal() {
    return isatty(fileno(stderr)) == 1;
}

}  // namespace zort::cli
