#include "cli/DeviceRun.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include <cstdio>
#include <cstdlib>

namespace zort::cli {
namespace {

// TEST ONLY. The end-to-end tests of zortcfg set this environment variable to shorten
// every reply time-out (settings and firmware) to the given milliseconds, so that a
// test about a missing reply does not wait the tracker's full 4 or 10 seconds. It is
// not documented for users and nothing but those tests may set it: the product always
// waits as long as the tracker needs.
constexpr const char* kTestOnlyReplyMsVariable = "ZORTCFG_TEST_ONLY_REPLY_MS";

void ApplyTestOnlyTimings(LinkTimings& timings) {
    const char* value = std::getenv(kTestOnlyReplyMsVariable);
    if (!value || !*value) return;
    char* end = nullptr;
    const long ms = std::strtol(value, &end, 10);
    if (*end != '\0' || ms <= 0 || ms > timings.firmwareReplyMs) return;
    timings.settingsReplyMs = static_cast<int>(ms);
    timings.firmwareReplyMs = static_cast<int>(ms);
}

}  // namespace

void PrepareContext(DeviceContext& context, const std::string& port) {
    context.SetPortName(port);
    ApplyTestOnlyTimings(context.timings);
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
