#include "sim/TrackerSimulator.h"

#include <algorithm>

#include "link/Cp1251.h"
#include "sim/JsonWriter.h"

namespace zort::sim {

namespace {

constexpr uint32_t kImeiParameter = 0x080807E0;

}  // namespace

TrackerSimulator::TrackerSimulator(FaultPlan plan) : plan(std::move(plan)), picked(this->plan.rules.size()) {
    // The modem tells the IMEI the tracker stores, whatever a test wrote there.
    modem.SetImeiSource([this] { return model.ParameterText(kImeiParameter); });
    gnss.SetLinkBaudSource([this] { return model.GnssBaud(); });
    model.SetModem(&modem);
    model.SetGnss(&gnss);
}

void TrackerSimulator::SetPlan(const FaultPlan& newPlan) {
    std::lock_guard lock(mutex);
    plan = newPlan;
    picked.assign(plan.rules.size(), 0);
}

std::vector<PlannedReply> TrackerSimulator::OnBytes(const uint8_t* data, size_t length) {
    std::lock_guard lock(mutex);
    std::vector<PlannedReply> replies;
    if (closed) return replies;
    for (const ReceivedFrame& frame : parser.Feed(data, length)) {
        replies.push_back(Plan(frame));
        if (replies.back().closeLine) {
            closed = true;
            break;
        }
    }
    return replies;
}

PlannedReply TrackerSimulator::Plan(const ReceivedFrame& frame) {
    const int command = frame.header.command;
    ++framesReceived;

    FrameRecord record{std::chrono::steady_clock::now(),
                       frame.header.command,
                       frame.header.id,
                       frame.header.length,
                       frame.payload,
                       {}};
    PlannedReply reply;
    reply.requestBytes = frame.WireSize();
    std::vector<uint8_t> normal;
    if (plan.closeAfterFrames >= 0 && framesReceived > plan.closeAfterFrames) {
        reply.closeLine = true;
    } else {
        normal = model.Handle(frame);
        reply.bytes = normal;
        reply.delayMs = plan.replyDelayMs;
        if (!reply.bytes.empty()) reply.bytes.insert(reply.bytes.end(), plan.extraBytes, 0x55);
        bool bent = false;
        for (size_t i = 0; i < plan.rules.size(); ++i) {
            const FaultRule& rule = plan.rules[i];
            if (!rule.Selects(command, frame.payload) || !rule.Fires(++picked[i])) continue;
            bent = true;
            switch (rule.action) {
                case FaultAction::kDrop:
                    reply.bytes.clear();
                    break;
                case FaultAction::kDelay:
                    reply.delayMs += rule.arg;
                    break;
                case FaultAction::kExtra:
                    reply.bytes.insert(reply.bytes.end(), rule.arg, 0x55);
                    break;
                case FaultAction::kGarbage:
                    reply.bytes.insert(reply.bytes.begin(), rule.arg, 0xEE);
                    break;
                case FaultAction::kShort:
                    if (reply.bytes.size() > static_cast<size_t>(rule.arg)) reply.bytes.resize(rule.arg);
                    break;
                case FaultAction::kClose:
                    reply.closeLine = true;
                    break;
                case FaultAction::kHold:
                    reply.held = true;
                    break;
            }
        }
        if (bent) ++faultsApplied;
    }
    if (reply.closeLine) {
        reply.bytes.clear();
        record.fate = "closed";
    } else if (!reply.bytes.empty()) {
        record.fate = "answered";
    } else {
        record.fate = normal.empty() ? "silent" : "dropped";
    }
    if (trace.size() < kTraceLimit) trace.push_back(std::move(record));
    return reply;
}

std::vector<uint8_t> TrackerSimulator::TakeSpontaneous() {
    std::lock_guard lock(mutex);
    if (closed) return {};
    std::vector<uint8_t> out;
    for (PassThroughPeer* peer : {model.Modem(), model.Gnss()}) {
        if (!peer) continue;
        std::vector<uint8_t> bytes = peer->TakeSpontaneous();
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    return out;
}

std::vector<FrameRecord> TrackerSimulator::Trace() const {
    std::lock_guard lock(mutex);
    return trace;
}

int TrackerSimulator::FramesReceived() const {
    std::lock_guard lock(mutex);
    return framesReceived;
}

int TrackerSimulator::FaultsApplied() const {
    std::lock_guard lock(mutex);
    return faultsApplied;
}

uint64_t TrackerSimulator::DiscardedBytes() const {
    std::lock_guard lock(mutex);
    return parser.DiscardedBytes();
}

std::string TrackerSimulator::StateJson() const {
    std::lock_guard lock(mutex);
    std::string j = "{\n  \"parameters\": {";
    bool first = true;
    for (const auto& [id, slot] : model.Parameters()) {
        j += first ? "\n    " : ",\n    ";
        first = false;
        j += JsonQuote(HexId(id)) + ": " + JsonQuote(Cp1251ToUtf8(model.ParameterText(id)));
    }
    j += "\n  },\n";
    const auto& flash = model.FlashImage();
    j += "  \"flash\": {\"base\": \"" + HexId(TrackerModel::kFlashBase) +
         "\", \"size\": " + std::to_string(flash.size()) +
         ", \"erases\": " + std::to_string(model.FlashErases()) +
         ", \"blocks\": " + std::to_string(model.FlashBlocks()) +
         ", \"faults\": " + std::to_string(model.FlashFaults()) + ", \"hex\": \"" +
         HexBytes(flash.data(), flash.size()) + "\"},\n";
    j += std::string("  \"modem_on\": ") + (model.ModemOn() ? "true" : "false") + ",\n";
    j += std::string("  \"gnss_on\": ") + (model.GnssOn() ? "true" : "false") + ",\n";
    j += "  \"gnss_baud\": " + std::to_string(model.GnssBaud()) + ",\n";
    if (model.Modem()) j += "  \"modem\": " + model.Modem()->StateJson() + ",\n";
    if (model.Gnss()) j += "  \"gnss\": " + model.Gnss()->StateJson() + ",\n";
    j += "  \"frames_received\": " + std::to_string(framesReceived) + ",\n";
    j += "  \"discarded_bytes\": " + std::to_string(parser.DiscardedBytes()) + ",\n";
    j += "  \"line_closed\": " + std::string(closed ? "true" : "false") + ",\n";
    j += "  \"frames\": [";
    first = true;
    for (const FrameRecord& r : trace) {
        j += first ? "\n    " : ",\n    ";
        first = false;
        j += "{\"command\": " + std::to_string(r.command) + ", \"id\": " + JsonQuote(HexId(r.id)) +
             ", \"length\": " + std::to_string(r.length) + ", \"payload\": \"" +
             HexBytes(r.payload.data(), r.payload.size()) + "\", \"fate\": " + JsonQuote(r.fate) + "}";
    }
    j += "\n  ]\n}\n";
    return j;
}

}  // namespace zort::sim
