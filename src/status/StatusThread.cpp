#include "status/StatusThread.h"

#include <algorithm>
#include <array>

#include "link/CommandFrame.h"
#include "link/Cp1251.h"
#include "service/AtCommands.h"
#include "service/ModemAnswers.h"
#include "service/ServiceThread.h"
#include "settings/SettingTable.h"

namespace zort {
namespace {

// Every few rounds the slower facts are asked again: the operator, and the SIM card
// (which may be pulled out while the tracker runs).
constexpr int kFullRoundEvery = 4;
// A modem that has not answered this many questions in a row is taken for silent.
constexpr int kSilentAfter = 3;

// The tracker acknowledges its switches with one byte that is no text. The stream
// around it is NMEA and the modem's lines, which never hold such a byte.
bool IsAcknowledgement(uint8_t byte) {
    return byte < 0x20 && byte != '\r' && byte != '\n' && byte != '\t' && byte != 0;
}

bool IsBalanceCodeText(const std::string& text) {
    return !text.empty() && text.size() <= 20 && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '*' || c == '#';
    });
}

}  // namespace

StatusThread::~StatusThread() {
    RequestStop();
    Join();
}

void StatusThread::RequestStop() {
    {
        std::lock_guard lock(mutex);
        stopRequested = true;
    }
    wake.notify_all();
}

void StatusThread::RequestBalance() {
    {
        std::lock_guard lock(mutex);
        balanceRequested = true;
    }
    wake.notify_all();
}

TrackerStatus StatusThread::Snapshot() const {
    std::lock_guard lock(mutex);
    return published;
}

bool StatusThread::StopRequested() const {
    std::lock_guard lock(mutex);
    return stopRequested;
}

bool StatusThread::ChannelGone() const {
    return context.port.LineLost() || context.port.Cancelled() || !context.port.IsOpen();
}

void StatusThread::Log(const std::string& line) {
    message = line;
    sink.LogLine(line);
}

bool StatusThread::Poll() {
    std::array<uint8_t, SerialPort::kRxBufferSize> bytes;
    const size_t n = context.port.TakeReceived(bytes.data(), bytes.size());
    std::string text;
    text.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        if (IsAcknowledgement(bytes[i])) {
            ++acknowledgements;
        } else {
            text += static_cast<char>(bytes[i]);
        }
    }
    const Clock::time_point now = Clock::now();
    for (const std::string& line : reader.Feed(text, now)) modemLines += "\r\n" + line + "\r\n";
    if (n > 0 && text.find('$') != std::string::npos) receiverOn = true;
    return !ChannelGone();
}

bool StatusThread::Sleep(int ms) {
    // A switch sent is always seen through, stop or not: whether it took decides what
    // has to be switched off again.
    if (switching) return context.port.Pause(ms);
    std::unique_lock lock(mutex);
    return !wake.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stopRequested; });
}

template <typename Done>
bool StatusThread::WaitUntil(Done done, int ms) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (!Poll()) return false;
        if (done()) return true;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        if (!Sleep(static_cast<int>(std::min<long long>(left, context.timings.statusPollMs)))) return false;
    }
}

std::string StatusThread::Ask(const std::string& command, int ms, bool (*complete)(std::string_view)) {
    // Whatever is in the buffer is taken before the send clears it: the stream loses
    // nothing but what arrives in the instant between.
    if (!Poll()) return {};
    modemLines.clear();
    if (!context.port.SendFrame(kCmdModemPassThrough, 0, static_cast<uint32_t>(command.size()),
                                reinterpret_cast<const uint8_t*>(command.data()))) {
        return {};
    }
    WaitUntil([&] { return complete(modemLines); }, ms);
    std::string answer;
    answer.swap(modemLines);
    return answer;
}

bool StatusThread::Switch(uint8_t command, const char* done, const char* notDone) {
    if (!Poll()) return false;
    const uint64_t before = acknowledgements;
    const bool sent = context.port.SendFrame(command, 0, 0, nullptr);
    switching = true;
    const bool acknowledged =
        sent && WaitUntil([&] { return acknowledgements > before; }, context.timings.switchReplyMs);
    switching = false;
    if (acknowledged && done != nullptr) Log(done);
    if (!acknowledged) Log(notDone);
    return acknowledged;
}

void StatusThread::ReadBalanceCode() {
    // Read before anything is switched on: a reply in the middle of the receiver's
    // stream could not be told from it.
    const LinkTimings& t = context.timings;
    context.port.SendFrame(kCmdReadParameter, SettingOf(slot::kBalanceCode).id, 0, nullptr);
    if (!context.port.WaitReply(kSlotSize, t.settingsReplyMs)) return;
    ParameterSlot reply;
    context.port.CopyReceived(reply.bytes.data(), reply.bytes.size());
    context.port.ClearReceive();
    const std::string code = reply.Text();
    // A stream already running may have mixed itself into the reply.
    if (IsBalanceCodeText(code)) balanceCode = code;
}

void StatusThread::CheckModules() {
    // The modem is on when it answers; the receiver is on when its stream flows (a burst
    // a second), so both are known within the probe's time at the latest.
    const std::string probe = std::string(kAtAttention);
    modemLines.clear();
    if (!Poll()) return;
    context.port.SendFrame(kCmdModemPassThrough, 0, static_cast<uint32_t>(probe.size()),
                           reinterpret_cast<const uint8_t*>(probe.data()));
    WaitUntil([&] { return receiverOn && HasFinalResult(modemLines); }, context.timings.statusProbeMs);
    modemOn = AnswerContains(modemLines, "OK");
    gsm.modemAnswers = modemOn;
}

void StatusThread::StartModules() {
    const LinkTimings& t = context.timings;
    if (!modemOn && !StopRequested()) {
        Log(kModemStarting);
        // As the service command does: switched on, then asked until it answers, then
        // its echo switched off. Said to be started once it answers.
        if (Switch(kCmdStartModem, nullptr, kModemNotStarted)) {
            modemStartedHere = true;
            // The modem needs a moment to boot after power-on; it is asked until it answers.
            for (int attempt = 0; attempt < 10 && !modemOn && !StopRequested(); ++attempt) {
                modemOn = AnswerContains(Ask(kAtAttention, t.modemReplyMs, HasFinalResult), "OK");
            }
            if (modemOn) Log(kModemStarted);
            if (modemOn && AnswerContains(Ask(kAtEchoOff, t.modemReplyMs, HasFinalResult), "OK")) {
                Log(kModemConfigured);
            }
        }
    }
    if (!receiverOn && !StopRequested()) {
        receiverStartedHere = Switch(kCmdStartGnss, kGnssStarted, kGnssNotStarted);
        receiverOn = receiverStartedHere;
    }
    if (modemStartedHere || receiverStartedHere) Log(kStatusModulesStarted);
}

void StatusThread::StopModules() {
    // Switched off only what this run switched on, and also after a stop request: the
    // tracker is left as it was found.
    if (ChannelGone()) return;
    if (modemStartedHere) Switch(kCmdStopModem, kModemStopped, kModemNotStopped);
    if (receiverStartedHere) Switch(kCmdStopGnss, kGnssStopped, kGnssNotStopped);
}

void StatusThread::QueryModem(bool full) {
    const int ms = context.timings.statusReplyMs;
    bool answered = false;
    // An answer that came but is not understood is shown as unknown, never kept stale:
    // a figure on the screen is always the modem's latest.
    auto ask = [&](const char* command) {
        std::string answer = Ask(command, ms, HasFinalResult);
        answered = answered || HasFinalResult(answer);
        return answer;
    };
    if (full) {
        gsm.sim = ParseSimState(ask(kAtSimState));
        if (gsm.sim == SimState::kReady || !gsm.iccid) gsm.iccid = ParseIccid(ask(kAtIccid));
        if (gsm.sim == SimState::kAbsent) gsm.iccid.reset();
        gsm.operatorName = ParseOperator(ask(kAtOperator));
    }
    gsm.registration = ParseRegistration(ask(kAtRegistration));
    gsm.signal = ParseSignal(ask(kAtSignal));
    silentQueries = answered ? 0 : silentQueries + 1;
    gsm.modemAnswers = silentQueries < kSilentAfter;
}

void StatusThread::QueryBalance() {
    if (balanceCode.empty()) Log(kBalanceCodeUnknown);
    gsm.balanceAsked = true;
    gsm.balance.reset();
    Publish();
    const std::string answer =
        Ask(AtBalanceRequest(BalanceCode(balanceCode)), context.timings.ussdReplyMs, HasUssdAnswer);
    gsm.balanceAsked = false;
    ++gsm.balanceRequestsEnded;
    if (const std::optional<UssdAnswer> ussd = ParseUssd(answer); ussd && !ussd->text.empty()) {
        gsm.balance = ussd->text;
    } else if (!StopRequested() && !ChannelGone()) {
        Log(kBalanceNoAnswer);
    }
}

void StatusThread::Publish() {
    const NmeaReader::Counts& counts = reader.GetCounts();
    TrackerStatus now;
    now.gnss = reader.Status(Clock::now());
    now.gsm = gsm;
    now.ready = ready;
    now.receiverOn = receiverOn;
    now.modemOn = modemOn;
    now.receiverStartedHere = receiverStartedHere;
    now.modemStartedHere = modemStartedHere;
    now.sentences = counts.sentences;
    now.skipped = counts.malformed + counts.overlong + counts.brokenSets;
    std::lock_guard lock(mutex);
    published = std::move(now);
}

void StatusThread::Execute() {
    ReadBalanceCode();
    CheckModules();
    StartModules();
    ready = true;
    Publish();
    Clock::time_point nextRound = Clock::now();
    int round = 0;
    while (!StopRequested() && Poll()) {
        bool askBalance = false;
        {
            std::lock_guard lock(mutex);
            std::swap(askBalance, balanceRequested);
        }
        if (modemOn && askBalance) QueryBalance();
        if (modemOn && Clock::now() >= nextRound) {
            QueryModem(round % kFullRoundEvery == 0);
            ++round;
            nextRound = Clock::now() + std::chrono::milliseconds(context.timings.statusRoundMs);
        }
        Publish();
        Sleep(context.timings.statusPollMs);
    }
    if (context.port.LineLost()) Log(kLinkLost);
    StopModules();
    ready = false;
    Publish();
}

}  // namespace zort
