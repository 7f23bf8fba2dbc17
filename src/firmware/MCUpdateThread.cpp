#include "firmware/MCUpdateThread.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "files/Utf8Path.h"
#include "link/CommandFrame.h"

namespace zort {

std::string FirmwareFileName(std::string name) {
    if (name.find(".fmw") == std::string::npos) name += ".fmw";
    return name;
}

long long CheckFirmwareFile(const std::string& path, std::string* why) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path file = PathFromUtf8(path);
    const fs::file_status status = fs::status(file, ec);
    auto refuse = [&](const std::string& reason) {
        if (why) *why = reason;
        return -1LL;
    };
    if (PathTooLong(file)) return refuse("файл " + path + ": " + kPathTooLongText);
    if (ec || !fs::exists(status)) return refuse("файл " + path + " не найден");
    if (!fs::is_regular_file(status)) return refuse(path + " не является файлом");
    const auto size = fs::file_size(file, ec);
    if (ec) return refuse("не удалось определить размер файла " + path);
    if (size <= kFirmwareHeaderSize) {
        return refuse("файл " + path + " слишком короткий: в нём нет прошивки после заголовка");
    }
    FILE* f = OpenFileUtf8(path, "rb");
    if (!f) return refuse("нет доступа к файлу " + path);
    std::fclose(f);
    return static_cast<long long>(size - kFirmwareHeaderSize);
}

void MCUpdateThread::Execute() {
    std::string why;
    // A file that holds no image (15 bytes or fewer), a folder or an unreadable file is
    // refused before anything reaches the tracker: an erase with nothing to write after
    // it would leave the tracker without firmware.
    const long long imageLength = CheckFirmwareFile(firmwarePath, &why);
    FILE* file = imageLength > 0 ? OpenFileUtf8(firmwarePath, "rb") : nullptr;
    if (!file) {
        Fail(kFirmwareOpenFailed, why);
        return;
    }
    const LinkTimings& t = context.timings;
    // From the erase on, the tracker has no whole program until the last block is in.
    Critical(true);
    context.port.SendFrame(kCmdPrepareFirmware, 0, 0, nullptr);
    if (!context.port.WaitReply(1, t.firmwareReplyMs)) {
        std::fclose(file);
        Fail(kFirmwareEraseFailed);
        return;
    }
    progressMax = static_cast<int>(imageLength);
    long long remaining = imageLength;
    long long offset = 0;
    std::vector<uint8_t> block(kFirmwareBlockSize);
    while (remaining > 0) {
        const size_t n = remaining >= static_cast<long long>(kFirmwareBlockSize)
                             ? kFirmwareBlockSize
                             : static_cast<size_t>(remaining);
        const bool read = std::fseek(file, static_cast<long>(kFirmwareHeaderSize + offset), SEEK_SET) == 0 &&
                          std::fread(block.data(), 1, n, file) == n;
        if (!read) {
            // The file changed under us (truncated while we were writing).
            std::fclose(file);
            Fail(kFirmwareOpenFailed, "файл прошивки " + firmwarePath + " изменился во время записи");
            return;
        }
        context.port.SendFrame(kCmdWriteFirmwareBlock, kFirmwareBase + static_cast<uint32_t>(offset),
                               static_cast<uint32_t>(n), block.data());
        if (!context.port.WaitReply(1, t.firmwareReplyMs)) {
            std::fclose(file);
            Fail(kFirmwareWriteFailed);
            return;
        }
        remaining -= static_cast<long long>(n);
        offset += static_cast<long long>(n);
        ++blocksWritten;
        progressPosition = static_cast<int>(offset);
        SetProgress();
    }
    std::fclose(file);
    Critical(false);
    context.port.Close();
    statusKind = kStatusSuccess;
    message = kFirmwareUpdated;
    progressPosition = 0;
    SetProgress();
    sink.ShowMessage(statusKind, message, {});
    ReleaseSlot();
}

}  // namespace zort
