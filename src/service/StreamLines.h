#pragma once
// Cuts the receiver's stream, as the relay hands it on in pieces, into whole lines for
// the service log. A piece may end in the middle of a sentence; that part is held back
// until its line ends, so that a log line written meanwhile never lands inside it. Bytes
// that are no text (the tracker's one-byte acknowledgements of the receiver and modem
// switches, which reach the relay when a switch and a poll meet) are dropped, and a
// sentence the receiver never finished (it was switched off half-way) is dropped whole
// when the next one starts. So is the end of a sentence whose start the log never saw
// (the relay joined the stream in its middle, or the held part was dropped).

#include <cstddef>
#include <string>
#include <string_view>

namespace zort {

class StreamLines {
  public:
    // An NMEA sentence is at most 82 characters; a line many times that long is not
    // one, and is dropped rather than held for ever.
    static constexpr std::size_t kLongestLine = 1024;

    // Takes the next piece (UTF-8) and returns the lines it completed, each ending with
    // '\n' and without its carriage return; empty when none.
    std::string Add(std::string_view piece);
    // The stream stopped: the line held back is dropped.
    void DropPartial() {
        partial.clear();
        joinedMidway = true;
    }
    const std::string& Partial() const { return partial; }

  private:
    std::string partial;
    // Until the next sentence or line starts, what comes is the end of one not seen whole.
    bool joinedMidway = true;
};

}  // namespace zort
