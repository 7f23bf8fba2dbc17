// zortcfg ports: the serial ports that can be opened now, one per line; with --probe,
// the ports a search for trackers looks at, each with what answered there.

#include <cstdio>

#include "cli/Command.h"
#include "cli/ConnectReport.h"
#include "connect/PortCandidates.h"
#include "link/PortList.h"

namespace zort::cli {
namespace {

class PortsCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command =
            app.add_subcommand("ports", "последовательные порты, которые можно открыть сейчас");
        CLI::Option* probeFlag =
            command->add_flag("--probe", probe, "проверить, отвечает ли на порту трекер");
#ifndef _WIN32
        // Windows does not say cheaply which COM port is on USB: every port is probed there.
        command->add_flag("--all", candidates.all, "и порты, которые не на USB (ttyS*)")->needs(probeFlag);
#endif
        command->add_option("--also", candidates.also, "ещё порт для проверки")
            ->type_name("PATH")
            ->allow_extra_args(false)
            ->needs(probeFlag);
        command->add_flag("--json", json, "результаты документом JSON")->needs(probeFlag);
        return command;
    }

    Outcome Run() override {
        if (!probe) {
            for (const std::string& port : ListSerialPorts()) std::printf("%s\n", port.c_str());
            return Outcome::Success();
        }
        const std::vector<ProbeResult> results =
            ProbePorts(HostSystem(), CandidatePorts(HostSystem(), candidates));
        const std::string text = json ? FormatProbeJson(results) : FormatProbeText(results);
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
        if (results.empty() && !json) {
#ifdef _WIN32
            std::fputs("Портов для проверки нет: COM-портов нет (другие: --also PORT)\n", stderr);
#else
            std::fputs(
                "Портов для проверки нет: USB-последовательных портов нет (другие: --all, --also PATH)\n",
                stderr);
#endif
        }
        return Outcome::Success();
    }

  private:
    bool probe = false;
    bool json = false;
    CandidateOptions candidates;
};

const CommandRegistration kPortsRegistered(10, [] { return std::make_unique<PortsCommand>(); });

}  // namespace
}  // namespace zort::cli
