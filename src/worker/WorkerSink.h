#pragma once
// How a worker reports. The GUI's adapter runs every call on the main thread while the
// worker waits (so a message box holds the worker until it is closed); the CLI prints;
// tests record. No worker touches a window.

#include <cstdint>
#include <string>

namespace zort {

// Kinds of the final message.
inline constexpr int kStatusSuccess = 3;  // information icon
inline constexpr int kStatusError = 4;    // warning icon

class WorkerSink {
  public:
    virtual ~WorkerSink() = default;

    // Progress: the settings workers use the small progress window, the firmware
    // update the bar on its page; the sink knows which.
    virtual void ShowProgress(const std::string& caption) = 0;
    virtual void SetProgress(int maximum, int position) = 0;
    virtual void HideProgress() = 0;

    // statusKind 3: success, 4: error, anything else shows nothing. `detail` says more
    // where the program knows more than the message (why a port did not open); it may
    // be empty.
    virtual void ShowMessage(int statusKind, const std::string& message, const std::string& detail) = 0;

    // The first 32 received bytes after a settings read request, for the reply log.
    virtual void LogReply(const uint8_t* reply32) { (void)reply32; }
    // A complete settings read is in the image: show it in the pages and the summary.
    virtual void ImageRead() {}
    // One line for the service window's log.
    virtual void LogLine(const std::string& line) { (void)line; }
    // A piece of the receiver's stream (UTF-8), appended to the service log exactly as
    // it came: no separator, no line break; the stream's own CR LF end its lines. Called
    // once a poll, with an empty text when nothing arrived, so a view can still scroll
    // to its end.
    virtual void AppendText(const std::string& text) { (void)text; }
    // The last call of every run, after the channel was closed: the window may enable
    // the button that started the work again.
    virtual void WorkerEnded() {}
};

// A sink that shows nothing, for work nobody watches.
class NullSink : public WorkerSink {
  public:
    void ShowProgress(const std::string&) override {}
    void SetProgress(int, int) override {}
    void HideProgress() override {}
    void ShowMessage(int, const std::string&, const std::string&) override {}
};

}  // namespace zort
