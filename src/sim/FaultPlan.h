#pragma once
// Scripted misbehaviour of the simulated tracker, for tests and for trying failures by
// hand. A rule picks frames by command, optionally by their payload, and by their
// 1-based count among the frames it picks, and bends the answer.
//
// Text form (zort-sim --fault): ACTION[=ARG]@CMD[:HEX]#K[+]
//   ACTION  drop | delay=MS | extra=N | garbage=N | short=N | close | hold
//   CMD     command code, or * for any frame (then K counts all frames)
//   HEX     only frames of CMD whose payload is exactly these bytes (then K counts those):
//           a request named by what it carries, wherever retries put it in the stream
//   K       which of the picked frames; "+" applies it to that one and every later one
// Examples: drop@1#5 (the 5th read goes unanswered), delay=4500@2#3+, close@*#8,
//           drop@9:a0#1 (the first synchronisation byte to the GNSS receiver).

#include <cstdint>
#include <string>
#include <vector>

namespace zort::sim {

enum class FaultAction {
    kDrop,     // no answer at all
    kDelay,    // answer `arg` ms later than usual
    kExtra,    // append `arg` bytes 0x55 to the answer
    kGarbage,  // put `arg` bytes 0xEE in front of the answer
    kShort,    // send only the first `arg` bytes of the answer
    kClose,    // close the line instead of answering (a pulled cable)
    kHold,     // answer only when the transport's owner releases held answers: "late"
               // tied to an event (the client gave up) rather than to a clock
};

struct FaultRule {
    FaultAction action = FaultAction::kDrop;
    int arg = 0;
    int command = 0;  // 0: any command
    int nth = 1;
    bool onward = false;
    std::vector<uint8_t> payload;  // empty: any payload

    // Whether the rule picks this frame at all; the picked ones are counted.
    bool Selects(int frameCommand, const std::vector<uint8_t>& framePayload) const;
    // Whether it bends the `count`-th frame it picked.
    bool Fires(int count) const;
    static bool Parse(const std::string& text, FaultRule& rule, std::string& error);
};

// The action's word in the text form, and whether it takes "=ARG".
const char* FaultActionName(FaultAction action);
bool FaultActionTakesArg(FaultAction action);

// "K" or "K+", the occurrence part of a tracker's and of a receiver's fault: K counts
// from 1, "+" extends the fault to every later occurrence.
bool ParseOccurrence(std::string text, int& nth, bool& onward);

struct FaultPlan {
    std::vector<FaultRule> rules;
    int replyDelayMs = 0;       // every answer this much later
    int extraBytes = 0;         // appended to every answer
    int closeAfterFrames = -1;  // answer this many frames, close the line on the next
};

// What the line does for one received frame.
struct PlannedReply {
    size_t requestBytes = 0;  // size of the frame this answers, for wire-time emulation
    std::vector<uint8_t> bytes;
    int delayMs = 0;
    bool held = false;
    bool closeLine = false;
};

}  // namespace zort::sim
