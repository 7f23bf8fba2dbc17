#pragma once
// Replaces the tracker's own firmware from a ".fmw" file: a 15-byte header that is
// never sent, then the image, written in blocks of at most 512 bytes at
// 0x08006400 + offset after an erase command. Every block is acknowledged before the
// next one goes.

#include <string>

#include "worker/Worker.h"

namespace zort {

inline constexpr uint32_t kFirmwareBase = 0x08006400;
inline constexpr size_t kFirmwareHeaderSize = 15;
inline constexpr size_t kFirmwareBlockSize = 512;

inline constexpr const char* kFirmwareOpenFailed = "Ошибка открытия файла прошивки";
inline constexpr const char* kFirmwareEraseFailed = "Ошибка на этапе очистки FLASH";
inline constexpr const char* kFirmwareWriteFailed = "Ошибка во время записи прошивки";
inline constexpr const char* kFirmwareUpdated = "Прошивка успешно обновлена";
inline constexpr const char* kFirmwareActivity = "идёт обновление прошивки устройства";

// The ".fmw" rule of the file dialog: a name that does not contain ".fmw" (exactly,
// case-sensitive) gets it appended.
std::string FirmwareFileName(std::string name);

// Checks that `path` is a readable regular file with an image behind its header.
// Returns the image length, or -1 (and the reason in `why`, Russian) when it is not.
long long CheckFirmwareFile(const std::string& path, std::string* why = nullptr);

class MCUpdateThread : public Worker {
  public:
    MCUpdateThread(DeviceContext& context, WorkerSink& sink)
        : Worker(context, sink, &context.firmwareThread) {}
    ~MCUpdateThread() override { Join(); }

    std::string firmwarePath;
    int blocksWritten = 0;

    std::string Activity() const override { return kFirmwareActivity; }

  protected:
    void Execute() override;
};

}  // namespace zort
