#pragma once
// Running one device operation from the command line: the worker does everything a
// window's button would start, the CLI waits for it and reads how it ended.

#include <string>

#include "cli/ConsoleSink.h"
#include "cli/Outcome.h"
#include "cli/PortChoice.h"
#include "worker/DeviceContext.h"
#include "worker/Worker.h"

namespace zort::cli {

// Names the port for the next operations, after finding the tracker for "auto"; the
// link keeps the tracker's own timings.
Outcome PrepareContext(DeviceContext& context, PortChoice& port);

// Starts the worker, waits until it has ended (port closed) and returns its result:
// success, or the worker's message and detail as a failed device operation.
Outcome RunWorker(Worker& worker, ConsoleSink& sink, const std::string& caption);

// Whether the progress bar may be drawn.
bool StderrIsTerminal();

}  // namespace zort::cli
