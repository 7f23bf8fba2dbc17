#include "cli/Command.h"

#include <algorithm>
#include <utility>

namespace zort::cli {
namespace {

struct Entry {
    int order;
    CommandFactory factory;
};

// A function-local static: registrations from other translation units may run before
// anything of this file is initialised.
std::vector<Entry>& Registry() {
    static std::vector<Entry> entries;
    return entries;
}

}  // namespace

CommandRegistration::CommandRegistration(int order, CommandFactory factory) {
    Registry().push_back({order, std::move(factory)});
}

std::vector<std::unique_ptr<Command>> CreateCommands() {
    std::vector<Entry> entries = Registry();
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry& a, const Entry& b) { return a.order < b.order; });
    std::vector<std::unique_ptr<Command>> commands;
    for (const Entry& e : entries) commands.push_back(e.factory());
    return commands;
}

}  // namespace zort::cli
