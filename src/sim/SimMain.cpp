// zort-sim: a simulated tracker on a pseudo-terminal. Prints the port to open on the
// first line of stdout, then answers until interrupted or until a fault closes the line.

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>

#include "link/Cp1251.h"
#include "sim/PtyTransport.h"
#include "sim/TrackerSimulator.h"

namespace {

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
    "  --state FILE       write the state and the trace of received frames as JSON to FILE\n"
    "                     after every frame and at exit\n"
    "modem behind command 8:\n"
    "  --modem-silent     answer nothing at all\n"
    "  --modem-error      answer ERROR to every command\n"
    "  --modem-no-prompt  answer ERROR where the \"> \" of a file write or an SMS would come\n"
    "  --modem-free N     report N bytes free on drive C:\n"
    "GNSS receiver behind command 9:\n"
    "  --nmea-period MS   send an NMEA burst every MS milliseconds while on (default 1000)\n"
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

bool ParseNumber(const char* text, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < 0 || v > 100000000) return false;
    value = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zort::sim;
    FaultPlan plan;
    PtyTransport::Options options;
    std::string statePath;
    std::vector<std::pair<uint32_t, std::string>> params;
    ModemModel::Options modemOptions;
    int nmeaPeriodMs = 1000;
    int gnssSyncAfter = 0;
    std::vector<GnssBootFault> gnssFaults;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::cerr << "zort-sim: " << arg << " needs a value\n" << kUsage;
                std::exit(2);
            }
            return argv[++i];
        };
        auto number = [&](int& out) {
            const char* v = value();
            if (!ParseNumber(v, out)) {
                std::cerr << "zort-sim: bad number for " << arg << ": " << v << "\n";
                std::exit(2);
            }
        };
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--baud") {
            number(options.baud);
        } else if (arg == "--delay") {
            number(plan.replyDelayMs);
        } else if (arg == "--extra") {
            number(plan.extraBytes);
        } else if (arg == "--close-after") {
            number(plan.closeAfterFrames);
        } else if (arg == "--fault") {
            FaultRule rule;
            std::string error;
            if (!FaultRule::Parse(value(), rule, error)) {
                std::cerr << "zort-sim: " << error << "\n";
                return 2;
            }
            plan.rules.push_back(rule);
        } else if (arg == "--param") {
            const std::string v = value();
            const size_t eq = v.find('=');
            char* end = nullptr;
            const unsigned long id = std::strtoul(v.c_str(), &end, 16);
            if (eq == std::string::npos || end != v.c_str() + eq) {
                std::cerr << "zort-sim: expected ID=TEXT: " << v << "\n";
                return 2;
            }
            params.emplace_back(static_cast<uint32_t>(id), zort::Utf8ToCp1251(v.substr(eq + 1)));
        } else if (arg == "--state") {
            statePath = value();
        } else if (arg == "--modem-silent") {
            modemOptions.silent = true;
        } else if (arg == "--modem-error") {
            modemOptions.errorToAll = true;
        } else if (arg == "--modem-no-prompt") {
            modemOptions.noPrompt = true;
        } else if (arg == "--modem-free") {
            int free = 0;
            number(free);
            modemOptions.freeBytes = free;
        } else if (arg == "--nmea-period") {
            number(nmeaPeriodMs);
        } else if (arg == "--gnss-sync-after") {
            number(gnssSyncAfter);
        } else if (arg == "--gnss-fail") {
            GnssBootFault fault;
            std::string error;
            if (!GnssBootFault::Parse(value(), fault, error)) {
                std::cerr << "zort-sim: " << error << "\n";
                return 2;
            }
            gnssFaults.push_back(fault);
        } else {
            std::cerr << "zort-sim: unknown option " << arg << "\n" << kUsage;
            return 2;
        }
    }

    // Signals are taken synchronously below; block them before any thread starts.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    TrackerSimulator simulator(plan);
    simulator.WithModel([&](TrackerModel& m) {
        for (const auto& [id, text] : params) m.SetParameterText(id, text);
        return 0;
    });
    simulator.WithModem([&](ModemModel& m) {
        m.SetOptions(modemOptions);
        return 0;
    });
    simulator.WithGnss([&](GnssReceiverModel& g) {
        g.SetBurstPeriod(std::chrono::milliseconds(nmeaPeriodMs > 0 ? nmeaPeriodMs : 1000));
        return 0;
    });
    PtyTransport transport(simulator, options);
    auto dumpState = [&] {
        if (!statePath.empty() && !WriteFileAtomically(statePath, simulator.StateJson())) {
            std::cerr << "zort-sim: cannot write " << statePath << "\n";
        }
    };
    transport.OnFramesHandled(dumpState);
    simulator.WithGnss([&](GnssReceiverModel& g) {
        g.Boot().SetSyncAfter(gnssSyncAfter);
        for (const GnssBootFault& f : gnssFaults) g.Boot().AddFault(f);
        g.Boot().SetLineCloser([&transport] { transport.CloseLine(); });
        return 0;
    });
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
