#pragma once
// The CLI's WorkerSink: a one-line progress bar on stderr (only when stderr is a
// terminal, so logs and pipes never see it) and the success message as a log line on
// stdout. Failures are not printed here: the worker keeps them and the command turns
// them into its Outcome, which prints them once.

#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <string_view>

#include "worker/WorkerSink.h"

namespace zort::cli {

// "caption [#####-----]  40%  осталось 0:03": the remaining time is extrapolated from
// the time spent so far; "--:--" until there is anything to extrapolate from.
std::string ProgressLine(std::string_view caption, int maximum, int position, double elapsedSeconds);

class ConsoleSink : public WorkerSink {
  public:
    ConsoleSink(bool drawProgress, std::FILE* out = stdout, std::FILE* err = stderr);

    // A new operation starts now, under `caption` until the worker names its own (the
    // firmware update reports progress without a caption).
    void Begin(std::string caption);
    bool ImageWasRead() const { return imageRead; }

    // A log line on stdout; the progress line is cleared first.
    void Print(std::string_view line);
    // A note on stderr (what a script reads on stdout stays clean).
    void Note(std::string_view line);

    void ShowProgress(const std::string& caption) override;
    void SetProgress(int maximum, int position) override;
    void HideProgress() override;
    void ShowMessage(int statusKind, const std::string& message, const std::string& detail) override;
    void ImageRead() override { imageRead = true; }

  private:
    using Clock = std::chrono::steady_clock;
    void ClearLineLocked();

    const bool drawProgress;
    std::FILE* out;
    std::FILE* err;

    std::mutex mutex;  // the worker reports while the main thread may print
    std::string caption;
    Clock::time_point started = Clock::now();
    Clock::time_point lastDrawn{};
    bool lineShown = false;
    bool imageRead = false;
};

}  // namespace zort::cli
