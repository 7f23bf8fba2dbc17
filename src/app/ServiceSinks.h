#pragma once
// The service window's workers report through these: the service commands and the NMEA
// relay into the log, the receiver's firmware update also into its progress bar and its
// button. Like the main window's sinks, each call runs on the main thread while the
// worker waits, and Detach() silences them for good.
//
// A sink also counts the runs it serves: a run counts from its start until its
// WorkerEnded, the last call a worker makes, so the window knows when no worker can
// call into it any more.

#include <atomic>
#include <functional>

#include "app/MainThreadCalls.h"
#include "worker/WorkerSink.h"

namespace zort {

class TForm5;

class ServiceSink : public WorkerSink {
  public:
    explicit ServiceSink(TForm5& form) : form(form) {}
    void Detach() { mainThread.Detach(); }

    // A worker reporting here was started.
    void RunStarted() { ++runs; }
    int RunsInFlight() const { return runs.load(); }

    void ShowProgress(const std::string&) override {}
    void SetProgress(int, int) override {}
    void HideProgress() override {}
    void ShowMessage(int statusKind, const std::string& message, const std::string& detail) override;
    void LogLine(const std::string& line) override;
    void AppendText(const std::string& text) override;
    void WorkerEnded() override;

  protected:
    void OnMainThread(const std::function<void()>& call) { mainThread.Run(call); }
    TForm5& form;

  private:
    MainThreadCalls mainThread;
    std::atomic<int> runs{0};
};

// The receiver's firmware update: its bar. Its button comes back with the channel.
class GnssUpdateSink : public ServiceSink {
  public:
    using ServiceSink::ServiceSink;
    void SetProgress(int maximum, int position) override;
};

}  // namespace zort
