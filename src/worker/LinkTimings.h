#pragma once
// The tracker's time-outs and pauses, in milliseconds. The product always uses the
// defaults; tests that are not about timing may shorten them through DeviceContext.

namespace zort {

struct LinkTimings {
    int settingsReplyMs = 4000;    // read reply and write acknowledgement
    int settingsReadPauseMs = 10;  // between a read request and its wait
    int firmwareReplyMs = 10000;   // erase and each block

    // Service commands.
    int switchReplyMs = 2000;      // start/stop of the modem or the GNSS receiver
    int modemReplyMs = 500;        // each "AT" of the modem start, "ATE0", the phone-book entry
    int modemPauseMs = 100;        // upload: after each command whose answer is not awaited
    int modemWriteReplyMs = 2000;  // upload: the prompt and the confirmation of every chunk
    int smsReplyMs = 1000000;      // each step of the SMS: the modem may be searching the network
    int smsPromptPauseMs = 1500;   // between the message prompt and the message text
    int nmeaPollMs = 1000;         // the NMEA relay's period

    // The live status.
    int statusPollMs = 100;    // how often the stream is taken and sorted
    int statusProbeMs = 1500;  // listening for the receiver's stream (a burst a second) and the modem's "OK"
    int statusReplyMs = 1500;  // each status query: the answer may queue behind a second of stream
    int statusRoundMs = 3000;  // between two rounds of signal and registration queries
    int ussdReplyMs = 30000;   // the network's answer to a balance request

    // The GNSS receiver update.
    int gnssSwitchReplyMs = 2000;    // the tracker's own commands: receiver off, on, link speed
    int gnssSyncReplyMs = 100;       // one boot-ROM synchronisation attempt
    int gnssReplyMs = 4000;          // every answer of the boot ROM and of the loader
    int gnssSwitchPauseMs = 50;      // after switching the receiver off and on
    int gnssPassPauseMs = 200;       // between pass-through sends that get no answer
    int gnssChecksumPauseMs = 1000;  // the boot ROM getting ready to sum the loader
};

}  // namespace zort
