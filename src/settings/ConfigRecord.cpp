#include "settings/ConfigRecord.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "link/Cp1251.h"

namespace zort {
namespace {

constexpr std::uint8_t kRecordKind = 1;  // bytes 0..2; a Wialon command file starts with 2

struct TextField {
    std::size_t offset;
    std::size_t size;  // including the NUL
    int slot;
    std::string_view name;
};

constexpr std::array<TextField, 5> kTextFields = {{
    {3, 30, 0, "Номер телефона владельца"},
    {36, 5, 3, "Основное время выхода на связь"},
    {43, 32, 6, "IP или домен сервера мониторинга"},
    {81, 10, 23, "Код запроса баланса"},
    {92, 17, 16, "Интервалы времени охраны"},
}};

// The geofence travels as exactly five characters with no NUL of its own.
constexpr TextField kGeofenceField = {113, 5, 21, "Контроль выхода из зоны охраны"};

enum class Width { kU8, kS8, kU16 };

struct NumberField {
    std::size_t offset;
    Width width;
    int slot;
    std::string_view name;
};

constexpr std::array<NumberField, 13> kNumberFields = {{
    {33, Width::kU16, 1, "PIN-код"},
    {35, Width::kS8, 2, "Часовой пояс"},
    {41, Width::kU8, 4, "Формат присылаемых координат"},
    {42, Width::kU8, 5, "Способ передачи данных пользователю"},
    {75, Width::kU16, 7, "Порт сервера мониторинга"},
    {77, Width::kU8, 13, "Период определения координат"},
    {78, Width::kU8, 12, "Частота выхода на связь"},
    {79, Width::kU16, 22, "Порог остатка средств на лицевом счете"},
    {91, Width::kU8, 15, "Режим работы датчика движения"},
    {109, Width::kU8, 17, "Тайм-аут датчика движения"},
    {110, Width::kU8, 18, "Защита от ложных срабатываний датчика движения"},
    {111, Width::kU8, 19, "Амплитуда воздействия на датчик движения"},
    {112, Width::kU8, 20, "Длительность воздействия на датчик движения"},
}};

constexpr int kPinSlot = 1;
constexpr int kPortSlot = 7;

struct Limits {
    std::int64_t low;
    std::int64_t high;
};

Limits LimitsOf(Width width) {
    switch (width) {
        case Width::kU8:
            return {0, 255};
        case Width::kS8:
            return {-128, 127};
        case Width::kU16:
            return {0, 65535};
    }
    return {0, 0};
}

std::string Quoted(std::string_view name) {
    return "«" + std::string(name) + "»";
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

    for (const TextField& f : kTextFields) {
        const std::string text = image.Text(f.slot);
        if (text.size() > f.size - 1) {
            return FileResult::Failure("Текст поля " + Quoted(f.name) +
                                       " не помещается в файл настроек (не больше " +
                                       std::to_string(f.size - 1) + " символов)");
        }
        std::copy(text.begin(), text.end(), record.bytes.begin() + static_cast<std::ptrdiff_t>(f.offset));
    }

    const std::string geofence = image.Text(kGeofenceField.slot);
    if (geofence.size() > kGeofenceField.size) {
        return FileResult::Failure("Значение поля " + Quoted(kGeofenceField.name) +
                                   " не помещается в файл настроек");
    }
    std::copy(geofence.begin(), geofence.end(),
              record.bytes.begin() + static_cast<std::ptrdiff_t>(kGeofenceField.offset));

    for (const NumberField& f : kNumberFields) {
        const std::int64_t value = image.Number(f.slot, f.width == Width::kS8);
        const Limits limits = LimitsOf(f.width);
        if (value < limits.low || value > limits.high) {
            return FileResult::Failure("Значение поля " + Quoted(f.name) + " (" + std::to_string(value) +
                                       ") не помещается в файл настроек (допустимо от " +
                                       std::to_string(limits.low) + " до " + std::to_string(limits.high) +
                                       ")");
        }
        const auto bits = static_cast<std::uint16_t>(value);
        record.bytes[f.offset] = static_cast<std::uint8_t>(bits & 0xFF);
        if (f.width == Width::kU16) record.bytes[f.offset + 1] = static_cast<std::uint8_t>(bits >> 8);
    }

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
    for (int slot : {0, 1, 2, 3, 4, 5, 6, 7, 12, 13, 15, 16, 17, 18, 19, 20, 21, 22, 23})
        image.Slot(slot).Clear();

    for (const TextField& f : kTextFields) image.SetText(f.slot, FieldText(*this, f.offset, f.size));
    image.SetText(kGeofenceField.slot, FieldText(*this, kGeofenceField.offset, kGeofenceField.size));

    for (const NumberField& f : kNumberFields) {
        std::int64_t value = bytes[f.offset];
        if (f.width == Width::kU16) value |= static_cast<std::int64_t>(bytes[f.offset + 1]) << 8;
        if (f.width == Width::kS8) value = static_cast<std::int8_t>(bytes[f.offset]);

        char text[16];
        if (f.slot == kPinSlot) {
            std::snprintf(text, sizeof text, "%04lld", static_cast<long long>(value));
        } else if (f.slot == kPortSlot && value == 0) {
            // An unset port is saved as 0; reading it back as "0" would turn "no server"
            // into a port the pages refuse.
            text[0] = '\0';
        } else {
            std::snprintf(text, sizeof text, "%lld", static_cast<long long>(value));
        }
        image.SetText(f.slot, text);
    }
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
