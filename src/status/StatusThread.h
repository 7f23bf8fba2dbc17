#pragma once
// Keeps the tracker's live status fresh while someone watches it: reads the receiver's
// NMEA stream and asks the modem about the network and the SIM card now and then.
//
// It starts the way the service commands do: whatever of the receiver and the modem is
// off, it switches on (and logs it in their words); what was already on it leaves on.
// When asked to stop it switches off only what it switched on. The stream and the
// modem's answers share the channel, so every byte taken is sorted: sentences to the
// NMEA reader, other lines to the query waiting for them, the tracker's one-byte
// acknowledgements of its switches to whoever waits for one.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

#include "status/NmeaReader.h"
#include "status/TrackerStatus.h"
#include "worker/Worker.h"

namespace zort {

inline constexpr const char* kStatusActivity = "идёт показ состояния трекера";
inline constexpr const char* kStatusModulesStarted =
    "Модули включены для показа состояния; при его закрытии они будут выключены";
inline constexpr const char* kBalanceCodeUnknown = "Код запроса баланса не прочитан из трекера, запрос *100#";
inline constexpr const char* kBalanceNoAnswer = "Оператор не ответил на запрос баланса";

class StatusThread : public Worker {
  public:
    // Guarded by its owner (the status view or the command), like the NMEA relay.
    StatusThread(DeviceContext& context, WorkerSink& sink) : Worker(context, sink, nullptr) {}
    ~StatusThread() override;

    // Ends the watching: what this run switched on is switched off, then the run ends.
    // Safe from any thread, also before Start() and after the run ended.
    void RequestStop();
    // Asks the network for the balance with the tracker's balance code; the answer
    // appears in the status. Nothing when the modem is not on.
    void RequestBalance();

    // The latest status; safe from any thread at any time.
    TrackerStatus Snapshot() const;

    std::string Activity() const override { return kStatusActivity; }

  protected:
    void Execute() override;

  private:
    using Clock = std::chrono::steady_clock;

    // Waits for one of: `done`, a stop, the channel gone, or `ms`; meanwhile the stream
    // keeps being read. True when `done` came.
    template <typename Done>
    bool WaitUntil(Done done, int ms);
    // Takes what arrived and sorts it; false once the channel is gone.
    bool Poll();
    bool Sleep(int ms);
    bool StopRequested() const;
    bool ChannelGone() const;

    void ReadBalanceCode();
    void CheckModules();
    void StartModules();
    void StopModules();
    // Sends a switch and waits for its acknowledgement; logs `done` (unless null) or `notDone`.
    bool Switch(uint8_t command, const char* done, const char* notDone);
    // The whole answer of the modem to `command`, up to the final result (or what came
    // within `ms`); empty when nothing came.
    std::string Ask(const std::string& command, int ms, bool (*complete)(std::string_view));
    void QueryModem(bool full);
    void QueryBalance();
    void Publish();

    void Log(const std::string& line);

    NmeaReader reader;
    std::string modemLines;  // the modem's lines since the last question, CR LF framed
    uint64_t acknowledgements = 0;
    std::string balanceCode;
    GsmStatus gsm;  // this thread's own; copied out by Publish()
    bool receiverOn = false;
    bool modemOn = false;
    bool receiverStartedHere = false;
    bool modemStartedHere = false;
    bool ready = false;
    bool switching = false;  // a switch's acknowledgement is awaited
    int silentQueries = 0;   // rounds in a row the modem answered nothing

    mutable std::mutex mutex;  // guards the requests and the published snapshot
    std::condition_variable wake;
    bool stopRequested = false;
    bool balanceRequested = false;
    TrackerStatus published;
};

}  // namespace zort
