#pragma once
// Scripted misbehaviour of the simulated tracker, for tests and for trying failures by
// hand. A rule picks frames by command and by their 1-based count and bends the answer.
//
// Text form (zort-sim --fault): ACTION[=ARG]@CMD#K[+]
//   ACTION  drop | delay=MS | extra=N | garbage=N | short=N | close
//   CMD     command code, or * for any frame (then K counts all frames)
//   K       which frame of that command; "+" applies it to that one and every later one
// Examples: drop@1#5 (the 5th read goes unanswered), delay=4500@2#3+, close@*#8.

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
};

struct FaultRule {
    FaultAction action = FaultAction::kDrop;
    int arg = 0;
    int command = 0;  // 0: any command
    int nth = 1;
    bool onward = false;

    bool Matches(int frameCommand, int countOfCommand, int countOfAll) const;
    static bool Parse(const std::string& text, FaultRule& rule, std::string& error);
};

struct FaultPlan {
    std::vector<FaultRule> rules;
    int replyDelayMs = 0;   // every answer this much later
    int extraBytes = 0;     // appended to every answer
    int closeAfterFrames = -1;  // answer this many frames, close the line on the next
};

// What the line does for one received frame.
struct PlannedReply {
    size_t requestBytes = 0;  // size of the frame this answers, for wire-time emulation
    std::vector<uint8_t> bytes;
    int delayMs = 0;
    bool closeLine = false;
};

}  // namespace zort::sim
