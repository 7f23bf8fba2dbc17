#include "app/LineRelay.h"

namespace zort {

LineRelay::LineRelay() {
    connect(this, &LineRelay::Posted, this, &LineRelay::Deliver, Qt::QueuedConnection);
}

void LineRelay::Post(std::string line) {
    {
        std::lock_guard lock(mutex);
        lines.push_back(std::move(line));
    }
    Q_EMIT Posted();
}

void LineRelay::Deliver() {
    std::deque<std::string> taken;
    {
        std::lock_guard lock(mutex);
        taken.swap(lines);
    }
    for (const std::string& line : taken) {
        if (deliver) deliver(QString::fromStdString(line));
    }
}

}  // namespace zort
