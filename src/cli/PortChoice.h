#pragma once
// The port a device command works on: a path the user names, or "auto" for the one
// tracker that answers a handshake. Several answering trackers are refused rather than
// guessed between: writing to a tracker the user did not mean cannot be taken back.

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "cli/Outcome.h"
#include "connect/Probe.h"
#include "connect/SystemView.h"

namespace zort::cli {

inline constexpr const char* kAutoPort = "auto";

struct PortChoice {
    std::string port;               // a path, or kAutoPort
    std::vector<std::string> also;  // searched besides the USB serial ports
    bool verbose = false;           // each operation's line of the session log also on stderr
};

// --port (required unless `required` is false), --also, each --also taking one path,
// and --verbose for a command whose operations are logged.
void AddPortOptions(CLI::App& command, PortChoice& choice, bool required = true, bool logged = true);

// --also only widens a search; with a named port it would be silently ignored.
Outcome CheckAlsoUse(const PortChoice& choice);

// The one tracker among the probe's results, as its path in `path`. None: a failed
// device operation naming why each port did not answer; several: bad usage listing them.
Outcome SelectTracker(const std::vector<ProbeResult>& results, const std::vector<std::string>& also,
                      std::string& path);

// "ЗОРТ Z410 №004217, IMEI 861234050123456".
std::string DescribeTracker(const ProbeResult& result);

// Replaces "auto" in choice.port by the path of the tracker found; a named port is
// left as it is. Says on stderr which tracker was chosen: stdout may be a document.
Outcome ChoosePort(PortChoice& choice, const SystemView& system = HostSystem());

}  // namespace zort::cli
