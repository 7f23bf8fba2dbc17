// Win32 backend of SerialDevice (USB CDC-ACM through usbser.sys, USB serial adapters;
// under wine a COM port is a symbolic link to a Linux device or pseudo-terminal).
//
// There is no poll() for a COM port. WaitCommEvent and the read time-outs would be the
// obvious tools, but wine does not honour them for overlapped reads, so the wait is a
// one-byte overlapped read: it completes when a byte arrives or the line goes away, and
// the byte it took is handed out first by the next ReadAvailable.

#include <windows.h>

#include <algorithm>
#include <mutex>

#include "files/Utf8Path.h"
#include "link/SerialDevice.h"

namespace zort {

// `mutex` guards the read state, which the reader (WaitReadable, ReadAvailable) shares
// with whoever purges the input. It is the innermost lock: held only around calls that
// do not wait for the line, while callers may hold theirs (SerialPort's rxMutex).
struct SerialDevice::Channel {
    HANDLE port = INVALID_HANDLE_VALUE;
    HANDLE wake = nullptr;  // manual-reset: once set, it stays set for this opening
    OVERLAPPED read{};
    OVERLAPPED write{};
    std::mutex mutex;
    uint8_t firstByte = 0;     // the buffer of the read that waits
    bool readPending = false;  // that read is with the driver
    bool haveByte = false;     // it completed: firstByte is the oldest byte not handed out
    bool gone = false;         // a read failed: the device went away

    ~Channel();
    // With `mutex` held: takes the result of the waiting read if it has completed.
    // True when it ended without a byte (its time-out ran out).
    bool CollectFinishedRead();
    // With `mutex` held: starts the waiting read unless one is pending or done.
    void StartWaitingRead();
    // With `mutex` held: reads up to `capacity` of the bytes the driver has queued.
    long ReadQueued(uint8_t* out, size_t capacity);
    // Waits for the write that WriteFile left pending; false when it failed or was cut.
    bool AwaitWrite(size_t length, DWORD& written);
};

namespace {

// A byte on the line takes about a millisecond at 9600 baud. A block handed over just
// before Close still goes out (SerialPort's contract), so a write that the driver holds
// when the wake comes gets its time on the wire and a margin before it is cancelled.
constexpr DWORD kWriteGraceMs = 200;
// The bytes ClearCommError reports are in the driver: reading them does not wait for
// the line. This bounds a driver that answers slowly anyway.
constexpr DWORD kQueuedReadMs = 1000;
// A driver that lets the waiting read end without a byte at once, again and again,
// must not make the reader spin.
constexpr DWORD kEmptyReadPauseMs = 10;

bool IsDeviceNamespace(const std::string& name) {
    return name.rfind("\\\\.\\", 0) == 0 || name.rfind("\\\\?\\", 0) == 0;
}

// A name with a folder or a drive in it, outside the device namespace: a file's path.
bool IsFilePath(const std::string& name) {
    return !IsDeviceNamespace(name) && name.find_first_of("\\/:") != std::string::npos;
}

// COM5, com5 and \\.\COM5 name the same port. COM10 and above are reachable only as
// \\.\COM10, so a bare device name gets the prefix; anything with a folder or a drive in
// it is a path and is opened as given (and found not to be a serial port).
std::wstring DevicePath(const std::string& name) {
    if (IsDeviceNamespace(name) || IsFilePath(name)) return WideFromUtf8(name);
    return L"\\\\.\\" + WideFromUtf8(name);
}

OpenFailure ClassifyOpenError(DWORD err, const std::string& name) {
    switch (err) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_BAD_NETPATH:
        case ERROR_DEVICE_NOT_CONNECTED:
            return OpenFailure::kNoDevice;
        case ERROR_ACCESS_DENIED: {
            // A COM port held by another program answers "access denied"; so do a folder
            // and a read-only file, which are no port at all.
            if (IsFilePath(name) &&
                ::GetFileAttributesW(WideFromUtf8(name).c_str()) != INVALID_FILE_ATTRIBUTES)
                return OpenFailure::kNotSerial;
            return OpenFailure::kBusy;
        }
        case ERROR_SHARING_VIOLATION:
            return OpenFailure::kBusy;
        default:
            return OpenFailure::kSetupFailed;
    }
}

// `dcb` is what GetCommState said: the fields not set here stay the driver's.
bool ApplyLineSettings(HANDLE port, DCB dcb) {
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    // Otherwise a framing or overrun error aborts every read and write until
    // ClearCommError, which would look like an unplugged device.
    dcb.fAbortOnError = FALSE;
    return ::SetCommState(port, &dcb) != 0;
}

// The waiting read returns as soon as a byte is there and waits as long as it may
// otherwise; a plain read of what ClearCommError reports returns at once. (All zero
// would make the waiting read wait for ever, which is fine too; MAXDWORD with zeros
// would end it at once without a byte, and the reader would spin.)
bool ApplyTimeouts(HANDLE port) {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = 60 * 1000;
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = 0;
    return ::SetCommTimeouts(port, &timeouts) != 0;
}

HANDLE NewEvent() {
    return ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

}  // namespace

SerialDevice::Channel::~Channel() {
    if (port != INVALID_HANDLE_VALUE) {
        // Nothing may write into `read` or `firstByte` after they are freed.
        ::CancelIoEx(port, nullptr);
        if (readPending) {
            DWORD ignored = 0;
            ::GetOverlappedResult(port, &read, &ignored, TRUE);
        }
        ::CloseHandle(port);
    }
    for (HANDLE event : {wake, read.hEvent, write.hEvent}) {
        if (event != nullptr) ::CloseHandle(event);
    }
}

SerialDevice::SerialDevice() = default;

SerialDevice::~SerialDevice() {
    Close();
}

bool SerialDevice::Open(const std::string& name, OpenError& error) {
    Close();
    error = OpenError{};
    error.port = name;
    auto fail = [&](OpenFailure reason, DWORD err) {
        error.reason = reason;
        error.osError = static_cast<int>(err);
        Close();
        return false;
    };

    channel = std::make_unique<Channel>();
    // Share mode 0: nobody else may open the port while we hold it (wine does not keep
    // out a second opener of a COM port; Windows does).
    channel->port = ::CreateFileW(DevicePath(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (channel->port == INVALID_HANDLE_VALUE) {
        const DWORD err = ::GetLastError();
        return fail(ClassifyOpenError(err, name), err);
    }
    // A file, NUL or a printer port opens too; only a serial port has line settings.
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(channel->port, &dcb)) return fail(OpenFailure::kNotSerial, ::GetLastError());
    if (!ApplyLineSettings(channel->port, dcb) || !ApplyTimeouts(channel->port))
        return fail(OpenFailure::kSetupFailed, ::GetLastError());
    ::PurgeComm(channel->port, PURGE_RXCLEAR);

    channel->wake = NewEvent();
    channel->read.hEvent = NewEvent();
    channel->write.hEvent = NewEvent();
    if (!channel->wake || !channel->read.hEvent || !channel->write.hEvent)
        return fail(OpenFailure::kSetupFailed, ::GetLastError());
    return true;
}

void SerialDevice::Close() {
    channel.reset();
}

bool SerialDevice::Channel::CollectFinishedRead() {
    if (!readPending) return false;
    DWORD count = 0;
    if (!::GetOverlappedResult(port, &read, &count, FALSE)) {
        if (::GetLastError() == ERROR_IO_INCOMPLETE) return false;
        // ERROR_BROKEN_PIPE, ERROR_OPERATION_ABORTED, ERROR_GEN_FAILURE,
        // ERROR_DEVICE_NOT_CONNECTED and the like: the device or the other end is gone.
        // (Line errors do not abort reads: fAbortOnError is off.)
        readPending = false;
        gone = true;
        return false;
    }
    readPending = false;
    haveByte = count == 1;
    return !haveByte;
}

void SerialDevice::Channel::StartWaitingRead() {
    if (readPending || haveByte || gone) return;
    ::ResetEvent(read.hEvent);
    DWORD count = 0;
    if (::ReadFile(port, &firstByte, 1, &count, &read)) {
        haveByte = count == 1;
    } else if (::GetLastError() == ERROR_IO_PENDING) {
        readPending = true;
    } else {
        gone = true;
    }
}

SerialDevice::Event SerialDevice::WaitReadable() {
    if (!channel) return Event::kLost;
    Channel& c = *channel;
    for (;;) {
        if (::WaitForSingleObject(c.wake, 0) == WAIT_OBJECT_0) return Event::kWoken;
        bool emptyRead;
        {
            std::lock_guard lock(c.mutex);
            emptyRead = c.CollectFinishedRead();
            if (c.haveByte) return Event::kReadable;  // drain before a hang-up
            if (c.gone) return Event::kLost;
            if (!emptyRead) {
                COMSTAT status{};
                DWORD errors = 0;
                if (!c.readPending && ::ClearCommError(c.port, &errors, &status) && status.cbInQue > 0)
                    return Event::kReadable;
                c.StartWaitingRead();
                if (c.haveByte) return Event::kReadable;
                if (c.gone) return Event::kLost;
                emptyRead = !c.readPending;  // it ended at once without a byte
            }
        }
        if (emptyRead) {
            if (::WaitForSingleObject(c.wake, kEmptyReadPauseMs) == WAIT_OBJECT_0) return Event::kWoken;
            continue;
        }
        // The wake event first: with both set, a woken reader must not go on reading.
        const HANDLE events[2] = {c.wake, c.read.hEvent};
        const DWORD which = ::WaitForMultipleObjects(2, events, FALSE, INFINITE);
        if (which == WAIT_OBJECT_0) return Event::kWoken;
        if (which != WAIT_OBJECT_0 + 1) return Event::kLost;
        // The read ended: with a byte, with the line gone, or after its time-out without
        // a byte (then it starts again). A purge may have taken the byte meanwhile.
    }
}

void SerialDevice::Wake() {
    if (channel) ::SetEvent(channel->wake);
}

long SerialDevice::Channel::ReadQueued(uint8_t* out, size_t capacity) {
    COMSTAT status{};
    DWORD errors = 0;
    if (!::ClearCommError(port, &errors, &status)) return -1;
    const DWORD wanted = static_cast<DWORD>(std::min<size_t>(status.cbInQue, capacity));
    if (wanted == 0) return 0;
    ::ResetEvent(read.hEvent);
    DWORD count = 0;
    if (::ReadFile(port, out, wanted, &count, &read)) return static_cast<long>(count);
    if (::GetLastError() != ERROR_IO_PENDING) return -1;
    if (::WaitForSingleObject(read.hEvent, kQueuedReadMs) != WAIT_OBJECT_0) ::CancelIoEx(port, &read);
    if (::GetOverlappedResult(port, &read, &count, TRUE)) return static_cast<long>(count);
    if (::GetLastError() != ERROR_OPERATION_ABORTED) return -1;
    return static_cast<long>(read.InternalHigh);  // what came before the cancel
}

long SerialDevice::ReadAvailable(uint8_t* out, size_t capacity) {
    if (!channel) return -1;
    Channel& c = *channel;
    std::lock_guard lock(c.mutex);
    c.CollectFinishedRead();
    if (capacity == 0) return 0;
    size_t count = 0;
    if (c.haveByte) {
        out[count++] = c.firstByte;
        c.haveByte = false;
    }
    // With a read still waiting nothing is queued behind it; after a failed one the
    // line is gone, but what came before still counts.
    if (c.readPending || c.gone) return count > 0 ? static_cast<long>(count) : (c.gone ? -1 : 0);
    const long queued = c.ReadQueued(out + count, capacity - count);
    if (queued < 0) {
        c.gone = true;
        return count > 0 ? static_cast<long>(count) : -1;
    }
    return static_cast<long>(count) + queued;
}

bool SerialDevice::Channel::AwaitWrite(size_t length, DWORD& written) {
    const HANDLE events[2] = {write.hEvent, wake};
    if (::WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
        const DWORD wireMs = static_cast<DWORD>(length * 10 * 1000 / 9600);
        if (::WaitForSingleObject(write.hEvent, wireMs + kWriteGraceMs) != WAIT_OBJECT_0) {
            ::CancelIoEx(port, &write);
            ::GetOverlappedResult(port, &write, &written, TRUE);
            return false;
        }
    }
    return ::GetOverlappedResult(port, &write, &written, FALSE) != 0;
}

bool SerialDevice::WriteAll(const uint8_t* data, size_t length) {
    if (!channel) return false;
    Channel& c = *channel;
    size_t done = 0;
    while (done < length) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(length - done, 1u << 30));
        ::ResetEvent(c.write.hEvent);
        DWORD written = 0;
        if (!::WriteFile(c.port, data + done, chunk, &written, &c.write)) {
            if (::GetLastError() != ERROR_IO_PENDING) return false;
            if (!c.AwaitWrite(chunk, written)) return false;
        }
        // No write time-outs are set: a write that took nothing was refused.
        if (written == 0) return false;
        done += written;
    }
    return true;
}

void SerialDevice::PurgeInput() {
    if (!channel) return;
    Channel& c = *channel;
    std::lock_guard lock(c.mutex);
    // A byte the waiting read took is as old as the driver's queue: both go.
    c.CollectFinishedRead();
    c.haveByte = false;
    ::PurgeComm(c.port, PURGE_RXCLEAR);
}

}  // namespace zort
