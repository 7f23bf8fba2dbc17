// zortcfg service --port P ACTION [ARG]: one command of the engineering window; its
// log lines go to stdout.

#include <filesystem>
#include <map>
#include <optional>

#include "cli/Command.h"
#include "cli/DeviceRun.h"
#include "files/Utf8Path.h"
#include "service/ServiceThread.h"
#include "service/SoundFileList.h"

namespace zort::cli {
namespace {

// What the window's buttons start, by the name a script gives.
const std::map<std::string, int> kActions = {
    {"gsm-start", kServiceStartModem},
    {"gsm-stop", kServiceStopModem},
    {"gps-start", kServiceStartGnss},
    {"gps-stop", kServiceStopGnss},
    {"upload", kServiceUploadFiles},
    {"sim-create", kServiceCreateTestEntry},
    {"sim-remove", kServiceBlankTestEntry},
    {"sms", kServiceSendImei},
    {"call", kServiceCall},
    {"hangup", kServiceHangUp},
};

// Service results are log lines; the console shows them as they come.
class ServiceConsoleSink final : public ConsoleSink {
  public:
    using ConsoleSink::ConsoleSink;
    void LogLine(const std::string& line) override { Print(line); }
};

class ServiceCommand final : public Command {
  public:
    CLI::App* Define(CLI::App& app) override {
        CLI::App* command = app.add_subcommand("service", "сервисная команда модема или GPS/ГЛОНАСС модуля");
        AddPortOptions(*command, port);
        std::vector<std::string> names;
        for (const auto& [name, mode] : kActions) names.push_back(name);
        command->add_option("ACTION", action, "что сделать")->required()->check(CLI::IsMember(names));
        command->add_option("ARG", argument, "upload: папка с файлами *.AMR; sms, call: номер телефона")
            ->type_name("DIR|PHONE");
        return command;
    }

    Outcome Run() override {
        const int mode = kActions.at(action);
        const bool needsFolder = mode == kServiceUploadFiles;
        const bool needsPhone = mode == kServiceSendImei || mode == kServiceCall;
        if (!needsFolder && !needsPhone && argument) {
            return Outcome::BadInput("Команда " + action + " не принимает аргументов");
        }
        if ((needsFolder || needsPhone) && !argument) {
            return Outcome::BadInput("Команде " + action +
                                     (needsFolder ? " нужна папка" : " нужен номер телефона"));
        }
        std::vector<std::string> files;
        if (needsFolder) {
            std::error_code ec;
            if (!std::filesystem::is_directory(PathFromUtf8(*argument), ec))
                return Outcome::BadInput("Папка не найдена", *argument);
            files = SoundFileList::FromFolder(*argument).paths;
        }
        const std::string phone = needsPhone ? *argument : std::string();
        // Refused before the port is touched, as the window refuses before it starts.
        if (const std::string problem = ServiceThread::InputProblem(mode, phone, files); !problem.empty()) {
            return Outcome::BadInput(problem);
        }

        DeviceContext context;
        if (Outcome ready = PrepareContext(context, port); !ready.Ok()) return ready;
        ServiceConsoleSink sink(false);
        ServiceThread worker(context, sink);
        worker.mode = mode;
        worker.phoneNumber = phone;
        worker.fileList = files;
        Outcome outcome = RunWorker(worker, sink, {});
        if (!outcome.Ok()) return outcome;
        if (worker.inputRefused) return Outcome::BadInput(worker.message);
        if (!worker.succeeded) {
            // A modem that stays silent leaves no line of its own to repeat.
            const bool toldWhy = !worker.message.empty() && worker.message != kModemStarting &&
                                 worker.message != kModemConfigured;
            return Outcome::DeviceFailed(toldWhy ? worker.message : "Модем не отвечает");
        }
        return Outcome::Success();
    }

  private:
    PortChoice port;
    std::string action;
    std::optional<std::string> argument;
};

const CommandRegistration kServiceRegistered(90, [] { return std::make_unique<ServiceCommand>(); });

}  // namespace
}  // namespace zort::cli
