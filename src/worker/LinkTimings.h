#pragma once
// The tracker's time-outs and pauses, in milliseconds. The product always uses the
// defaults; tests that are not about timing may shorten them through DeviceContext.

namespace zort {

struct LinkTimings {
    int settingsReplyMs = 4000;   // read reply and write acknowledgement
    int settingsReadPauseMs = 10; // between a read request and its wait
    int firmwareReplyMs = 10000;  // erase and each block
};

}  // namespace zort
