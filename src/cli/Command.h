#pragma once
// One zortcfg command per file: the file defines a Command and registers a factory for
// it at start-up, so adding a command never touches the others or the main program.

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <vector>

#include "cli/Outcome.h"

namespace zort::cli {

class Command {
  public:
    virtual ~Command() = default;
    // Adds the command's subcommand, with its options bound to members, to `app`.
    virtual CLI::App* Define(CLI::App& app) = 0;
    // Runs after a successful parse of this subcommand.
    virtual Outcome Run() = 0;
};

using CommandFactory = std::function<std::unique_ptr<Command>()>;

// Registration happens during static initialisation, from any translation unit of the
// executable; `order` places the command in the help listing.
class CommandRegistration {
  public:
    CommandRegistration(int order, CommandFactory factory);
};

// One instance of every registered command, in help order.
std::vector<std::unique_ptr<Command>> CreateCommands();

}  // namespace zort::cli
