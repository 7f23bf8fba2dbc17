#include "settings/RWSettingsThread.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "link/CommandFrame.h"
#include "settings/ExchangeTable.h"

namespace zort {

std::string WrittenSettingsText(int written) {
    if (written <= 0) return "Ни одна настройка не записана";
    std::string names;
    for (const SettingRow& row : kSettingTable) {
        // Markers travel with the settings but have no caption of their own.
        if (row.item >= written || row.name.empty()) continue;
        names += names.empty() ? "" : ", ";
        names += row.name;
    }
    return "Уже записаны (" + std::to_string(written) + " из " + std::to_string(kWrittenItemCount) +
           "): " + names;
}

bool RWSettingsThread::CancelNow() {
    if (!cancelRequested.load()) return false;
    cancelled = true;
    sink.HideProgress();
    if (mode == kModeWriteSettings) {
        Fail(kWriteCancelled, WrittenSettingsText(itemsDone));
    } else {
        Succeed(kReadCancelled);
    }
    return true;
}

void RWSettingsThread::Execute() {
    if (mode == kModeReadSettings) Read();
    if (mode == kModeReadUnlessKnown && !ReuseKnown()) Read();
    if (mode == kModeWriteSettings) Write();
}

bool RWSettingsThread::ReuseKnown() {
    if (known == nullptr) return false;
    const std::string expected = known->Text(slot::kImei);
    // Without an IMEI there is nothing to tell one tracker from another.
    if (expected.empty()) return false;
    const LinkTimings& t = context.timings;
    context.port.SendFrame(kCmdReadParameter, SettingOf(slot::kImei).id, 0, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(t.settingsReadPauseMs));
    if (!context.port.WaitReply(kSlotSize, t.settingsReplyMs)) return false;
    ParameterSlot reply;
    context.port.CopyReceived(reply.bytes.data(), reply.bytes.size());
    sink.LogReply(reply.bytes.data());
    if (reply.Text() != expected) return false;
    {
        std::lock_guard lock(context.imageMutex);
        *image = *known;
    }
    reused = true;
    itemsDone = kExchangeItemCount;
    sink.ImageRead();
    return true;
}

void RWSettingsThread::Read() {
    const LinkTimings& t = context.timings;
    {
        std::lock_guard lock(context.imageMutex);
        image->Reset();
    }
    for (int k = 0; k < kExchangeItemCount; ++k) {
        if (CancelNow()) return;
        const ExchangeItem& item = kExchangeTable[static_cast<size_t>(k)];
        context.port.SendFrame(kCmdReadParameter, item.id, 0, nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(t.settingsReadPauseMs));
        const bool answered = context.port.WaitReply(kSlotSize, t.settingsReplyMs);
        uint8_t reply[kSlotSize] = {};
        context.port.CopyReceived(reply, sizeof reply);
        sink.LogReply(reply);
        if (!answered) {
            Fail(kReadFailed);
            return;
        }
        progressMax = kExchangeItemCount;
        progressPosition = k;
        caption = kReadCaption;
        ShowProgress();
        SetProgress();
        {
            std::lock_guard lock(context.imageMutex);
            image->Slot(item.slot).CopyReply(reply);
        }
        itemsDone = k + 1;
    }
    sink.ImageRead();
    // The tracker expects this marker to be read once more after a full read; the
    // answer carries nothing we use.
    context.port.SendFrame(kCmdReadParameter, kFollowUpReadId, 0, nullptr);
    context.port.WaitReply(kSlotSize, t.settingsReplyMs);
}

void RWSettingsThread::Write() {
    // The window may change its image while the write runs (a file loaded, the
    // defaults): the tracker gets the image as it was when the write began.
    SettingsImage sent;
    {
        std::lock_guard lock(context.imageMutex);
        sent = *image;
    }
    for (int k = 0; k < kWrittenItemCount; ++k) {
        if (CancelNow()) return;
        const ExchangeItem& item = kExchangeTable[static_cast<size_t>(k)];
        const ParameterSlot& slot = sent.Slot(item.slot);
        context.port.SendFrame(kCmdWriteParameter, item.id, kSlotSize, slot.bytes.data());
        if (!context.port.WaitReply(1, context.timings.settingsReplyMs)) {
            Fail(kWriteFailed);
            return;
        }
        progressMax = kWrittenItemCount;
        progressPosition = k;
        caption = kWriteCaption;
        ShowProgress();
        SetProgress();
        itemsDone = k + 1;
    }
    sink.HideProgress();
    Succeed(kWriteSucceeded);
}

}  // namespace zort
