// zortcfg: what the configurator's windows do, from a terminal or a script. The
// commands register themselves (commands/*.cpp); this file parses the command line,
// runs the one chosen and turns its outcome into the exit status.

#include <CLI/CLI.hpp>
#include <utility>
#include <vector>

#include "cli/Command.h"
#include "cli/Outcome.h"
#include "zort/Version.h"

#ifdef _WIN32
#include "cli/WindowsConsole.h"
#endif

int main(int argc, char** argv) {
    using namespace zort::cli;
#ifdef _WIN32
    // argv is in the ANSI code page, where a Cyrillic file name may not fit.
    PrepareConsole();
    Utf8Arguments utf8;
    if (utf8.Count() > 0) {
        argc = utf8.Count();
        argv = utf8.Values();
    }
#endif
    CLI::App app{"Конфигуратор ЗОРТ Z100 / Z110 / Z410: настройки, прошивка и файлы из командной строки",
                 "zortcfg"};
    app.set_version_flag("--version", std::string("zortcfg ") + zort::kProgramVersion,
                         "показать версию программы и выйти");
    app.require_subcommand(1);

    std::vector<std::unique_ptr<Command>> commands = CreateCommands();
    std::vector<std::pair<CLI::App*, Command*>> defined;
    for (auto& command : commands) defined.emplace_back(command->Define(app), command.get());

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help is a parse "error" that succeeds.
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) {
            app.exit(e);
            return Finish(Outcome::Success());
        }
        return Finish(Outcome::BadInput(e.what(), "Справка: zortcfg --help"));
    }
    for (const auto& [subcommand, command] : defined) {
        if (subcommand->parsed()) return Finish(command->Run());
    }
    return Finish(Outcome::BadInput("Не указана команда", "Справка: zortcfg --help"));
}
