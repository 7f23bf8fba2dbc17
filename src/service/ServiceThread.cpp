#include "service/ServiceThread.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <optional>

#include "files/Utf8Path.h"
#include "link/CommandFrame.h"
#include "service/AtCommands.h"
#include "service/ModemAnswers.h"

namespace zort {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kModemStartAttempts = 10;
constexpr int kFreeMemoryAttempts = 5;
constexpr size_t kChunkSize = 256;
// At 9600 baud the modem's answer arrives within a few milliseconds of its first byte;
// a gap this long means nothing more is coming.
constexpr int kAnswerQuietMs = 300;

bool PromptOrFinal(std::string_view answer) {
    return HasPrompt(answer) || HasFinalResult(answer);
}

std::string AsciiUpper(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return text;
}

std::string OpenFailureReason(int err) {
    switch (err) {
        case ENOENT:
            return "файл не найден";
        case EACCES:
        case EPERM:
            return "нет доступа";
        case EISDIR:
            return "это папка";
        default:
            return std::strerror(err);
    }
}

}  // namespace

std::string ServiceThread::InputProblem(int mode, const std::string& phoneNumber,
                                        const std::vector<std::string>& fileList) {
    if (mode == kServiceSendImei || mode == kServiceCall) {
        // Blanks alone are a number the user typed; only a field of length zero is empty.
        if (phoneNumber.empty()) return mode == kServiceSendImei ? kNoPhoneForSms : kNoPhoneForCall;
        return PhoneNumberProblem(phoneNumber);
    }
    if (mode == kServiceUploadFiles) {
        std::vector<std::string> seen;
        for (const std::string& path : fileList) {
            const std::string name = ModemFileName(path);
            const std::string problem = ModemFileNameProblem(name);
            if (!problem.empty()) return problem;
            // The modem's drive ignores letter case: two such files would become one.
            const std::string key = AsciiUpper(name);
            if (std::find(seen.begin(), seen.end(), key) != seen.end()) {
                return "Два файла с одинаковым именем «" + name +
                       "»: на модеме они стали бы одним. Файлы не записаны";
            }
            seen.push_back(key);
        }
    }
    return {};
}

void ServiceThread::Execute() {
    const std::string problem = InputProblem(mode, phoneNumber, fileList);
    if (!problem.empty()) {
        inputRefused = true;
        Log(problem);
        return;
    }
    // What each mode runs; a mode not listed does nothing.
    struct ModeRun {
        int mode;
        void (*run)(ServiceThread& t);
    };
    static const ModeRun kRuns[] = {
        {kServiceStartModem, [](ServiceThread& t) { t.StartModem(); }},
        {kServiceStopModem,
         [](ServiceThread& t) { t.Switch(kCmdStopModem, kModemStopped, kModemNotStopped); }},
        {kServiceStartGnss, [](ServiceThread& t) { t.Switch(kCmdStartGnss, kGnssStarted, kGnssNotStarted); }},
        {kServiceStopGnss, [](ServiceThread& t) { t.Switch(kCmdStopGnss, kGnssStopped, kGnssNotStopped); }},
        {kServiceUploadFiles, [](ServiceThread& t) { t.UploadFiles(); }},
        {kServiceCreateTestEntry,
         [](ServiceThread& t) { t.TestEntry(kAtCreateTestEntry, kTestEntryCreated, kTestEntryNotCreated); }},
        {kServiceBlankTestEntry,
         [](ServiceThread& t) { t.TestEntry(kAtBlankTestEntry, kTestEntryBlanked, kTestEntryNotBlanked); }},
        {kServiceSendImei, [](ServiceThread& t) { t.SendImei(); }},
        {kServiceCall, [](ServiceThread& t) { t.Call(); }},
        {kServiceHangUp, [](ServiceThread& t) { t.HangUp(); }},
    };
    const auto found =
        std::find_if(std::begin(kRuns), std::end(kRuns), [this](const ModeRun& r) { return r.mode == mode; });
    if (found != std::end(kRuns)) found->run(*this);
}

void ServiceThread::StartModem() {
    const LinkTimings& t = context.timings;
    Log(kModemStarting);
    context.port.SendFrame(kCmdStartModem, 0, 0, nullptr);
    if (!context.port.WaitReply(1, t.switchReplyMs)) {
        Log(kModemNotStarted);
        ChannelGone();
        return;
    }
    // The modem needs a moment to boot after power-on; it is asked until it answers.
    for (int attempt = 0; attempt < kModemStartAttempts; ++attempt) {
        ModemSend(kAtAttention);
        AwaitAnswer(6, t.modemReplyMs, HasFinalResult);
        if (ChannelGone()) return;
        if (AnswerContains(Answer(), "OK")) {
            Log(kModemStarted);
            succeeded = true;
            break;
        }
    }
    ModemSend(kAtEchoOff);
    AwaitAnswer(6, t.modemReplyMs, HasFinalResult);
    if (ChannelGone()) return;
    if (AnswerContains(Answer(), "OK")) Log(kModemConfigured);
}

void ServiceThread::Switch(uint8_t command, const char* done, const char* notDone) {
    context.port.SendFrame(command, 0, 0, nullptr);
    if (context.port.WaitReply(1, context.timings.switchReplyMs)) {
        Log(done);
        succeeded = true;
    } else {
        Log(notDone);
        ChannelGone();
    }
}

void ServiceThread::UploadFiles() {
    const int pauseMs = context.timings.modemPauseMs;
    // Every file is opened and measured before the first command, so a list that cannot
    // be uploaded changes nothing on the modem.
    std::vector<SoundFile> files;
    if (!CheckFiles(files)) return;
    totalSize = 0;
    for (const SoundFile& f : files) totalSize += f.size;

    // Until the free space is known the answers are not read: the pauses only let the
    // modem finish each command. A file that is not there yet just gets an error.
    ModemSend(kAtAttention);
    AwaitFinalResult(pauseMs);
    if (ChannelGone()) return;
    for (const SoundFile& f : files) {
        ModemSend(AtFsDelete(f.name));
        AwaitFinalResult(pauseMs);
        if (ChannelGone()) return;
    }
    if (!QueryFreeMemory()) {
        if (!ChannelGone()) Log(std::string(kFreeMemoryUnknown) + ". Файлы не записаны");
        return;
    }
    // The modem needs room to spare: a drive filled to the last byte is refused too.
    if (totalSize >= freeMemory) {
        Log(kNotEnoughMemory);
        return;
    }
    ModemSend(kAtAttention);
    AwaitFinalResult(pauseMs);
    if (ChannelGone()) return;
    for (const SoundFile& f : files) {
        ModemSend(AtFsCreate(f.name));
        AwaitFinalResult(pauseMs);
        if (ChannelGone()) return;
    }
    for (const SoundFile& f : files) {
        if (!WriteFile(f)) return;
    }
    // The figure afterwards is for the engineer; the files are written either way.
    if (!QueryFreeMemory()) {
        if (ChannelGone()) return;
        Log(kFreeMemoryUnknown);
    }
    Log(kFilesWritten);
    succeeded = true;
}

bool ServiceThread::CheckFiles(std::vector<SoundFile>& files) {
    namespace fs = std::filesystem;
    for (const std::string& path : fileList) {
        SoundFile f{path, ModemFileName(path), 0};
        std::error_code ec;
        const fs::path where = PathFromUtf8(path);
        const fs::file_status status = fs::status(where, ec);
        std::string reason;
        FILE* file = nullptr;
        if (PathTooLong(where)) {
            reason = kPathTooLongText;
        } else if (!fs::exists(status)) {
            reason = OpenFailureReason(ENOENT);
        } else if (!fs::is_regular_file(status)) {
            reason = "это не файл";
        } else if ((file = OpenFileUtf8(path, "rb")) == nullptr) {
            reason = OpenFailureReason(errno);
        }
        if (!file) {
            inputRefused = true;
            Log("Не удалось открыть файл " + Printable(path, 200) + ": " + reason + ". Файлы не записаны");
            return false;
        }
        const bool sized = std::fseek(file, 0, SEEK_END) == 0;
        const long size = sized ? std::ftell(file) : -1;
        std::fclose(file);
        if (size < 0) {
            inputRefused = true;
            Log("Не удалось определить размер файла " + Printable(path, 200) + ". Файлы не записаны");
            return false;
        }
        f.size = size;
        files.push_back(std::move(f));
    }
    return true;
}

bool ServiceThread::QueryFreeMemory() {
    for (int attempt = 0; attempt < kFreeMemoryAttempts; ++attempt) {
        ModemSend(kAtFreeMemory);
        AwaitFinalResult(context.timings.modemPauseMs);
        if (ChannelGone()) return false;
        if (const std::optional<int64_t> free = ParseFreeMemory(Answer())) {
            freeMemory = *free;
            Log(kFreeMemoryPrefix + std::to_string(freeMemory) + kFreeMemorySuffix);
            return true;
        }
    }
    return false;
}

bool ServiceThread::WriteFile(const SoundFile& f) {
    const LinkTimings& t = context.timings;
    Log(kWritingFile + f.name);
    FILE* file = OpenFileUtf8(f.path, "rb");
    if (!file) {
        Log("Не удалось открыть файл " + Printable(f.path, 200) + ": " + OpenFailureReason(errno));
        return false;
    }
    auto fail = [&](const std::string& line) {
        std::fclose(file);
        Log(line);
        ChannelGone();
        return false;
    };
    std::array<uint8_t, kChunkSize> data{};
    int64_t remaining = f.size;
    // Once, also for an empty file: the modem then gets a write of size 0.
    do {
        const size_t chunk = static_cast<size_t>(std::min<int64_t>(remaining, kChunkSize));
        // Read before announcing the chunk, so a file that shrank since it was measured
        // leaves the modem waiting for nothing.
        if (std::fread(data.data(), 1, chunk, file) != chunk) {
            return fail("Ошибка чтения файла " + Printable(f.path, 200));
        }
        ModemSend(AtFsWrite(f.name, chunk));
        if (!AwaitAnswer(3, t.modemWriteReplyMs, PromptOrFinal)) return fail(kNoPromptAnswer);
        if (!HasPrompt(Answer())) return fail(kNoPrompt);
        context.port.SendFrame(kCmdModemPassThrough, 0, static_cast<uint32_t>(chunk), data.data());
        if (!AwaitAnswer(6, t.modemWriteReplyMs, HasFinalResult)) return fail(kNoWriteAnswer);
        if (!AnswerContains(Answer(), "\r\nOK\r\n")) return fail(kNoWriteConfirmation);
        remaining -= static_cast<int64_t>(chunk);
    } while (remaining > 0);
    std::fclose(file);
    return true;
}

void ServiceThread::TestEntry(const char* command, const char* done, const char* failed) {
    ModemSend(command);
    AwaitAnswer(6, context.timings.modemReplyMs, HasFinalResult);
    const std::string answer = Answer();
    if (AnswerContains(answer, "OK")) {
        Log(done);
        succeeded = true;
    }
    if (AnswerContains(answer, "ERR")) {
        Log(failed);
        succeeded = false;
    }
    ChannelGone();
}

void ServiceThread::SendImei() {
    const LinkTimings& t = context.timings;
    ModemSend(kAtImei);
    AwaitAnswer(15, t.smsReplyMs, HasFinalResult);
    if (ChannelGone()) return;
    const std::string answer = Answer();
    std::optional<std::string> found;
    {
        std::lock_guard lock(context.imageMutex);
        found = ParseImei(answer);
        if (found) imei = *found;
    }
    if (!found) {
        Log(kImeiUnknown);
        return;
    }
    // The answers of the SMS steps are not examined: the modem reports the outcome of
    // the message on the network, later, to nobody who is listening here.
    ModemSend(kAtTextMode);
    context.port.WaitReply(6, t.smsReplyMs);
    if (ChannelGone()) return;
    ModemSend(kAtGsmCharset);
    context.port.WaitReply(6, t.smsReplyMs);
    if (ChannelGone()) return;
    ModemSend(AtSendSms(phoneNumber));
    context.port.WaitReply(3, t.smsReplyMs);
    if (ChannelGone()) return;
    Pause(t.smsPromptPauseMs);
    if (ChannelGone()) return;
    const std::string text = *found + kCtrlZ;
    if (!context.port.SendFrame(kCmdModemPassThrough, 0, static_cast<uint32_t>(text.size()),
                                reinterpret_cast<const uint8_t*>(text.data()))) {
        ChannelGone();
        return;
    }
    Log(kSmsSent);
    succeeded = true;
}

void ServiceThread::Call() {
    // Nothing is awaited: the call goes on in the tracker after this run has ended.
    if (!ModemSend(AtDial(phoneNumber))) {
        ChannelGone();
        return;
    }
    Log(kCalling);
    succeeded = true;
}

void ServiceThread::HangUp() {
    if (!ModemSend(kAtHangUp)) {
        ChannelGone();
        return;
    }
    Log(kCallCancelled);
    succeeded = true;
}

void ServiceThread::Log(const std::string& line) {
    message = line;
    sink.LogLine(message);
}

bool ServiceThread::ModemSend(const std::string& text) {
    return context.port.SendFrame(kCmdModemPassThrough, 0, static_cast<uint32_t>(text.size()),
                                  reinterpret_cast<const uint8_t*>(text.data()));
}

bool ServiceThread::AwaitAnswer(uint32_t count, int timeoutMs, bool (*complete)(std::string_view)) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    if (!context.port.WaitReply(count, timeoutMs)) return false;
    for (;;) {
        if (complete(Answer())) return true;
        const uint32_t have = context.port.ReceivedCount();
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return true;
        const int wait = static_cast<int>(std::min<long long>(left, kAnswerQuietMs));
        if (!context.port.WaitReply(have + 1, wait)) return true;
    }
}

void ServiceThread::AwaitFinalResult(int ms) {
    // The pause ends with the modem's final word rather than after a fixed time: a modem
    // slower than the pause would otherwise answer into the next command's wait, and a
    // quick one need not be waited for.
    AwaitAnswer(1, ms, HasFinalResult);
}

void ServiceThread::Pause(int ms) {
    context.port.Pause(ms);
}

std::string ServiceThread::Answer() const {
    std::array<uint8_t, SerialPort::kRxBufferSize> bytes;
    const size_t n = context.port.CopyReceived(bytes.data(), bytes.size());
    return std::string(AnswerText(bytes.data(), n));
}

bool ServiceThread::ChannelGone() {
    if (channelGone) return true;
    if (context.port.LineLost()) {
        channelGone = true;
        Log(kLinkLost);
    } else if (context.port.Cancelled() || !context.port.IsOpen()) {
        channelGone = true;
        Log(kRunCancelled);
    }
    return channelGone;
}

}  // namespace zort
