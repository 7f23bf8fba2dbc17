#pragma once
// Lines written on any thread (the session log's, as each operation ends), shown on the
// main thread without making the writer wait.
//
// Whoever posts must be gone before the relay is; the receiver may go first: `deliver`
// is set, called and cleared on the main thread only.

#include <QString>
#include <functional>
#include <string>

#include "app/PostedCalls.h"

namespace zort {

class LineRelay {
  public:
    // From any thread; the line (UTF-8) reaches `deliver` soon after, in order.
    void Post(std::string line) {
        calls.Post([this, line = std::move(line)] {
            if (deliver) deliver(QString::fromStdString(line));
        });
    }

    std::function<void(const QString& line)> deliver;

  private:
    PostedCalls calls;
};

}  // namespace zort
