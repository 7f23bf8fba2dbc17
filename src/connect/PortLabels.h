#pragma once
// How probed ports are put to the user: the entry of a port in the port box, the line
// that says what the connection is, and which port a search selects by itself.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "connect/Probe.h"

namespace zort {

inline constexpr std::string_view kDemoTrackerLabel = "Демо-трекер (встроенный)";

// "/dev/ttyACM0 — ЗОРТ Z410 №004217 · IMEI 861234050123456" for a tracker;
// "/dev/ttyUSB0 — CP2102 USB to UART (не отвечает)" for a port that does not answer.
// `demoPort` is the built-in simulated tracker's port, shown as such.
std::string PortLabel(const ProbeResult& result, std::string_view demoPort = {});

// "Подключено: <identity> · ПО <version> · IMEI <imei>", "Трекер не найден",
// "Порт занят: ModemManager (pid 812)", "Нет доступа к порту", "Устройство отключено".
std::string ConnectionStatus(const ProbeResult& result);

// The port a search selects: the one tracker that answered; with none, the demo tracker
// when there is one; with more than one, none (the user chooses, and nothing is ever
// written to a tracker they did not mean).
std::optional<std::string> AutomaticChoice(const std::vector<ProbeResult>& results,
                                           std::string_view demoPort = {});

}  // namespace zort
