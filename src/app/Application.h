#pragma once
// The program's windows and what they share, created and wired in one place. The
// configurator, the screenshots and the window tests all start this way, so that what
// they run is the program as shipped.

#include <QString>
#include <memory>

#include "service/IniProfile.h"
#include "worker/DeviceContext.h"

namespace zort {

namespace sim {
class TrackerSimulator;
class PtyTransport;
}  // namespace sim
class LineRelay;
class PortFinder;
class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;

struct Application {
    ~Application();

    // Starts the built-in simulated tracker on a pseudo-terminal and offers it in the
    // port chooser (selected when no real port was found). False when it cannot start.
    bool StartDemo();
    QString DemoPort() const;
    // Starts looking for trackers: now, on every plug and unplug, and when the ports are
    // listed again. The demo tracker and `namedPort`, named by the user, are looked at too.
    void StartPortSearch(const QString& namedPort = {});

    // Carries the session log's lines to the reply log window; the workers that post
    // them end with the context, so it goes after the context.
    std::unique_ptr<LineRelay> sessionLines;
    // The port, the settings image and the worker slots, for the whole run.
    DeviceContext context;
    // The demo tracker goes after the windows: their workers end before it does.
    std::unique_ptr<sim::TrackerSimulator> demoSimulator;
    std::unique_ptr<sim::PtyTransport> demoTransport;
    // The main window comes first, since the others centre on it and report into it; the
    // engineering windows exist for the whole run, hidden until the password is given.
    std::unique_ptr<TForm1> form1;
    std::unique_ptr<TForm2> form2;
    std::unique_ptr<TForm3> form3;
    std::unique_ptr<TForm4> form4;
    std::unique_ptr<TForm5> form5;
    std::unique_ptr<TForm6> form6;
    // Reports into the main window: it stops before the windows go.
    std::unique_ptr<PortFinder> portFinder;
};

// Creates the six windows, hidden, and wires them to each other. The service window
// keeps its folder, paths and phone number in `serviceProfile`.
std::unique_ptr<Application> StartApplication(IniProfile serviceProfile);
// The same with the program's own "config.ini".
std::unique_ptr<Application> StartApplication();

}  // namespace zort
