#pragma once
// Reads all settings from the tracker into the image (mode 1) or writes items 0..24 of
// the image to it (mode 2). One command frame per parameter.

#include "worker/SettingsImage.h"
#include "worker/Worker.h"

namespace zort {

inline constexpr int kModeReadSettings = 1;
inline constexpr int kModeWriteSettings = 2;

inline constexpr const char* kReadCaption = "Чтение настроек...";
inline constexpr const char* kWriteCaption = "Запись настроек...";
inline constexpr const char* kReadFailed = "Ошибка во время чтения параметров";
inline constexpr const char* kWriteFailed = "Ошибка во время записи параметров";
inline constexpr const char* kWriteSucceeded = "Настройки успешно записаны";

class RWSettingsThread : public Worker {
  public:
    RWSettingsThread(DeviceContext& context, WorkerSink& sink)
        : Worker(context, sink, &context.settingsThread), image(&context.image) {}
    ~RWSettingsThread() override { Join(); }

    // The image read into or written from; the main window's, unless a caller reads
    // into a scratch image (the CLI's read-back check).
    SettingsImage* image;
    // Items read so far (a failed read keeps them in the image).
    int itemsDone = 0;

  protected:
    void Execute() override;

  private:
    void Read();
    void Write();
};

}  // namespace zort
