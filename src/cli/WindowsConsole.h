#pragma once
// zortcfg's command line and console on Windows, made to behave as on Linux: file names
// in the arguments arrive as UTF-8 whatever the ANSI code page is (which may not hold a
// Cyrillic letter at all), what the program prints is UTF-8 byte for byte with "\n" left
// as it is, and the progress line's escape sequences are drawn where the console can.

#include <string>
#include <vector>

namespace zort::cli {

// The arguments of the wide command line, UTF-8, the program's own name first, as main()
// takes them; none when the command line cannot be read.
class Utf8Arguments {
  public:
    Utf8Arguments();
    Utf8Arguments(const Utf8Arguments&) = delete;
    Utf8Arguments& operator=(const Utf8Arguments&) = delete;

    int Count() const { return static_cast<int>(arguments.size()); }
    char** Values() { return values.data(); }

  private:
    std::vector<std::string> arguments;
    std::vector<char*> values;  // into `arguments`, and a null pointer after them
};

// Sets the console up for the program's output; the console's code page is given back
// when the program exits.
void PrepareConsole();

// Whether stderr is a console that draws the escape sequences of the progress line.
bool StderrTakesEscapes();

}  // namespace zort::cli
