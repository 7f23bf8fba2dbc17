#include "cli/DeviceRun.h"

#ifdef _WIN32
#include "cli/WindowsConsole.h"
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <functional>
#include <utility>

#include "history/SessionLog.h"

namespace zort::cli {

Outcome PrepareContext(DeviceContext& context, PortChoice& port) {
    if (Outcome chosen = ChoosePort(port); !chosen.Ok()) return chosen;
    context.SetPortName(port.port);
    std::function<void(const std::string&)> shown;
    if (port.verbose) shown = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    LogOperations(context, DefaultSessionLogFile(), std::move(shown));
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
#ifdef _WIN32
    // isatty() is true for NUL as well, and an old console prints the escapes as text.
    return StderrTakesEscapes();
#else
    return isatty(fileno(stderr)) == 1;
#endif
}

}  // namespace zort::cli
