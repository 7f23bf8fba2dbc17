#include "firmware/GPSUpdateThread.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "files/Utf8Path.h"
#include "firmware/GnssWire.h"
#include "link/CommandFrame.h"

namespace zort {
namespace {

// A path the user chose, checked before anything reaches the tracker. Returns its size,
// or -1 with the reason in `why`.
long long RegularFileSize(const std::string& path, const char* what, std::string& why) {
    namespace fs = std::filesystem;
    if (path.empty()) {
        why = std::string(what) + " не выбран";
        return -1;
    }
    std::error_code ec;
    const fs::path file = PathFromUtf8(path);
    if (PathTooLong(file)) {
        why = std::string(what) + " " + path + ": " + kPathTooLongText;
        return -1;
    }
    const fs::file_status status = fs::status(file, ec);
    if (ec || !fs::exists(status)) {
        why = std::string(what) + " " + path + " не найден";
        return -1;
    }
    if (!fs::is_regular_file(status)) {
        why = path + " не является файлом";
        return -1;
    }
    const auto size = fs::file_size(file, ec);
    if (ec) {
        why = "не удалось определить размер файла " + path;
        return -1;
    }
    return static_cast<long long>(size);
}

// Reads exactly `length` bytes from the start of the file.
bool ReadStart(const std::string& path, size_t length, std::vector<uint8_t>& out, std::string& why) {
    FILE* f = OpenFileUtf8(path, "rb");
    if (!f) {
        why = "нет доступа к файлу " + path;
        return false;
    }
    out.assign(length, 0);
    const size_t got = length == 0 ? 0 : std::fread(out.data(), 1, length, f);
    std::fclose(f);
    if (got != length) {
        why = "не удалось прочитать файл " + path;
        out.clear();
        return false;
    }
    return true;
}

std::string Hex(const uint8_t* bytes, size_t length) {
    std::string out;
    char buf[4];
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(buf, sizeof buf, i ? " %02X" : "%02X", bytes[i]);
        out += buf;
    }
    return out;
}

std::string Hex16(uint16_t value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", value);
    return buf;
}

}  // namespace

bool ReadGnssLoader(const std::string& path, std::vector<uint8_t>& loader, std::string& why) {
    const long long size = RegularFileSize(path, "файл загрузчика", why);
    if (size < 0) return false;
    // A short loader would go out padded with zeros and the receiver would run whatever
    // those make of it.
    if (static_cast<unsigned long long>(size) < kGnssLoaderLength) {
        why = "файл загрузчика " + path + " короче " + std::to_string(kGnssLoaderLength) + " байт (" +
              std::to_string(size) + ")";
        return false;
    }
    return ReadStart(path, kGnssLoaderLength, loader, why);
}

bool ReadGnssFirmware(const std::string& path, std::vector<uint8_t>& image, std::string& why) {
    const long long size = RegularFileSize(path, "файл прошивки", why);
    if (size < 0) return false;
    if (size == 0) {
        why = "файл прошивки " + path + " пуст";
        return false;
    }
    if (static_cast<unsigned long long>(size) > kGnssFirmwareLimit) {
        why = "файл " + path + " больше 16 МиБ: это не прошивка GPS модуля";
        return false;
    }
    return ReadStart(path, static_cast<size_t>(size), image, why);
}

void GPSUpdateThread::Execute() {
    // Never a reason to fail: without it the run is merely more exposed to a busy system.
    priority = RaiseThreadPriority();
    // The receiver is in its boot ROM or half-written from the restart on; the whole run
    // counts, since the window cannot tell the steps apart.
    Critical(true);

    // Both files are read whole and closed before the first frame, so no path of the run
    // leaves one open and a file that changes meanwhile cannot send a torn image.
    std::vector<uint8_t> loader;
    std::vector<uint8_t> image;
    std::string why;
    if (!ReadGnssLoader(loaderPath, loader, why)) {
        Stop(kGnssLoaderOpenFailed, why);
        return;
    }
    if (!ReadGnssFirmware(firmwarePath, image, why)) {
        Stop(kGnssFirmwareOpenFailed, why);
        return;
    }
    // The file stores the loader's words low byte first; the ROM takes them high byte
    // first. 10-byte chunks start at even offsets, so swapping the whole loader once is
    // the same as swapping each chunk.
    std::vector<uint8_t> sent = loader;
    SwapWordBytes(sent.data(), sent.size());

    if (!RestartReceiver() || !SwitchToBootRom() || !Synchronise() || !Handshake() || !WriteLoader(sent) ||
        !CheckLoader(sent) || !StartLoader()) {
        return;
    }
    PrepareFlash(image.size());
    if (!WriteFirmware(image) || !Finish()) return;
    Critical(false);
    succeeded = true;
}

void GPSUpdateThread::Log(const std::string& line) {
    message = line;
    sink.LogLine(line);
}

bool GPSUpdateThread::Stop(const std::string& step, const std::string& why) {
    failure = step;
    detail = why;
    Log(step);
    if (!why.empty()) Log(why);
    return false;
}

bool GPSUpdateThread::Send(const uint8_t* bytes, size_t length) {
    return context.port.SendFrame(kCmdGnssPassThrough, 0, static_cast<uint32_t>(length), bytes);
}

bool GPSUpdateThread::SendText(const char* text) {
    return Send(reinterpret_cast<const uint8_t*>(text), std::strlen(text));
}

void GPSUpdateThread::Pause(int ms) {
    // Ends at once when the channel is cancelled (the program is closing) or the line is lost.
    context.port.Pause(ms);
}

bool GPSUpdateThread::Exchange(const uint8_t* bytes, size_t length, const uint8_t* expected,
                               size_t expectedLength, const char* step, uint8_t stray, int strays) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(context.timings.gnssReplyMs);
    Send(bytes, length);
    uint8_t got[kGnssLoaderChunk + 8] = {};
    size_t skipped = 0;
    size_t n = 0;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (!context.port.WaitReply(static_cast<uint32_t>(skipped + expectedLength),
                                    static_cast<int32_t>(left < 0 ? 0 : left))) {
            return Stop(step);
        }
        n = context.port.CopyReceived(got, std::min(skipped + expectedLength, sizeof got));
        const size_t before = skipped;
        while (skipped < n && static_cast<int>(skipped) < strays && skipped + expectedLength < sizeof got &&
               got[skipped] == stray) {
            ++skipped;
        }
        if (skipped == before) break;
    }
    const uint8_t* answer = got + skipped;
    const size_t answered = n - skipped;
    if (answered < expectedLength || std::memcmp(answer, expected, expectedLength) != 0) {
        return Stop(step, "Неверный ответ GPS модуля: ожидалось " + Hex(expected, expectedLength) +
                              ", получено " + Hex(answer, answered));
    }
    return true;
}

bool GPSUpdateThread::RestartReceiver() {
    const LinkTimings& t = context.timings;
    context.port.SendFrame(kCmdStopGnss, 0, 0, nullptr);
    if (!context.port.WaitReply(1, t.gnssSwitchReplyMs)) return Stop(kGnssUpdateNotStopped);
    Pause(t.gnssSwitchPauseMs);
    context.port.SendFrame(kCmdStartGnss, 0, 0, nullptr);
    if (!context.port.WaitReply(1, t.gnssSwitchReplyMs)) return Stop(kGnssUpdateNotStarted);
    Pause(t.gnssSwitchPauseMs);
    return true;
}

bool GPSUpdateThread::SwitchToBootRom() {
    const LinkTimings& t = context.timings;
    Log(kGnssEnteringBoot);
    // Nobody answers these: the receiver leaves NMEA for its boot ROM, and the speed
    // change is repeated for a receiver that missed the first.
    for (int i = 0; i < 5; ++i) {
        SendText(kGnssEnterBoot);
        Pause(t.gnssPassPauseMs);
    }
    for (int i = 0; i < 3; ++i) {
        SendText(kGnssBaud115200);
        Pause(t.gnssPassPauseMs);
    }
    Log(kGnssSwitchingBaud);
    context.port.SendFrame(kCmdSetGnssBaud, 115200, 0, nullptr);
    if (!context.port.WaitReply(1, t.gnssSwitchReplyMs)) return Stop(kGnssBaudFailed);
    return true;
}

bool GPSUpdateThread::Synchronise() {
    Log(kGnssPreparing);
    for (syncAttempts = 1; syncAttempts <= kGnssSyncAttempts; ++syncAttempts) {
        if (SyncAttempt()) return true;
        if (context.port.LineLost()) break;
    }
    syncAttempts = std::min(syncAttempts, kGnssSyncAttempts);
    return Stop(kGnssNoAnswer);
}

bool GPSUpdateThread::SyncAttempt() {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(context.timings.gnssSyncReplyMs);
    const uint8_t sync = kGnssSync;
    Send(&sync, 1);
    // Any byte ends the wait, but only the ROM's answer counts: what is left of the NMEA
    // stream may still be on its way.
    uint32_t seen = 0;
    uint8_t got[64];
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (!context.port.WaitReply(seen + 1, static_cast<int32_t>(left < 0 ? 0 : left))) return false;
        const size_t n = context.port.CopyReceived(got, sizeof got);
        if (std::memchr(got + seen, kGnssSyncAnswer, n - seen) != nullptr) return true;
        if (n >= sizeof got) return false;
        seen = static_cast<uint32_t>(n);
    }
}

bool GPSUpdateThread::Handshake() {
    struct Pair {
        uint8_t sent;
        uint8_t answer;
        const char* step;
    };
    static const Pair kPairs[] = {
        {0x0A, 0xF5, kGnss0AFailed}, {0x50, 0xAF, kGnss50Failed}, {0x05, 0xFA, kGnss05Failed}};
    // The ROM answers every synchronisation byte it gets. When its answers take longer
    // than an attempt waits (a slow relay through the tracker, a busy machine), an
    // attempt succeeds on the answer to an earlier one, and the answers to the later
    // attempts are still on their way: they arrive in front of the first handshake
    // answer and are passed over, at most one for each attempt made.
    if (!Exchange(&kPairs[0].sent, 1, &kPairs[0].answer, 1, kPairs[0].step, kGnssSyncAnswer, syncAttempts)) {
        return false;
    }
    for (const Pair& p : {kPairs[1], kPairs[2]}) {
        if (!Exchange(&p.sent, 1, &p.answer, 1, p.step)) return false;
    }
    return true;
}

bool GPSUpdateThread::WriteLoader(const std::vector<uint8_t>& sent) {
    const uint8_t command = kGnssWriteCommand;
    const auto address = BigEndian32(kGnssLoaderAddress);
    const auto size = BigEndian32(static_cast<uint32_t>(kGnssLoaderLength / 2));
    if (!Echo(&command, 1, kGnssA1Failed) || !Echo(address.data(), 4, kGnssAddressFailed) ||
        !Echo(size.data(), 4, kGnssSizeFailed)) {
        return false;
    }
    Log(kGnssWritingLoader);
    progressMax = static_cast<int>(kGnssLoaderLength);
    for (size_t offset = 0; offset < sent.size(); offset += kGnssLoaderChunk) {
        const size_t n = std::min(kGnssLoaderChunk, sent.size() - offset);
        if (!Echo(sent.data() + offset, n, kGnssLoaderWriteFailed)) return false;
        progressPosition = static_cast<int>(offset);
        SetProgress();
    }
    return true;
}

bool GPSUpdateThread::CheckLoader(const std::vector<uint8_t>& sent) {
    const uint8_t command = kGnssChecksumCommand;
    const auto address = BigEndian32(kGnssLoaderAddress);
    const auto size = BigEndian32(static_cast<uint32_t>(kGnssLoaderLength / 2));
    if (!Echo(&command, 1, kGnssA4Failed)) return false;
    Pause(context.timings.gnssChecksumPauseMs);
    if (!Echo(address.data(), 4, kGnssChecksumAddressFailed)) return false;
    // The ROM echoes the size and then returns its sum of the words it holds.
    const auto expected = BigEndian16(LoaderChecksum(sent.data(), sent.size()));
    uint8_t want[6];
    std::memcpy(want, size.data(), 4);
    std::memcpy(want + 4, expected.data(), 2);
    Send(size.data(), 4);
    if (!context.port.WaitReply(6, context.timings.gnssReplyMs)) return Stop(kGnssSizeFailed);
    uint8_t got[6] = {};
    context.port.CopyReceived(got, sizeof got);
    if (std::memcmp(got, want, 4) != 0) {
        return Stop(kGnssSizeFailed,
                    "Неверный ответ GPS модуля: ожидалось " + Hex(want, 4) + ", получено " + Hex(got, 4));
    }
    if (std::memcmp(got + 4, want + 4, 2) != 0) {
        const uint16_t held = static_cast<uint16_t>(got[4] << 8 | got[5]);
        return Stop(kGnssSizeFailed, "Контрольная сумма загрузчика в модуле " + Hex16(held) + ", ожидалась " +
                                         Hex16(LoaderChecksum(sent.data(), sent.size())) +
                                         ": загрузчик повреждён и не будет запущен");
    }
    return true;
}

bool GPSUpdateThread::StartLoader() {
    Log(kGnssStartingLoader);
    const uint8_t command = kGnssJumpCommand;
    const auto address = BigEndian32(kGnssLoaderAddress);
    if (!Echo(&command, 1, kGnssJumpFailed)) return false;
    // The address comes back, then the loader's own start-up report, not interpreted.
    Send(address.data(), 4);
    if (!context.port.WaitReply(4 + kGnssLoaderReportLength, context.timings.gnssReplyMs)) {
        return Stop(kGnssJumpAddressFailed);
    }
    uint8_t got[4] = {};
    context.port.CopyReceived(got, sizeof got);
    if (std::memcmp(got, address.data(), 4) != 0) {
        return Stop(kGnssJumpAddressFailed, "Неверный ответ GPS модуля: ожидалось " + Hex(address.data(), 4) +
                                                ", получено " + Hex(got, 4));
    }
    return true;
}

void GPSUpdateThread::PrepareFlash(size_t firmwareLength) {
    const LinkTimings& t = context.timings;
    // The loader answers the erase and the block size when it is done, but what it says
    // is its own business; a missing answer only costs the wait.
    const uint8_t erase = kGnssEraseCommand;
    const uint8_t flashKind = 0x01;
    const auto begin = BigEndian32(0);
    const auto end = BigEndian32(FirmwareEndAddress(firmwareLength));
    Send(&erase, 1);
    Pause(t.gnssPassPauseMs);
    Send(&flashKind, 1);
    Pause(t.gnssPassPauseMs);
    Send(begin.data(), 4);
    Pause(t.gnssPassPauseMs);
    Send(end.data(), 4);
    context.port.WaitReply(2, t.gnssReplyMs);

    const uint8_t blockSizeCommand = kGnssBlockSizeCommand;
    const auto blockSize = BigEndian32(kGnssBlockSize);
    Send(&blockSizeCommand, 1);
    Pause(t.gnssPassPauseMs);
    Send(blockSize.data(), 4);
    Pause(t.gnssPassPauseMs);
    context.port.WaitReply(2, t.gnssReplyMs);
}

bool GPSUpdateThread::WriteFirmware(const std::vector<uint8_t>& image) {
    Log(kGnssWritingFirmware);
    progressMax = static_cast<int>(image.size());
    uint8_t block[kGnssBlockSize + 2];
    for (size_t offset = 0; offset < image.size(); offset += kGnssBlockSize) {
        const size_t n = std::min<size_t>(kGnssBlockSize, image.size() - offset);
        std::memcpy(block, image.data() + offset, n);
        const auto sum = BigEndian16(BlockChecksum(block, n));
        block[n] = sum[0];
        block[n + 1] = sum[1];
        Send(block, n + 2);
        if (!context.port.WaitReply(1, context.timings.gnssReplyMs)) return Stop(kGnssBlockTimedOut);
        ++blocksWritten;
        progressPosition = static_cast<int>(offset);
        SetProgress();
    }
    return true;
}

bool GPSUpdateThread::Finish() {
    const LinkTimings& t = context.timings;
    const uint8_t finish = kGnssFinishCommand;
    bool sent = Send(&finish, 1);
    Pause(t.gnssPassPauseMs);
    sent = Send(&finish, 1) && sent;
    Pause(t.gnssPassPauseMs);
    // Back to the receiver's own speed; the tracker does not answer this one.
    sent = context.port.SendFrame(kCmdSetGnssBaud, 9600, 0, nullptr) && sent;
    // Every block was acknowledged, but a line that went away now never carried the
    // closing commands: the receiver may still sit in its loader.
    if (!sent || context.port.LineLost()) return Stop(kGnssLinkLost);
    Log(kGnssDone);
    progressPosition = 0;
    SetProgress();
    return true;
}

}  // namespace zort
