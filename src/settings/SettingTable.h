#pragma once
// Every tracker setting, named once: its slot in the image, where it travels in the
// exchange with the tracker, its key in settings documents, the caption the pages show
// it under, its place in the settings file and its factory value. Everything else that
// walks the settings (the exchange order, the file record, the defaults, documents,
// messages) is derived from this table, and the table is checked here as it compiles.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "worker/SettingsImage.h"

namespace zort {

// Each setting by name; the value is its slot in the image.
namespace slot {
enum Name : int {
    kOwnerPhone,
    kPin,
    kTimeZone,
    kContactTime,
    kCoordFormat,
    kDeliveryMode,
    kServerHost,
    kServerPort,
    kWialonEnabled,
    kWialonHost,
    kWialonPort,
    kWialonPassword,
    kWakeupFrequency,
    kFixPeriodDays,
    kMarker14,
    kGuardMode,
    kGuardIntervals,
    kSensorTimeout,
    kFalseTriggerProtection,
    kAmplitudeThreshold,
    kDurationThreshold,
    kGeofence,
    kBalanceThreshold,
    kBalanceCode,
    kImei,
    kSoftwareVersion,
    kBootloaderVersion,
    kDeviceInfo,
    kMarker28,
    kDeviceIdentity,
};
}  // namespace slot

// Factory values with a name of their own: the GUI's initial texts take them too.
inline constexpr std::string_view kFactoryPin = "1234";
inline constexpr std::string_view kDefaultServerHost = "track.zort.ru";
inline constexpr std::string_view kDefaultServerPort = "23351";
inline constexpr std::string_view kDefaultWialonHost = "wialon.zort.ru";
inline constexpr std::string_view kDefaultWialonPort = "20332";

// Pages of the main window; the navigation entry of page p is p + 1.
namespace page {
enum Index : int {
    kNone = -1,
    kOwner,
    kMain,
    kWakeup,
    kGuard,
    kSensor,
    kGeofence,
    kBalance,
    kFirmware,
};
}  // namespace page

// How the settings file keeps a setting: text up to a NUL within `size` bytes, exactly
// `size` characters with no NUL, or a little-endian number.
enum class CfgKind { kAbsent, kText, kFixedText, kU8, kS8, kU16 };

struct CfgPlace {
    std::size_t offset = 0;
    std::size_t size = 0;
    CfgKind kind = CfgKind::kAbsent;
};

inline constexpr CfgPlace kNotInFile{};
constexpr CfgPlace CfgText(std::size_t offset, std::size_t size) {
    return {offset, size, CfgKind::kText};
}
constexpr CfgPlace CfgU8(std::size_t offset) {
    return {offset, 1, CfgKind::kU8};
}
constexpr CfgPlace CfgS8(std::size_t offset) {
    return {offset, 1, CfgKind::kS8};
}
constexpr CfgPlace CfgU16(std::size_t offset) {
    return {offset, 2, CfgKind::kU16};
}

struct SettingRow {
    slot::Name slot;
    std::uint32_t id;  // parameter id on the wire
    int item;          // place in the exchange order; items 0..24 are written back
    std::string_view key;
    std::string_view name;  // the pages' caption; empty for what the pages do not show
    page::Index page;
    CfgPlace cfg;
    std::optional<std::string_view> factory;  // stored by restore-defaults
};

inline constexpr int kExchangeItemCount = kSlotCount;
inline constexpr int kWrittenItemCount = 25;

// clang-format off
inline constexpr std::array<SettingRow, kSlotCount> kSettingTable = {{
    {slot::kOwnerPhone, 0x08080460, 0, "owner_phone", "Номер телефона владельца", page::kOwner,
     CfgText(3, 30), std::nullopt},  // the number typed in the pages is kept
    {slot::kPin, 0x08080480, 1, "pin", "PIN-код", page::kOwner, CfgU16(33), kFactoryPin},
    {slot::kTimeZone, 0x08080580, 2, "time_zone", "Часовой пояс", page::kMain, CfgS8(35), "3"},
    {slot::kContactTime, 0x08080560, 3, "contact_time", "Основное время выхода на связь", page::kMain,
     CfgText(36, 5), "1200"},
    {slot::kCoordFormat, 0x080805A0, 4, "coord_format", "Формат присылаемых координат", page::kMain, CfgU8(41),
     "3"},
    {slot::kDeliveryMode, 0x08080660, 5, "delivery_mode", "Способ передачи данных пользователю", page::kMain,
     CfgU8(42), "3"},
    {slot::kServerHost, 0x080800A0, 6, "server_host", "IP или домен сервера мониторинга", page::kMain,
     CfgText(43, 32), kDefaultServerHost},
    {slot::kServerPort, 0x080800C0, 7, "server_port", "Порт сервера мониторинга", page::kMain, CfgU16(75),
     kDefaultServerPort},
    {slot::kWialonEnabled, 0x080808C0, 8, "wialon_enabled", "Передача по протоколу Wialon IPS 2.0", page::kMain,
     kNotInFile, "0"},
    {slot::kWialonHost, 0x080800E0, 9, "wialon_host", "IP/домен сервера WIALON", page::kMain, kNotInFile,
     kDefaultWialonHost},
    {slot::kWialonPort, 0x08080100, 10, "wialon_port", "Порт сервера WIALON", page::kMain, kNotInFile,
     kDefaultWialonPort},
    {slot::kWialonPassword, 0x08080120, 11, "wialon_password", "Пароль для доступа к серверу", page::kMain,
     kNotInFile, ""},
    {slot::kWakeupFrequency, 0x080805C0, 12, "wakeup_frequency", "Частота выхода на связь", page::kWakeup,
     CfgU8(78), "1"},
    {slot::kFixPeriodDays, 0x08080520, 13, "fix_period_days", "Период определения координат", page::kWakeup,
     CfgU8(77), "0"},
    {slot::kMarker14, 0x080802C0, 14, "marker_14", "", page::kNone, kNotInFile, "1"},
    {slot::kGuardMode, 0x08080600, 15, "guard_mode", "Режим работы датчика движения", page::kGuard, CfgU8(91),
     "0"},
    {slot::kGuardIntervals, 0x08080620, 16, "guard_intervals", "Интервалы времени охраны", page::kGuard,
     CfgText(92, 17), "2300070010001700"},
    {slot::kSensorTimeout, 0x08080640, 17, "sensor_timeout_min", "Тайм-аут датчика движения", page::kSensor,
     CfgU8(109), "5"},
    {slot::kFalseTriggerProtection, 0x080806E0, 18, "false_trigger_protection",
     "Защита от ложных срабатываний датчика движения", page::kSensor, CfgU8(110), "1"},
    {slot::kAmplitudeThreshold, 0x080806A0, 19, "amplitude_threshold", "Амплитуда воздействия на датчик движения",
     page::kSensor, CfgU8(111), "20"},
    {slot::kDurationThreshold, 0x080806C0, 20, "duration_threshold",
     "Длительность воздействия на датчик движения", page::kSensor, CfgU8(112), "0"},
    // The geofence travels in the file as exactly five characters with no NUL of its own.
    {slot::kGeofence, 0x08080720, 21, "geofence", "Контроль выхода из зоны охраны", page::kGeofence,
     {113, 5, CfgKind::kFixedText}, "0 001"},
    {slot::kBalanceThreshold, 0x08080540, 22, "balance_threshold", "Порог остатка средств на лицевом счете",
     page::kBalance, CfgU16(79), "50"},
    {slot::kBalanceCode, 0x080804A0, 23, "balance_code", "Код запроса баланса", page::kBalance, CfgText(81, 10),
     kNotSetText},
    // The marker of slot 28 travels with the written items; device information follows.
    {slot::kImei, 0x080807E0, 25, "imei", "IMEI", page::kFirmware, kNotInFile, std::nullopt},
    {slot::kSoftwareVersion, 0x080807A0, 26, "software_version", "Версия ПО", page::kFirmware, kNotInFile,
     std::nullopt},
    {slot::kBootloaderVersion, 0x080807C0, 27, "bootloader_version", "Версия загрузчика", page::kFirmware,
     kNotInFile, std::nullopt},
    {slot::kDeviceInfo, 0x080808E0, 28, "device_info", "", page::kNone, kNotInFile, std::nullopt},
    {slot::kMarker28, 0x08080440, 24, "marker_28", "", page::kNone, kNotInFile, std::nullopt},
    {slot::kDeviceIdentity, 0x08080940, 29, "device_identity", "", page::kFirmware, kNotInFile, std::nullopt},
}};
// clang-format on

constexpr const SettingRow& SettingOf(int slot) {
    return kSettingTable[static_cast<std::size_t>(slot)];
}
constexpr std::string_view KeyOf(int slot) {
    return SettingOf(slot).key;
}
constexpr bool IsWrittenBack(int slot) {
    return SettingOf(slot).item < kWrittenItemCount;
}
// The slot a settings document's key names, -1 for an unknown key.
constexpr int SlotOfKey(std::string_view key) {
    for (const SettingRow& row : kSettingTable) {
        if (row.key == key) return row.slot;
    }
    return -1;
}

namespace setting_table_checks {

constexpr bool RowsInSlotOrder() {
    for (int s = 0; s < kSlotCount; ++s) {
        if (SettingOf(s).slot != s) return false;
    }
    return true;
}

constexpr bool ItemsAndIdsUnique() {
    for (const SettingRow& a : kSettingTable) {
        if (a.item < 0 || a.item >= kExchangeItemCount || a.key.empty()) return false;
        for (const SettingRow& b : kSettingTable) {
            if (&a != &b && (a.item == b.item || a.id == b.id || a.key == b.key)) return false;
        }
    }
    return true;
}

constexpr bool CfgPlacesApart() {
    for (const SettingRow& a : kSettingTable) {
        if (a.cfg.kind == CfgKind::kAbsent) continue;
        // Bytes 0..2 name the kind of record; the record is 118 bytes long.
        if (a.cfg.offset < 3 || a.cfg.offset + a.cfg.size > 118) return false;
        for (const SettingRow& b : kSettingTable) {
            if (&a == &b || b.cfg.kind == CfgKind::kAbsent) continue;
            if (a.cfg.offset < b.cfg.offset + b.cfg.size && b.cfg.offset < a.cfg.offset + a.cfg.size)
                return false;
        }
    }
    return true;
}

// Only what the pages edit is written back and kept in files, and every written
// setting but the markers has a caption to name it by.
constexpr bool WrittenSettingsNamed() {
    for (const SettingRow& row : kSettingTable) {
        const bool written = row.item < kWrittenItemCount;
        const bool marker = row.slot == slot::kMarker14 || row.slot == slot::kMarker28;
        if (written && !marker && (row.name.empty() || row.page == page::kNone)) return false;
        if (!written && (row.cfg.kind != CfgKind::kAbsent || row.factory)) return false;
    }
    return true;
}

static_assert(RowsInSlotOrder(), "rows are listed in slot order");
static_assert(ItemsAndIdsUnique(), "exchange items, ids and keys are each used once");
static_assert(CfgPlacesApart(), "fields of the settings file do not overlap");
static_assert(WrittenSettingsNamed(), "written settings are named; device information is not stored");

}  // namespace setting_table_checks

}  // namespace zort
