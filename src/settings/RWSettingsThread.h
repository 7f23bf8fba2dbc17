#pragma once
// Reads all settings from the tracker into the image (mode 1) or writes items 0..24 of
// the image to it (mode 2). One command frame per parameter.

#include <atomic>

#include "worker/SettingsImage.h"
#include "worker/Worker.h"

namespace zort {

inline constexpr int kModeReadSettings = 1;
inline constexpr int kModeWriteSettings = 2;
// Reads as mode 1, unless the tracker's IMEI is the one in `known`: then `known` is
// taken for what it holds, after one request instead of thirty.
inline constexpr int kModeReadUnlessKnown = 3;

inline constexpr const char* kReadCaption = "Чтение настроек...";
inline constexpr const char* kWriteCaption = "Запись настроек...";
inline constexpr const char* kReadFailed = "Ошибка во время чтения параметров";
inline constexpr const char* kWriteFailed = "Ошибка во время записи параметров";
inline constexpr const char* kWriteSucceeded = "Настройки успешно записаны";
inline constexpr const char* kReadCancelled = "Чтение настроек отменено";
inline constexpr const char* kWriteCancelled = "Запись настроек отменена";
inline constexpr const char* kReadActivity = "идёт чтение настроек";
inline constexpr const char* kWriteActivity = "идёт запись настроек";
inline constexpr const char* kRestoreActivity = "идёт восстановление настроек";

// What a cancelled write tells: the settings the tracker already has (written items
// 0..written-1), by the names the pages show them under.
std::string WrittenSettingsText(int written);

class RWSettingsThread : public Worker {
  public:
    RWSettingsThread(DeviceContext& context, WorkerSink& sink)
        : Worker(context, sink, &context.settingsThread), image(&context.image) {}
    ~RWSettingsThread() override { Join(); }

    // The image read into or written from; the main window's, unless a caller reads
    // into a scratch image (the CLI's read-back check).
    SettingsImage* image;
    // For mode 3: a recent read of the tracker expected on the port; the caller keeps it
    // until the worker has ended.
    const SettingsImage* known = nullptr;
    // Mode 3 found the tracker of `known` and took its settings from there.
    bool reused = false;
    // Mode 2 writes a backup back: the same exchange, told apart in the busy line and the log.
    bool restoring = false;
    // Items read so far (a failed read keeps them in the image).
    int itemsDone = 0;
    // Set when the run stopped at a cancel.
    bool cancelled = false;

    // Stops the run before its next item; from any thread. What was written stays
    // written, what was read stays in the image.
    void RequestCancel() { cancelRequested = true; }

    const SettingsImage* Settings() const override { return image; }
    std::string Activity() const override {
        if (mode != kModeWriteSettings) return kReadActivity;
        return restoring ? kRestoreActivity : kWriteActivity;
    }

  protected:
    void Execute() override;

  private:
    void Read();
    bool ReuseKnown();
    void Write();
    bool CancelNow();

    std::atomic<bool> cancelRequested{false};
};

}  // namespace zort
