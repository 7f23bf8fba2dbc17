#pragma once
// How zortcfg writes settings to a tracker, for every command that does (write,
// restore): the settings are checked as the window's write button checks them; then
// what the tracker holds is read, what changes is listed, and the old settings are kept
// as a backup before the first write frame; --verify reads back what was written.

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

#include "cli/ConsoleSink.h"
#include "cli/Outcome.h"
#include "worker/DeviceContext.h"
#include "worker/SettingsImage.h"

namespace zort::cli {

struct SafeWriteOptions {
    bool yes = false;       // answers the checks' questions
    bool verify = false;    // reads back and compares
    bool dryRun = false;    // lists the changes on stdout and stops there
    bool noBackup = false;  // keeps no backup (the read for the list still happens)
    std::string reason;  // why the backup was taken: "запись настроек", "восстановление"
    // Looks at what the tracker holds before anything is written; a failure stops the
    // write (a backup of another tracker, say).
    std::function<Outcome(const SettingsImage& before)> checkBefore;
    // Makes the settings to write from what the tracker holds (a change of a few
    // settings); without it the image given is written.
    std::function<Outcome(const SettingsImage& before, SettingsImage& image)> compose;
};

// --yes, --verify, --dry-run and --no-backup.
void AddSafeWriteOptions(CLI::App& command, SafeWriteOptions& options);

// The pages' checks and normalisation; `image` is changed as the pages would change it.
Outcome CheckAsWriteButton(SettingsImage& image, bool yes, ConsoleSink& sink);

// Reads, lists, backs up, writes items 0..24 and (with verify) compares; the port is
// already named in `context`.
Outcome WriteWithBackup(DeviceContext& context, const SettingsImage& image, ConsoleSink& sink,
                        const SafeWriteOptions& options);

}  // namespace zort::cli
