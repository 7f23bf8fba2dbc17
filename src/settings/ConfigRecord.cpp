#include "settings/ConfigRecord.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "link/Cp1251.h"
#include "settings/SettingTable.h"

namespace zort {
namespace {

constexpr std::uint8_t kRecordKind = 1;  // bytes 0..2; a Wialon command file starts with 2

struct Limits {
    std::int64_t low;
    std::int64_t high;
};

Limits LimitsOf(CfgKind kind) {
    switch (kind) {
        case CfgKind::kS8:
            return {-128, 127};
        case CfgKind::kU16:
            return {0, 65535};
        default:
            return {0, 255};
    }
}

bool IsNumber(CfgKind kind) {
    return kind == CfgKind::kU8 || kind == CfgKind::kS8 || kind == CfgKind::kU16;
}

constexpr std::size_t kFileFieldCount = [] {
    std::size_t n = 0;
    for (const SettingRow& row : kSettingTable) n += row.cfg.kind != CfgKind::kAbsent ? 1 : 0;
    return n;
}();

// The settings the file keeps, in the order of their fields.
constexpr std::array<int, kFileFieldCount> kFileSlots = [] {
    std::array<int, kFileFieldCount> slots{};
    std::size_t n = 0;
    for (std::size_t offset = 0; offset < kConfigRecordSize; ++offset) {
        for (const SettingRow& row : kSettingTable) {
            if (row.cfg.kind != CfgKind::kAbsent && row.cfg.offset == offset) slots[n++] = row.slot;
        }
    }
    return slots;
}();

// Texts, then numbers, each in the order of their fields: a record is packed, and its
// first problem reported, in this order.
template <typename Visit>
FileResult ForEachField(bool numbers, Visit visit) {
    for (int slot : kFileSlots) {
        const SettingRow& row = SettingOf(slot);
        if (IsNumber(row.cfg.kind) != numbers) continue;
        if (FileResult result = visit(row); !result) return result;
    }
    return FileResult::Success();
}

std::string Quoted(std::string_view name) {
    return "«" + std::string(name) + "»";
}

FileResult PackText(const SettingRow& row, const SettingsImage& image, ConfigRecord& record) {
    const std::string text = image.Text(row.slot);
    if (row.cfg.kind == CfgKind::kFixedText && text.size() > row.cfg.size) {
        return FileResult::Failure("Значение поля " + Quoted(row.name) + " не помещается в файл настроек");
    }
    if (row.cfg.kind == CfgKind::kText && text.size() > row.cfg.size - 1) {
        return FileResult::Failure("Текст поля " + Quoted(row.name) +
                                   " не помещается в файл настроек (не больше " +
                                   std::to_string(row.cfg.size - 1) + " символов)");
    }
    std::copy(text.begin(), text.end(), record.bytes.begin() + static_cast<std::ptrdiff_t>(row.cfg.offset));
    return FileResult::Success();
}

FileResult PackNumber(const SettingRow& row, const SettingsImage& image, ConfigRecord& record) {
    const std::int64_t value = image.Number(row.slot, row.cfg.kind == CfgKind::kS8);
    const Limits limits = LimitsOf(row.cfg.kind);
    if (value < limits.low || value > limits.high) {
        return FileResult::Failure("Значение поля " + Quoted(row.name) + " (" + std::to_string(value) +
                                   ") не помещается в файл настроек (допустимо от " +
                                   std::to_string(limits.low) + " до " + std::to_string(limits.high) + ")");
    }
    const auto bits = static_cast<std::uint16_t>(value);
    record.bytes[row.cfg.offset] = static_cast<std::uint8_t>(bits & 0xFF);
    if (row.cfg.kind == CfgKind::kU16)
        record.bytes[row.cfg.offset + 1] = static_cast<std::uint8_t>(bits >> 8);
    return FileResult::Success();
}

// Text of a field: up to its first NUL, never more than a slot keeps.
std::string_view FieldText(const ConfigRecord& record, std::size_t offset, std::size_t size) {
    const auto* begin = reinterpret_cast<const char*>(record.bytes.data() + offset);
    const std::string_view field(begin, size);
    return field.substr(0, std::min({field.find('\0'), size, kSlotTextMax}));
}

}  // namespace

FileResult ConfigRecord::FromImage(const SettingsImage& image, ConfigRecord& out) {
    ConfigRecord record;
    std::fill_n(record.bytes.begin(), 3, kRecordKind);

    const auto text = [&](const SettingRow& row) { return PackText(row, image, record); };
    const auto number = [&](const SettingRow& row) { return PackNumber(row, image, record); };
    if (FileResult packed = ForEachField(false, text); !packed) return packed;
    if (FileResult packed = ForEachField(true, number); !packed) return packed;

    out = record;
    return FileResult::Success();
}

FileResult ConfigRecord::FromBytes(std::span<const std::uint8_t> data, ConfigRecord& out) {
    // A Wialon command file, an empty file or anything else would load as settings of
    // zeros and empty texts, which nobody meant to write to a tracker.
    if (data.size() < 3 || data[0] != kRecordKind || data[1] != kRecordKind || data[2] != kRecordKind) {
        return FileResult::Failure("Файл не является файлом настроек");
    }
    ConfigRecord record;
    std::copy_n(data.begin(), std::min(data.size(), kConfigRecordSize), record.bytes.begin());
    out = record;
    return FileResult::Success();
}

void ConfigRecord::ToImage(SettingsImage& image) const {
    for (int slot : kFileSlots) image.Slot(slot).Clear();

    ForEachField(false, [&](const SettingRow& row) {
        image.SetText(row.slot, FieldText(*this, row.cfg.offset, row.cfg.size));
        return FileResult::Success();
    });
    ForEachField(true, [&](const SettingRow& row) {
        const std::size_t at = row.cfg.offset;
        std::int64_t value = bytes[at];
        if (row.cfg.kind == CfgKind::kU16) value |= static_cast<std::int64_t>(bytes[at + 1]) << 8;
        if (row.cfg.kind == CfgKind::kS8) value = static_cast<std::int8_t>(bytes[at]);

        char text[16];
        if (row.slot == slot::kPin) {
            std::snprintf(text, sizeof text, "%04lld", static_cast<long long>(value));
        } else if (row.slot == slot::kServerPort && value == 0) {
            // An unset port is saved as 0; reading it back as "0" would turn "no server"
            // into a port the pages refuse.
            text[0] = '\0';
        } else {
            std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
        }
        image.SetText(row.slot, text);
        return FileResult::Success();
    });
}

FileResult SaveConfigFile(const std::string& name, const SettingsImage& image) {
    ConfigRecord record;
    if (FileResult packed = ConfigRecord::FromImage(image, record); !packed) return packed;
    return WriteFileAtomically(CfgFileName(name), record.bytes);
}

FileResult LoadConfigFile(const std::string& name, SettingsImage& image) {
    std::vector<std::uint8_t> data;
    if (FileResult read = ReadFileHead(CfgFileName(name), kConfigRecordSize, data); !read) return read;
    ConfigRecord record;
    if (FileResult parsed = ConfigRecord::FromBytes(data, record); !parsed) return parsed;
    record.ToImage(image);
    return FileResult::Success();
}

}  // namespace zort
