// zortcfg doctor [--port P] [--json] [--udev-rule FILE]: why the program cannot talk to
// the tracker, check by check, with the fix for each problem. (--udev-rule on Linux only.)

#include <algorithm>
#include <cstdio>

#include "cli/Command.h"
#include "cli/ConnectReport.h"
#include "cli/PortChoice.h"
#include "connect/Doctor.h"
#include "connect/PortCandidates.h"
#include "files/ReplaceFile.h"

namespace zort::cli {
namespace {

class DoctorCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command =
            app.add_subcommand("doctor", "проверить подключение трекера и подсказать, как устранить помехи");
        AddPortOptions(*command, choice, false, false);
        command->add_flag("--json", json, "результаты проверок документом JSON");
#ifndef _WIN32
        // Windows has neither udev nor ModemManager.
        command->add_option("--udev-rule", udevRulePath, "записать правило udev против ModemManager в файл")
            ->type_name("FILE");
#endif
        return command;
    }

    Outcome Run() override {
        if (Outcome also = CheckAlsoUse(choice); !also.Ok()) return also;
        DoctorOptions options;
        // "auto" asks for the search's ports, which is what the doctor checks by default.
        if (choice.port != kAutoPort) options.port = choice.port;
        options.also = choice.also;
        const std::vector<CheckResult> results = RunDoctor(HostSystem(), options);
        const std::string text = json ? FormatDoctorJson(results) : FormatDoctorText(results);
        std::fputs(text.c_str(), stdout);
        if (!json && udevRulePath.empty() && NeedsUdevRule(results)) {
            std::printf("Записать правило udev: sudo zortcfg doctor%s --udev-rule %s\n",
                        PortArguments().c_str(), std::string(kUdevRulePath).c_str());
        }
        std::fflush(stdout);
        if (!udevRulePath.empty()) {
            if (Outcome written = WriteUdevRule(options); !written.Ok()) return written;
        }
        if (!AnyProblem(results)) return Outcome::Success();
        return Outcome::DeviceFailed("Найдены помехи подключению: исправьте их, как указано выше");
    }

  private:
    static bool NeedsUdevRule(const std::vector<CheckResult>& results) {
        return std::any_of(results.begin(), results.end(), [](const CheckResult& r) {
            return r.fix.find("ID_MM_DEVICE_IGNORE") != std::string::npos;
        });
    }

    // The options that chose the ports, for a command that checks the same ones.
    std::string PortArguments() const {
        std::string text = choice.port.empty() ? "" : " --port " + choice.port;
        for (const std::string& path : choice.also) text += " --also " + path;
        return text;
    }

    Outcome WriteUdevRule(const DoctorOptions& options) const {
        const std::vector<std::string> ports = options.port.empty()
                                                   ? CandidatePorts(HostSystem(), {false, options.also})
                                                   : std::vector<std::string>{options.port};
        std::vector<std::optional<UsbInfo>> devices;
        for (const std::string& port : ports) devices.push_back(FindUsbInfo(HostSystem(), port));
        const std::string rules = UdevRulesFor(devices);
        if (rules.empty()) {
            return Outcome::BadInput(
                "Правило udev не записано: ни у одного проверенного порта нет "
                "идентификаторов USB (vid:pid)");
        }
        if (const auto error = ReplaceFileWhole(udevRulePath, rules)) {
            return Outcome::BadInput("Ошибка записи файла " + udevRulePath, error->code.message());
        }
        // A log line, but not in a document a script parses.
        std::fprintf(json ? stderr : stdout,
                     "Правило udev записано в %s; чтобы оно подействовало: sudo udevadm control "
                     "--reload-rules && sudo udevadm trigger\n",
                     udevRulePath.c_str());
        return Outcome::Success();
    }

    PortChoice choice;
    bool json = false;
    std::string udevRulePath;
};

const CommandRegistration kDoctorRegistered(12, [] { return std::make_unique<DoctorCommand>(); });

}  // namespace
}  // namespace zort::cli
