#pragma once
// Calls handed over from any thread to run on the main thread soon after, in order,
// without the caller waiting: for reports that must never hold up a worker (a log line,
// a row's progress), unlike a message box, which does so on purpose.
//
// As with MainThreadCalls, the calls themselves pass under a mutex of ours and only a
// wake-up signal crosses Qt's event queue, so thread checkers see every hand-over.
// Whoever posts must be gone before this object is; calls still queued then are dropped.

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

namespace zort {

class PostedCalls : public QObject {
    Q_OBJECT
  public:
    // Created on the thread the calls run on.
    PostedCalls();

    // From any thread.
    void Post(std::function<void()> call);

  Q_SIGNALS:
    void Posted();

  private:
    void RunPosted();

    std::mutex mutex;  // guards `calls`
    std::deque<std::function<void()>> calls;
};

}  // namespace zort
