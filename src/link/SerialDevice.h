#pragma once
// The operating system's side of a serial port: one small API, implemented once per
// platform (SerialDevicePosix.cpp, SerialDeviceWindows.cpp). `SerialPort` builds its
// threads and buffers on top of it. The OS error is captured where it happens and
// carried in OpenError.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "link/OpenError.h"

namespace zort {

class SerialDevice {
  public:
    enum class Event { kReadable, kWoken, kLost };

#ifdef _WIN32
    SerialDevice();  // where Channel is complete
#else
    SerialDevice() = default;
#endif
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Opens `name` exclusively, raw 9600 8N1, no flow control, DTR/RTS dropped, input
    // flushed. On failure nothing stays open and `error` says why. On Windows `name` is
    // a device name: COM5, com5 or \\.\COM5.
    bool Open(const std::string& name, OpenError& error);
    void Close();
    bool IsOpen() const {
#ifdef _WIN32
        return channel != nullptr;
#else
        return fd >= 0;
#endif
    }

    // Blocks until bytes are waiting, Wake() was called or the line is gone.
    Event WaitReadable();
    // Makes the current and every later WaitReadable/WriteAll of this opening return.
    void Wake();

    // Reads what is waiting, up to `capacity` bytes, without blocking. Returns the
    // count (0 when nothing is waiting) or -1 when the line is gone.
    long ReadAvailable(uint8_t* out, size_t capacity);
    // Writes the whole block. False when the line is gone or Wake() was called.
    bool WriteAll(const uint8_t* data, size_t length);

    // Discards what the driver has received and nobody has read yet.
    void PurgeInput();

  private:
#ifdef _WIN32
    // The handles and the overlapped read that waits for the first byte; defined in
    // SerialDeviceWindows.cpp so that windows.h stays out of everything that includes
    // this. Exists while the port is open.
    struct Channel;
    std::unique_ptr<Channel> channel;
#else
    int fd = -1;
    int wakeFd = -1;
#endif
};

}  // namespace zort
