// zort-demo: starts the simulated tracker on a pseudo-terminal and reads its 30
// settings over the serial channel, as the configurator does.

#include <cstdio>
#include <iostream>
#include <string>

#include "link/Cp1251.h"
#include "link/SerialPort.h"
#include "sim/PtyTransport.h"
#include "sim/TrackerSimulator.h"

int main() {
    zort::sim::TrackerSimulator simulator;
    zort::sim::PtyTransport transport(simulator, {.baud = 9600});
    std::string error;
    if (!transport.Start(error)) {
        std::cerr << "simulator: " << error << "\n";
        return 1;
    }
    std::cout << "Симулятор трекера на " << transport.SlavePath() << " (9600 бод)\n";
    zort::SerialPort port;
    if (port.Open(transport.SlavePath()) != 1) {
        std::cerr << "Устройство не подключено: " << port.LastOpenError().Describe() << "\n";
        return 1;
    }
    for (uint32_t id : zort::sim::TrackerModel::SettingIds()) {
        port.SendFrame(zort::kCmdReadParameter, id, 0, nullptr);
        if (!port.WaitReply(32, 4000)) {
            std::cerr << "Ошибка во время чтения параметров\n";
            return 1;
        }
        uint8_t reply[32];
        port.CopyReceived(reply, sizeof reply);
        std::string text(reinterpret_cast<const char*>(reply), 32);
        text.resize(text.find('\0') == std::string::npos ? 32 : text.find('\0'));
        std::printf("0x%08X  %s\n", id, zort::Cp1251ToUtf8(text).c_str());
    }
    port.Close();
    return 0;
}
