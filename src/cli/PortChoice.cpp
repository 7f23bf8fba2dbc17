#include "cli/PortChoice.h"

#include <cstdio>

#include "connect/PortCandidates.h"
#include "worker/Worker.h"

namespace zort::cli {
namespace {

std::string DoctorHint(const std::vector<std::string>& also) {
    std::string command = "zortcfg doctor";
    for (const std::string& path : also) command += " --also " + path;
    return "Что мешает подключению, покажет команда: " + command;
}

}  // namespace

void AddPortOptions(CLI::App& command, PortChoice& choice, bool required, bool logged) {
    CLI::Option* port =
        command.add_option("--port", choice.port, "порт трекера; auto — найти отвечающий трекер")
            ->type_name("P|auto");
    if (required) port->required();
    // One path per --also, so that a following positional argument is not taken for one.
    command.add_option("--also", choice.also, "ещё порт для поиска трекера (с --port auto)")
        ->type_name("PATH")
        ->allow_extra_args(false);
    if (logged)
        command.add_flag("--verbose", choice.verbose,
                         "показывать строку журнала операций после каждой операции");
}

Outcome CheckAlsoUse(const PortChoice& choice) {
    if (choice.also.empty() || choice.port.empty() || choice.port == kAutoPort) return Outcome::Success();
    return Outcome::BadInput("--also действует только вместе с --port auto",
                             "Порт указан явно: " + choice.port);
}

std::string DescribeTracker(const ProbeResult& result) {
    return result.identity + ", IMEI " + result.imei;
}

Outcome SelectTracker(const std::vector<ProbeResult>& results, const std::vector<std::string>& also,
                      std::string& path) {
    std::vector<const ProbeResult*> trackers;
    for (const ProbeResult& r : results) {
        if (r.state == ProbeState::kTracker) trackers.push_back(&r);
    }
    if (trackers.size() == 1) {
        path = trackers.front()->port;
        return Outcome::Success();
    }
    std::string detail;
    if (trackers.empty()) {
        detail = results.empty() ? "Портов для поиска нет: к компьютеру не подключено ни одного "
                                   "USB-последовательного порта"
                                 : "Трекер не ответил ни на одном порту:";
        for (const ProbeResult& r : results) detail += "\n  " + r.reason;
        return Outcome::DeviceFailed(kDeviceNotConnected, detail + "\n" + DoctorHint(also));
    }
    for (const ProbeResult* r : trackers) {
        detail += (detail.empty() ? "" : "\n") + ("  " + r->port + " — " + DescribeTracker(*r));
    }
    return Outcome::BadInput("Подключено несколько трекеров: укажите нужный в --port", detail);
}

Outcome ChoosePort(PortChoice& choice, const SystemView& system) {
    if (Outcome also = CheckAlsoUse(choice); !also.Ok()) return also;
    if (choice.port != kAutoPort) return Outcome::Success();
    const std::vector<std::string> ports = CandidatePorts(system, {false, choice.also});
    const std::vector<ProbeResult> results = ProbePorts(system, ports);
    std::string path;
    if (Outcome selected = SelectTracker(results, choice.also, path); !selected.Ok()) return selected;
    for (const ProbeResult& r : results) {
        if (r.port == path)
            std::fprintf(stderr, "Найден трекер: %s — %s\n", path.c_str(), DescribeTracker(r).c_str());
    }
    std::fflush(stderr);
    choice.port = path;
    choice.also.clear();  // the search is over: a second call keeps the port
    return Outcome::Success();
}

}  // namespace zort::cli
