// zort-sim: a simulated tracker on a pseudo-terminal. Prints the port to open on the
// first line of stdout, then answers until interrupted or until a fault closes the line.

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "link/Cp1251.h"
#include "sim/ParseNumber.h"
#include "sim/PtyTransport.h"
#include "sim/TrackerSimulator.h"
#include "zort/Version.h"

namespace {

using namespace zort::sim;

const char kUsage[] =
    "usage: zort-sim [options]\n"
    "  --baud N           pace every byte as on a serial line at N baud (default: no pacing)\n"
    "  --delay MS         answer every frame MS milliseconds late\n"
    "  --extra N          append N extra bytes to every answer\n"
    "  --close-after K    answer K frames, then close the line when the next one arrives\n"
    "  --fault RULE       ACTION[=ARG]@CMD[:HEX]#K[+], ACTION one of drop, delay=MS, extra=N,\n"
    "                     garbage=N, short=N, close; CMD a command code or *; HEX only the\n"
    "                     frames of CMD that carry exactly these bytes; K the 1-based frame\n"
    "                     among those; + for that frame and every later one.\n"
    "                     May be repeated. Examples: --fault drop@1#5, --fault drop@9:a0#1\n"
    "  --param ID=TEXT    store TEXT (UTF-8) in the parameter with id ID (hex, e.g. 0x08080460)\n"
    "  --version-after-flash TEXT  report TEXT as the software version once a new firmware\n"
    "                     image was written (from the next read on)\n"
    "  --version          print the version and exit\n"
    "  --state FILE       write the state and the trace of received frames as JSON to FILE\n"
    "                     after every frame and at exit\n"
    "modem behind command 8:\n"
    "  --modem-silent     answer nothing at all\n"
    "  --modem-error      answer ERROR to every command\n"
    "  --modem-no-prompt  answer ERROR where the \"> \" of a file write or an SMS would come\n"
    "  --modem-free N     report N bytes free on drive C:\n"
    "  --no-sim           no SIM card: not registered, +CME ERROR: 10 to AT+CPIN? and AT+CCID\n"
    "  --no-network       a SIM card but no network: searching, USSD answered +CUSD: 4\n"
    "  --weak-signal      a barely usable signal (+CSQ: 4,99)\n"
    "  --ussd-text        USSD answers in Windows-1251 text (dcs 15) instead of UCS2 (dcs 72)\n"
    "GNSS receiver behind command 9:\n"
    "  --nmea-period MS   send an NMEA burst every MS milliseconds while on (default 1000)\n"
    "  --no-fix           the receiver sees satellites but has no position fix\n"
    "  --gnss-sync-after K  the boot ROM ignores the first K synchronisation bytes (A0)\n"
    "  --gnss-fail F      STEP[#N[+]]:KIND bends one answer of the boot ROM or the loader;\n"
    "                     STEP one of sync 0a 50 05 a1 a1-addr a1-size a1-data a4 a4-addr\n"
    "                     a4-size a8 a8-addr d3 d5 block; N its 1-based occurrence (a1-data\n"
    "                     counts frames, block counts blocks), + for every later one too;\n"
    "                     KIND one of silent, wrong, checksum (a1-data, a4-size, block),\n"
    "                     close. May be repeated. Example: --gnss-fail a4-size:checksum\n";

bool WriteFileAtomically(const std::string& path, const std::string& text) {
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out << text;
        if (!out.flush()) return false;
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

// Everything the command line sets.
struct SimSettings {
    FaultPlan plan;
    PtyTransport::Options transport;
    std::string statePath;
    std::vector<std::pair<uint32_t, std::string>> params;
    std::string versionAfterFlash;
    ModemModel::Options modem;
    int nmeaPeriodMs = 1000;
    bool noFix = false;
    int gnssSyncAfter = 0;
    std::vector<GnssBootFault> gnssFaults;
};

// One option of the command line. Exactly one of the three is set: a number it stores,
// a switch it turns on, or a value it reads itself.
struct Option {
    const char* name;
    void (*number)(SimSettings& s, int value) = nullptr;
    void (*flag)(SimSettings& s) = nullptr;
    // An error message when the value cannot be used.
    std::string (*text)(SimSettings& s, const std::string& value) = nullptr;
};

std::string AddFault(SimSettings& s, const std::string& value) {
    std::string error;
    FaultRule::Parse(value, s.plan.rules.emplace_back(), error);
    return error;
}

std::string AddGnssFault(SimSettings& s, const std::string& value) {
    std::string error;
    GnssBootFault::Parse(value, s.gnssFaults.emplace_back(), error);
    return error;
}

std::string AddParam(SimSettings& s, const std::string& value) {
    const size_t eq = value.find('=');
    char* end = nullptr;
    const unsigned long id = std::strtoul(value.c_str(), &end, 16);
    if (eq == std::string::npos || end != value.c_str() + eq) return "expected ID=TEXT: " + value;
    s.params.emplace_back(static_cast<uint32_t>(id), zort::Utf8ToCp1251(value.substr(eq + 1)));
    return {};
}

const Option kOptions[] = {
    {.name = "--baud", .number = [](SimSettings& s, int n) { s.transport.baud = n; }},
    {.name = "--delay", .number = [](SimSettings& s, int n) { s.plan.replyDelayMs = n; }},
    {.name = "--extra", .number = [](SimSettings& s, int n) { s.plan.extraBytes = n; }},
    {.name = "--close-after", .number = [](SimSettings& s, int n) { s.plan.closeAfterFrames = n; }},
    {.name = "--fault", .text = AddFault},
    {.name = "--param", .text = AddParam},
    {.name = "--version-after-flash",
     .text =
         [](SimSettings& s, const std::string& v) {
             s.versionAfterFlash = zort::Utf8ToCp1251(v);
             return std::string();
         }},
    {.name = "--state",
     .text =
         [](SimSettings& s, const std::string& v) {
             s.statePath = v;
             return std::string();
         }},
    {.name = "--modem-silent", .flag = [](SimSettings& s) { s.modem.silent = true; }},
    {.name = "--modem-error", .flag = [](SimSettings& s) { s.modem.errorToAll = true; }},
    {.name = "--modem-no-prompt", .flag = [](SimSettings& s) { s.modem.noPrompt = true; }},
    {.name = "--modem-free", .number = [](SimSettings& s, int n) { s.modem.freeBytes = n; }},
    {.name = "--no-sim", .flag = [](SimSettings& s) { s.modem.noSim = true; }},
    {.name = "--no-network", .flag = [](SimSettings& s) { s.modem.noNetwork = true; }},
    {.name = "--weak-signal", .flag = [](SimSettings& s) { s.modem.weakSignal = true; }},
    {.name = "--ussd-text", .flag = [](SimSettings& s) { s.modem.ussdText = true; }},
    {.name = "--nmea-period", .number = [](SimSettings& s, int n) { s.nmeaPeriodMs = n; }},
    {.name = "--no-fix", .flag = [](SimSettings& s) { s.noFix = true; }},
    {.name = "--gnss-sync-after", .number = [](SimSettings& s, int n) { s.gnssSyncAfter = n; }},
    {.name = "--gnss-fail", .text = AddGnssFault},
};

// -1 when the simulator is to run; otherwise the exit status, after printing why.
int ParseOptions(int argc, char** argv, SimSettings& settings) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arg == "--version") {
            std::cout << "zort-sim " << zort::kProgramVersion << "\n";
            return 0;
        }
        const auto option = std::find_if(std::begin(kOptions), std::end(kOptions),
                                         [&](const Option& o) { return arg == o.name; });
        if (option == std::end(kOptions)) {
            std::cerr << "zort-sim: unknown option " << arg << "\n" << kUsage;
            return 2;
        }
        if (option->flag) {
            option->flag(settings);
            continue;
        }
        if (i + 1 >= argc) {
            std::cerr << "zort-sim: " << arg << " needs a value\n" << kUsage;
            return 2;
        }
        const std::string value = argv[++i];
        int number = 0;
        // A typo far beyond any sensible figure is refused rather than taken.
        if (option->number && !ParseNumber(value, 0, 100000000, number)) {
            std::cerr << "zort-sim: bad number for " << arg << ": " << value << "\n";
            return 2;
        }
        if (option->number) {
            option->number(settings, number);
        } else if (const std::string error = option->text(settings, value); !error.empty()) {
            std::cerr << "zort-sim: " << error << "\n";
            return 2;
        }
    }
    return -1;
}

// The models as the options leave them, before the line opens.
void Configure(TrackerSimulator& simulator, PtyTransport& transport, const SimSettings& settings) {
    simulator.WithModel([&](TrackerModel& m) {
        for (const auto& [id, text] : settings.params) m.SetParameterText(id, text);
        m.SetVersionAfterFlash(settings.versionAfterFlash);
        return 0;
    });
    simulator.WithModem([&](ModemModel& m) {
        m.SetOptions(settings.modem);
        return 0;
    });
    simulator.WithGnss([&](GnssReceiverModel& g) {
        g.SetBurstPeriod(std::chrono::milliseconds(settings.nmeaPeriodMs > 0 ? settings.nmeaPeriodMs : 1000));
        g.Nmea().SetFix(!settings.noFix);
        g.Boot().SetSyncAfter(settings.gnssSyncAfter);
        for (const GnssBootFault& f : settings.gnssFaults) g.Boot().AddFault(f);
        g.Boot().SetLineCloser([&transport] { transport.CloseLine(); });
        return 0;
    });
}

}  // namespace

int main(int argc, char** argv) {
    SimSettings settings;
    if (const int status = ParseOptions(argc, argv, settings); status >= 0) return status;

    // Signals are taken synchronously below; block them before any thread starts.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    TrackerSimulator simulator(settings.plan);
    PtyTransport transport(simulator, settings.transport);
    Configure(simulator, transport, settings);
    const std::string& statePath = settings.statePath;
    auto dumpState = [&] {
        if (!statePath.empty() && !WriteFileAtomically(statePath, simulator.StateJson())) {
            std::cerr << "zort-sim: cannot write " << statePath << "\n";
        }
    };
    transport.OnFramesHandled(dumpState);
    std::string error;
    if (!transport.Start(error)) {
        std::cerr << "zort-sim: " << error << "\n";
        return 1;
    }
    dumpState();
    std::cout << transport.SlavePath() << std::endl;

    timespec tick{0, 100 * 1000 * 1000};
    for (;;) {
        const int sig = sigtimedwait(&signals, nullptr, &tick);
        if (sig > 0) break;
        if (transport.LineClosed()) {
            std::cerr << "zort-sim: line closed\n";
            break;
        }
    }
    transport.Stop();
    dumpState();
    return 0;
}
