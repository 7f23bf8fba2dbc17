// zortcfg ports: the serial ports that can be opened now, one per line.

#include <cstdio>

#include "cli/Command.h"
#include "link/PortList.h"

namespace zort::cli {
namespace {

class PortsCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        return app.add_subcommand("ports", "последовательные порты, которые можно открыть сейчас");
    }

    Outcome Run() override {
        for (const std::string& port : ListSerialPorts()) std::printf("%s\n", port.c_str());
        return Outcome::Success();
    }
};

const CommandRegistration kRegistered(10, [] { return std::make_unique<PortsCommand>(); });

}  // namespace
}  // namespace zort::cli
