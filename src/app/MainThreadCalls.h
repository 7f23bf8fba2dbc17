#pragma once
// Carries the workers' reports to the main thread. A worker hands over its call and
// waits until the main thread has run it, so a message box holds the worker until it is
// closed, as the user expects.
//
// The hand-over is ours (a mutex, a condition variable and a queue) rather than Qt's
// blocking queued call: a wake-up signal is all that crosses Qt's event queue, so every
// piece of data shared with the worker is passed under a lock that thread checkers can
// see, and a call can never be run after Detach().

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace zort {

class MainThreadCalls : public QObject {
    Q_OBJECT
  public:
    // Created on the thread the calls must run on (the main thread).
    MainThreadCalls();
    // Releases any caller still waiting, without running its call, and returns once
    // they have all left.
    ~MainThreadCalls() override;

    // Runs `call` on this object's thread and waits for it; on that thread already, runs
    // it at once. Once Detach() was called nothing runs, also a call that was waiting.
    void Run(const std::function<void()>& call);

    // For good: the window is going away and nothing may pop up after it. Waiting
    // callers return at once.
    void Detach();

  Q_SIGNALS:
    void Posted();

  private:
    struct Pending {
        const std::function<void()>* call;
        bool done = false;
    };
    void RunPending();

    std::mutex mutex;
    std::condition_variable finished;
    std::deque<Pending*> queue;
    bool detached = false;
    int callers = 0;  // threads inside Run(), waiting for their call
};

}  // namespace zort
