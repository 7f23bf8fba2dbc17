#pragma once
// The workers' reports, carried to the main thread. Each call runs there while the
// worker waits, so a message box holds the worker until it is closed, as the user
// expects. Detach() makes every later call a no-op: the window is going away and nothing
// may pop up after it.

#include <functional>

#include "app/MainThreadCalls.h"
#include "worker/WorkerSink.h"

namespace zort {

class TForm1;

class QtSink : public WorkerSink {
  public:
    explicit QtSink(TForm1& form) : form(form) {}
    void Detach() { mainThread.Detach(); }

    void ShowMessage(int statusKind, const std::string& message, const std::string& detail) override;

  protected:
    // Runs `call` on the main thread and waits for it.
    void OnMainThread(const std::function<void()>& call) { mainThread.Run(call); }
    TForm1& form;

  private:
    MainThreadCalls mainThread;
};

// Settings read and write: the progress window, the reply log, the pages.
class SettingsSink : public QtSink {
  public:
    using QtSink::QtSink;
    void ShowProgress(const std::string& caption) override;
    void SetProgress(int maximum, int position) override;
    void HideProgress() override;
    void LogReply(const uint8_t* reply32) override;
    void ImageRead() override;
    void WorkerEnded() override;
};

// The tracker's firmware update: the progress bar on its page, which also tells how the
// update ended.
class FirmwareSink : public QtSink {
  public:
    using QtSink::QtSink;
    void ShowMessage(int statusKind, const std::string& message, const std::string& detail) override;
    void ShowProgress(const std::string&) override {}
    void SetProgress(int maximum, int position) override;
    void HideProgress() override {}
    void WorkerEnded() override;
};

}  // namespace zort
