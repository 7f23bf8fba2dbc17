#pragma once
// The engineering commands of the service window, one per run: start and stop of the
// modem and of the GNSS receiver, upload of sound files into the modem's file system,
// the SIM card's test phone-book entry, a test SMS carrying the IMEI, a test call and its
// hang-up. Everything but the switches is an AT conversation with the modem through
// command 8. Results are log lines only; a missing device is the one message box.

#include <cstdint>
#include <string>
#include <vector>

#include "worker/Worker.h"

namespace zort {

enum ServiceMode : int {
    kServiceStartModem = 1,
    kServiceStopModem = 2,
    kServiceStartGnss = 3,
    kServiceStopGnss = 4,
    kServiceUploadFiles = 5,
    kServiceCreateTestEntry = 6,
    kServiceBlankTestEntry = 7,
    kServiceSendImei = 8,
    kServiceCall = 9,
    kServiceHangUp = 10,
};

inline constexpr const char* kModemStarting = "Запуск модема...";
inline constexpr const char* kModemNotStarted = "Модем не запущен";
inline constexpr const char* kModemStarted = "Модем запущен";
inline constexpr const char* kModemConfigured = "Модем сконфигурирован";
inline constexpr const char* kModemStopped = "Модем остановлен";
inline constexpr const char* kModemNotStopped = "Модем не остановлен";
inline constexpr const char* kGnssStarted = "GPS/ГЛОНАСС модуль запущен";
inline constexpr const char* kGnssNotStarted = "GPS/ГЛОНАСС модуль не запущен";
inline constexpr const char* kGnssStopped = "GPS/ГЛОНАСС модуль остановлен";
inline constexpr const char* kGnssNotStopped = "GPS/ГЛОНАСС модуль не остановлен";
// The first letter is a Latin "C" (0x43), not a Cyrillic one: the line stays byte for byte
// as the engineers who read it know it.
inline constexpr const char* kFreeMemoryPrefix = "Cвободной памяти: ";
inline constexpr const char* kFreeMemorySuffix = " (байт)";
inline constexpr const char* kNotEnoughMemory = "Не хватает памяти на модеме для записи файлов";
inline constexpr const char* kWritingFile = "Запись файла ";
inline constexpr const char* kNoPromptAnswer =
    "Ошибка во время записи файла (нет ответа на этапе приглашения)";
inline constexpr const char* kNoPrompt = "Ошибка во время записи файла (нет приглашения)";
inline constexpr const char* kNoWriteAnswer =
    "Ошибка во время записи файла (нет ответа на этапе подтверждения записи)";
inline constexpr const char* kNoWriteConfirmation = "Ошибка во время записи файла (нет подтверждения записи)";
inline constexpr const char* kFilesWritten = "Файлы успешно записаны";
inline constexpr const char* kTestEntryCreated = "SIM-карта для тестирования создана";
inline constexpr const char* kTestEntryNotCreated = "Ошибка создания тестовой SIM-карты";
inline constexpr const char* kTestEntryBlanked = "SIM-карта для тестирования деактивирована";
inline constexpr const char* kTestEntryNotBlanked = "Ошибка деактивации тестовой SIM-карты";
inline constexpr const char* kSmsSent = "SMS отправлено";
inline constexpr const char* kCalling = "Звонок...";
inline constexpr const char* kCallCancelled = "Звонок отменен";
inline constexpr const char* kNoPhoneForSms = "Нет номера телефона. Передача SMS отменена";
inline constexpr const char* kNoPhoneForCall = "Нет номера телефона. Звонок отменен";
inline constexpr const char* kFreeMemoryUnknown = "Не удалось прочитать объём свободной памяти модема";
inline constexpr const char* kImeiUnknown = "Не удалось прочитать IMEI модема. SMS не отправлено";
inline constexpr const char* kLinkLost = "Связь с устройством потеряна";
inline constexpr const char* kRunCancelled = "Операция прервана";
inline constexpr const char* kServiceActivity = "выполняется сервисная команда";

class ServiceThread : public Worker {
  public:
    // Service runs are not guarded: the window starts one on every click.
    ServiceThread(DeviceContext& context, WorkerSink& sink) : Worker(context, sink, nullptr) {}
    ~ServiceThread() override { Join(); }

    // Inputs, set before Start().
    std::string phoneNumber;            // modes 8 and 9, as typed (UTF-8)
    std::vector<std::string> fileList;  // mode 5: full paths, uploaded in this order

    // Mode 5: the sum of the file sizes in bytes, as measured by this run just before
    // anything is sent (a starter's figure is replaced by it).
    int64_t totalSize = 0;
    // Outcome, for callers that are not watching the log (the command line).
    bool succeeded = false;     // the mode's success line was logged
    bool inputRefused = false;  // a phone number, a file name or a file could not be used; nothing was sent
    int64_t freeMemory = -1;    // mode 5: the last free space the modem reported
    std::string imei;           // mode 8: the IMEI that was sent

    // Empty when the inputs of `mode` can be used; otherwise the log line that refuses
    // them. Starters call it before creating a worker; the run checks again itself.
    static std::string InputProblem(int mode, const std::string& phoneNumber,
                                    const std::vector<std::string>& fileList);

    std::string Activity() const override { return kServiceActivity; }

  protected:
    void Execute() override;

  private:
    struct SoundFile {
        std::string path;
        std::string name;
        int64_t size = 0;
    };

    void StartModem();
    void Switch(uint8_t command, const char* done, const char* notDone);
    void UploadFiles();
    bool CheckFiles(std::vector<SoundFile>& files);
    bool QueryFreeMemory();
    bool WriteFile(const SoundFile& file);
    void TestEntry(const char* command, const char* done, const char* failed);
    void SendImei();
    void Call();
    void HangUp();

    void Log(const std::string& line);
    // Modem send: the text as a command-8 payload. False when it could not go out.
    bool ModemSend(const std::string& text);
    // Waits for `count` bytes within `timeoutMs` (the result is that of this wait), then,
    // when they came, for the rest of the answer: the modem's output reaches us in
    // pieces, and a count reached may be the echo or the start of a line only. It stops
    // at `complete`, at the step's time-out, or once the line has been quiet a while.
    bool AwaitAnswer(uint32_t count, int timeoutMs, bool (*complete)(std::string_view));
    // A fixed pause that still ends at once when the channel goes away.
    void Pause(int ms);
    // After a command whose answer is not read: until the modem's final result code
    // (OK, ERROR) has come, at most `ms`; also ends at once when the channel goes away.
    void AwaitFinalResult(int ms);
    // The answer received so far, as text.
    std::string Answer() const;
    // True, after logging why, when the channel was lost or cancelled: the run ends.
    bool ChannelGone();

    bool channelGone = false;
};

}  // namespace zort
