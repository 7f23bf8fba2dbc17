#include "connect/Probe.h"

#include <chrono>
#include <thread>

#include "connect/ProbeRefusals.h"
#include "link/CommandFrame.h"
#include "link/Cp1251.h"
#include "link/SerialPort.h"
#include "settings/SettingTable.h"

namespace zort {

ProbeResult Ended(ProbeResult result, ProbeState state, std::string reason, int osError) {
    result.state = state;
    result.reason = std::move(reason);
    // What a device answered before it failed is not a tracker's identity.
    result.identity.clear();
    result.softwareVersion.clear();
    result.imei.clear();
    result.osError = osError;
    return result;
}

std::string MissingReason(const std::string& port) {
    return "Порт " + port + " не найден: устройство не подключено или имя порта неверно";
}

namespace {

// The three slots that describe the device, read in this order.
constexpr int kProbedSlots[] = {slot::kDeviceIdentity, slot::kSoftwareVersion, slot::kImei};

enum class ReadOutcome { kAnswered, kNoAnswer, kNoise, kLineLost };

// One read-parameter request and its 32-byte answer within `waitMs` of the request.
// More than 32 bytes is not a tracker's answer: a tracker sends exactly one slot.
ReadOutcome ReadSlot(SerialPort& port, uint32_t id, int waitMs, const LinkTimings& timings,
                     std::string& text) {
    if (port.ReceivedCount() > kSlotSize) return ReadOutcome::kNoise;
    if (!port.SendFrame(kCmdReadParameter, id, 0, nullptr) || !port.Pause(timings.settingsReadPauseMs)) {
        return port.LineLost() ? ReadOutcome::kLineLost : ReadOutcome::kNoAnswer;
    }
    const bool answered = port.WaitReply(kSlotSize, waitMs - timings.settingsReadPauseMs);
    if (!answered) return port.LineLost() ? ReadOutcome::kLineLost : ReadOutcome::kNoAnswer;
    if (port.ReceivedCount() > kSlotSize) return ReadOutcome::kNoise;
    ParameterSlot reply;
    port.CopyReceived(reply.bytes.data(), reply.bytes.size());
    text = Cp1251ToUtf8(reply.Text());
    return ReadOutcome::kAnswered;
}

ProbeResult Exchange(const SystemView& system, ProbeResult result, const ProbeOptions& options) {
    const std::string port = result.port;  // `result` is moved from while the reason is built
    SerialPort channel;
    if (!channel.Open(port)) {
        return OpenRefused(system, std::move(result), channel.LastOpenError());
    }
    std::string* fields[] = {&result.identity, &result.softwareVersion, &result.imei};
    for (size_t k = 0; k < std::size(kProbedSlots); ++k) {
        const int waitMs = k == 0 ? options.firstReplyMs : options.timings.settingsReplyMs;
        const ReadOutcome outcome =
            ReadSlot(channel, SettingOf(kProbedSlots[k]).id, waitMs, options.timings, *fields[k]);
        if (outcome == ReadOutcome::kLineLost) {
            return Ended(std::move(result), ProbeState::kMissing,
                         "Порт " + port + " пропал во время проверки: устройство отключено");
        }
        if (outcome == ReadOutcome::kNoise) {
            return Ended(std::move(result), ProbeState::kSilent,
                         "Устройство на порту " + port + " присылает поток данных, а не ответы трекера");
        }
        if (outcome == ReadOutcome::kNoAnswer && k == 0) {
            const uint32_t got = channel.ReceivedCount();
            return Ended(std::move(result), ProbeState::kSilent,
                         got == 0
                             ? "Порт " + port + " молчит: трекер не ответил за " +
                                   std::to_string(options.firstReplyMs) + " мс"
                             : "Устройство на порту " + port + " ответило не как трекер (" +
                                   std::to_string(got) + " байт вместо " + std::to_string(kSlotSize) + ")");
        }
        if (outcome == ReadOutcome::kNoAnswer) {
            return Ended(std::move(result), ProbeState::kSilent,
                         "Устройство на порту " + port + " ответило на первый запрос и замолчало");
        }
    }
    // A device that streams on its own may have sent exactly one slot's worth by the
    // last wait; what comes during one more pause gives it away.
    if (channel.Pause(options.timings.settingsReadPauseMs) && channel.ReceivedCount() > kSlotSize) {
        return Ended(std::move(result), ProbeState::kSilent,
                     "Устройство на порту " + port + " присылает поток данных, а не ответы трекера");
    }
    channel.Close();
    result.state = ProbeState::kTracker;
    return result;
}

ProbeResult ProbeOne(const SystemView& system, const std::string& port, const ProbeOptions& options) {
    ProbeResult result;
    result.port = port;
    result.usb = FindUsbInfo(system, port);
    if (auto refused = RefuseBeforeOpen(system, result)) return std::move(*refused);
    return Exchange(system, std::move(result), options);
}

}  // namespace

std::string_view StateName(ProbeState state) {
    switch (state) {
        case ProbeState::kTracker:
            return "tracker";
        case ProbeState::kSilent:
            return "silent";
        case ProbeState::kBusy:
            return "busy";
        case ProbeState::kDenied:
            return "denied";
        case ProbeState::kMissing:
            return "missing";
        case ProbeState::kError:
            return "error";
    }
    return "error";
}

std::vector<ProbeResult> ProbePorts(const SystemView& system, const std::vector<std::string>& ports,
                                    const ProbeOptions& options) {
    std::vector<ProbeResult> results(ports.size());
    {
        std::vector<std::jthread> threads;
        threads.reserve(ports.size());
        for (size_t k = 0; k < ports.size(); ++k) {
            threads.emplace_back([&, k] { results[k] = ProbeOne(system, ports[k], options); });
        }
    }  // every probe joined here: nothing outlives the call
    // After the probes closed their ports, so that this process is not among the holders.
    NameHolders(system, ports, results);
    return results;
}

ProbeResult ProbePort(const SystemView& system, const std::string& port, const ProbeOptions& options) {
    return ProbePorts(system, {port}, options).front();
}

}  // namespace zort
