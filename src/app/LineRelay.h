#pragma once
// Lines written on any thread (the session log's, as each operation ends), shown on the
// main thread without making the writer wait: a log line must never hold up a worker,
// unlike a message box, which does so on purpose.
//
// Whoever posts must be gone before the relay is; the receiver may go first: `deliver`
// is set, called and cleared on the main thread only.

#include <QObject>
#include <QString>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

namespace zort {

class LineRelay : public QObject {
    Q_OBJECT
  public:
    // Created on the thread `deliver` runs on.
    LineRelay();

    // From any thread; the line (UTF-8) reaches `deliver` soon after, in order.
    void Post(std::string line);

    std::function<void(const QString& line)> deliver;

  Q_SIGNALS:
    void Posted();

  private:
    void Deliver();

    std::mutex mutex;  // guards `lines`
    std::deque<std::string> lines;
};

}  // namespace zort
