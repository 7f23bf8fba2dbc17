#pragma once
// The simulated tracker for the service workers: a sink that records their log and the
// streamed text, and helpers to run one service command and read back what reached the
// modem.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "service/ServiceThread.h"
#include "support/TrackerWithWorker.h"

namespace zort::test {

class LogRecordingSink : public WorkerSink {
  public:
    void ShowProgress(const std::string&) override {}
    void SetProgress(int, int) override {}
    void HideProgress() override {}
    void ShowMessage(int kind, const std::string& message, const std::string&) override {
        std::lock_guard lock(mutex);
        messages.emplace_back(kind, message);
    }
    void LogLine(const std::string& line) override {
        std::lock_guard lock(mutex);
        lines.push_back(line);
        changed.notify_all();
    }
    void AppendText(const std::string& text) override {
        std::lock_guard lock(mutex);
        stream += text;
        ++appends;
        if (text.empty()) ++emptyAppends;
        changed.notify_all();
    }

    std::vector<std::string> Lines() {
        std::lock_guard lock(mutex);
        return lines;
    }
    std::vector<std::pair<int, std::string>> Messages() {
        std::lock_guard lock(mutex);
        return messages;
    }
    std::string Stream() {
        std::lock_guard lock(mutex);
        return stream;
    }
    int Appends() {
        std::lock_guard lock(mutex);
        return appends;
    }
    int EmptyAppends() {
        std::lock_guard lock(mutex);
        return emptyAppends;
    }
    // Waits until `done` holds for the recorded state or `timeout` passes.
    template <typename Pred>
    bool WaitFor(Pred done, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, timeout, [&] { return done(lines, stream); });
    }

  private:
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::string> lines;
    std::vector<std::pair<int, std::string>> messages;
    std::string stream;
    int appends = 0;
    int emptyAppends = 0;
};

// Timings for tests that are not about the tracker's real time-outs: short, but long
// enough for the simulator on a pseudo-terminal to answer every time.
inline LinkTimings FastTimings() {
    LinkTimings t;
    t.switchReplyMs = 300;
    t.modemReplyMs = 150;
    t.modemPauseMs = 30;
    t.modemWriteReplyMs = 300;
    t.smsReplyMs = 500;
    t.smsPromptPauseMs = 30;
    t.nmeaPollMs = 200;
    return t;
}

class ServiceTracker : public TrackerWithWorker<LogRecordingSink> {
  public:
    explicit ServiceTracker(sim::FaultPlan plan = {}) : TrackerWithWorker(std::move(plan)) {}

    // Runs one service command to its end; `setup` fills the worker's inputs.
    template <typename Setup>
    ServiceThread* Run(int mode, Setup setup) {
        ServiceThread& worker = TrackerWithWorker::Run<ServiceThread>([&](ServiceThread& w) {
            w.mode = mode;
            setup(w);
        });
        Settle();
        return &worker;
    }
    ServiceThread* Run(int mode) {
        return Run(mode, [](ServiceThread&) {});
    }

    // A run that awaits no answer ends as soon as its last frame is written; give the
    // simulator the moment it needs to read it.
    void Settle() {
        int frames = tracker.simulator.FramesReceived();
        for (int quiet = 0; quiet < 5;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            const int now = tracker.simulator.FramesReceived();
            quiet = now == frames ? quiet + 1 : 0;
            frames = now;
        }
    }
    // The payloads of the command-8 frames, in order, as text.
    std::vector<std::string> ModemPayloads() const {
        std::vector<std::string> out;
        for (const sim::FrameRecord& r : tracker.simulator.Trace()) {
            if (r.command == kCmdModemPassThrough) out.emplace_back(r.payload.begin(), r.payload.end());
        }
        return out;
    }

    void PowerModem() {
        tracker.simulator.WithModel([](sim::TrackerModel& m) {
            m.SetModemOn(true);
            return 0;
        });
    }
    // A modem as the start command leaves it: on, echo off.
    void StartedModem() {
        PowerModem();
        tracker.simulator.WithModem([](sim::ModemModel& m) {
            m.OnPayload({'A', 'T', 'E', '0', '\r', '\n'});
            return 0;
        });
    }
};

}  // namespace zort::test
