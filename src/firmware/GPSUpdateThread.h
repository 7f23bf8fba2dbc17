#pragma once
// Reflashes the tracker's GNSS receiver. Every byte for the receiver travels as the
// payload of a pass-through frame and the tracker returns the receiver's answer raw.
// The run restarts the receiver, sends it into its boot ROM, switches the tracker's
// link to it to 115200 baud, synchronises with the ROM, writes a loader into the
// receiver's RAM, checks it and starts it, then streams the firmware to the loader in
// summed blocks of 2048 bytes. Every step is a line in the service log; only a missing
// device raises a message box.
//
// The ROM's echoes and its sum of the loader are checked: a loader that did not arrive
// intact is never started.

#include <cstdint>
#include <string>
#include <vector>

#include "firmware/ThreadPriority.h"
#include "worker/Worker.h"

namespace zort {

inline constexpr uint32_t kGnssLoaderAddress = 0x00000C00;  // receiver RAM
inline constexpr size_t kGnssLoaderLength = 11892;          // 0x173A words
inline constexpr size_t kGnssLoaderChunk = 10;              // the ROM echoes each chunk
inline constexpr uint32_t kGnssBlockSize = 2048;
inline constexpr int kGnssSyncAttempts = 100;
// Receivers of this kind keep their firmware in a few MiB of flash. Anything bigger is
// the wrong file; refusing it before reading also keeps the whole image in memory cheap
// and every offset within the int the progress bar takes.
inline constexpr uint64_t kGnssFirmwareLimit = 16ull * 1024 * 1024;

inline constexpr uint8_t kGnssSync = 0xA0;
inline constexpr uint8_t kGnssSyncAnswer = 0x5F;
inline constexpr uint8_t kGnssWriteCommand = 0xA1;
inline constexpr uint8_t kGnssChecksumCommand = 0xA4;
inline constexpr uint8_t kGnssJumpCommand = 0xA8;
inline constexpr uint8_t kGnssEraseCommand = 0xD3;
inline constexpr uint8_t kGnssBlockSizeCommand = 0xD5;
inline constexpr uint8_t kGnssFinishCommand = 0xD9;
inline constexpr size_t kGnssLoaderReportLength = 20;  // the loader's start-up bytes

inline constexpr const char* kGnssEnterBoot = "$PMTK180*3B\r\n";
inline constexpr const char* kGnssBaud115200 = "$PMTK251,115200*1F\r\n";

// Log lines.
inline constexpr const char* kGnssLoaderOpenFailed = "Ошибка открытия файла загрузчика";
inline constexpr const char* kGnssFirmwareOpenFailed = "Ошибка открытия файла прошивки";
inline constexpr const char* kGnssUpdateNotStopped = "GPS/ГЛОНАСС модуль не остановлен";
inline constexpr const char* kGnssUpdateNotStarted = "GPS/ГЛОНАСС модуль не запущен";
inline constexpr const char* kGnssEnteringBoot = "Переход в режим программирования...";
inline constexpr const char* kGnssSwitchingBaud = "Переключение скорости UART 115200...";
inline constexpr const char* kGnssBaudFailed = "Ошибка на этапе переключения скорости";
inline constexpr const char* kGnssPreparing = "Подготовка GPS модуля...";
inline constexpr const char* kGnssNoAnswer = "GPS модуль не отвечает";
inline constexpr const char* kGnss0AFailed = "Ошибка на этапе 0x0A";
inline constexpr const char* kGnss50Failed = "Ошибка на этапе 0x50";
inline constexpr const char* kGnss05Failed = "Ошибка на этапе 0x05";
inline constexpr const char* kGnssA1Failed = "Ошибка на этапе 0xA1";
inline constexpr const char* kGnssAddressFailed = "Ошибка на этапе передачи адреса";
inline constexpr const char* kGnssSizeFailed = "Ошибка на этапе передачи размера загрузчика";
inline constexpr const char* kGnssWritingLoader = "Запись загрузчика...";
inline constexpr const char* kGnssLoaderWriteFailed = "Ошибка во время записи загрузчика";
inline constexpr const char* kGnssA4Failed = "Ошибка на этапе A4";
inline constexpr const char* kGnssChecksumAddressFailed = "Ошибка на этапе передачи адреса (Checksum)";
inline constexpr const char* kGnssStartingLoader = "Передача управления загрузчику...";
inline constexpr const char* kGnssJumpFailed = "Ошибка на этапе передачи управления загрузчику";
inline constexpr const char* kGnssJumpAddressFailed = "Ошибка на этапе передачи управления(адрес)";
inline constexpr const char* kGnssWritingFirmware = "Запись прошивки...";
inline constexpr const char* kGnssBlockTimedOut = "Время ожидания ответа от МК истекло";
inline constexpr const char* kGnssLinkLost = "Связь с устройством потеряна";
inline constexpr const char* kGnssDone = "Прошивка GPS модуля завершена";
inline constexpr const char* kGnssActivity = "идёт обновление прошивки GPS модуля";

// Reads the first kGnssLoaderLength bytes of the loader file. False, with the reason
// (Russian) in `why`, for a missing, unreadable or shorter file or a folder.
bool ReadGnssLoader(const std::string& path, std::vector<uint8_t>& loader, std::string& why);
// Reads the whole firmware image. False for an empty, unreadable or oversized file or a
// folder; the size is checked before anything is allocated.
bool ReadGnssFirmware(const std::string& path, std::vector<uint8_t>& image, std::string& why);

class GPSUpdateThread : public Worker {
  public:
    // The service window disables its button instead of holding a slot.
    GPSUpdateThread(DeviceContext& context, WorkerSink& sink) : Worker(context, sink, nullptr) {}
    ~GPSUpdateThread() override { Join(); }

    std::string loaderPath;
    std::string firmwarePath;

    // The outcome, for callers that need more than the log lines.
    bool succeeded = false;
    std::string failure;      // the failed step's line; empty on success
    int syncAttempts = 0;     // A0 sent before the boot ROM answered
    int blocksWritten = 0;    // firmware blocks the loader acknowledged
    ThreadPriority priority;  // what the system granted this run

    std::string Activity() const override { return kGnssActivity; }

  protected:
    void Execute() override;

  private:
    void Log(const std::string& line);
    // Logs the step's line (and why, as a second line), and ends the run.
    bool Stop(const std::string& step, const std::string& why = {});

    bool Send(const uint8_t* bytes, size_t length);
    bool SendText(const char* text);
    // Sends `length` bytes and waits for `expected` to come back, byte for byte. Up to
    // `strays` bytes equal to `stray` in front of it are passed over.
    bool Exchange(const uint8_t* bytes, size_t length, const uint8_t* expected, size_t expectedLength,
                  const char* step, uint8_t stray = 0, int strays = 0);
    bool Echo(const uint8_t* bytes, size_t length, const char* step) {
        return Exchange(bytes, length, bytes, length, step);
    }
    void Pause(int ms);

    bool RestartReceiver();
    bool SwitchToBootRom();
    bool Synchronise();
    bool SyncAttempt();
    bool Handshake();
    bool WriteLoader(const std::vector<uint8_t>& sent);
    bool CheckLoader(const std::vector<uint8_t>& sent);
    bool StartLoader();
    void PrepareFlash(size_t firmwareLength);
    bool WriteFirmware(const std::vector<uint8_t>& image);
    bool Finish();
};

}  // namespace zort
