#include "settings/SummaryTable.h"

#include <cstdio>
#include <string_view>

#include "settings/SettingTable.h"
#include "settings/SlotFormats.h"

namespace zort {
namespace {

// Delivery mode 0 has no wording of its own in the table; the delivery list's
// "Выключено" says it, where leaving the cell would keep a previous device's mode.
constexpr std::array<std::string_view, 4> kDeliveryModes = {"Выключено", "SMS", "Сервер", "SMS + Сервер"};
constexpr std::array<std::string_view, 4> kCoordFormats = {"dd,ddddd°", "dd° mm,mmm'", "dd° mm' ss,ss''",
                                                           "интернет-ссылка"};
constexpr std::array<std::string_view, 3> kWakeups = {"Каждые 24 часа", "Каждые 12 часов", "Каждые 8 часов"};
constexpr std::array<std::string_view, 4> kGuardModes = {
    "Отключена", "Включена постоянно", "Включена в периоде №1", "Включена в периоде №1 и №2"};

std::string TwoDigits(int value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", value);
    return buf;
}

template <std::size_t N>
void SetWording(std::string& cell, const std::array<std::string_view, N>& words, std::int64_t value,
                std::int64_t first = 0) {
    if (value >= first && value < first + static_cast<std::int64_t>(N)) {
        cell = words[static_cast<std::size_t>(value - first)];
    }
}

// "c " opens the period with a Latin c, as the table has always shown it.
std::string Period(std::string_view text, std::size_t firstField) {
    return "c " + TwoDigits(TwoDigitField(text, firstField)) + ":" +
           TwoDigits(TwoDigitField(text, firstField + 1)) + " до " +
           TwoDigits(TwoDigitField(text, firstField + 2)) + ":" +
           TwoDigits(TwoDigitField(text, firstField + 3));
}

using Image = const SettingsImage&;

// A row's title and how its value is worded; a wording may leave the cell as it was.
struct SummaryRow {
    std::string_view title;
    void (*word)(Image image, std::string& cell);
};

template <int Slot>
void Plain(Image image, std::string& cell) {
    cell = image.Utf8Text(Slot);
}

constexpr std::array<SummaryRow, kSummaryRows> kRows = {{
    {"Номер владельца", Plain<slot::kOwnerPhone>},
    {"PIN-код", Plain<slot::kPin>},
    {"Часовой пояс", [](Image i, std::string& c) { c = std::to_string(i.Number(slot::kTimeZone, true)); }},
    {"Время основного сеанса",
     [](Image i, std::string& c) {
         const std::string contact = i.Text(slot::kContactTime);
         c = TwoDigits(TwoDigitField(contact, 0)) + ":" + TwoDigits(TwoDigitField(contact, 1));
     }},
    {"Формат координат",
     [](Image i, std::string& c) { SetWording(c, kCoordFormats, i.Number(slot::kCoordFormat)); }},
    {"Режим передачи данных",
     [](Image i, std::string& c) { SetWording(c, kDeliveryModes, i.Number(slot::kDeliveryMode)); }},
    {"Адрес сервера : порт",
     [](Image i, std::string& c) {
         c = i.Utf8Text(slot::kServerHost) + ":" + i.Utf8Text(slot::kServerPort);
     }},
    {"Частота выхода на связь",
     [](Image i, std::string& c) { SetWording(c, kWakeups, i.Number(slot::kWakeupFrequency), 1); }},
    {"Период определения координат (Суток)",
     [](Image i, std::string& c) {
         c = i.Number(slot::kFixPeriodDays) == 0 ? std::string("Каждый день")
                                                 : i.Utf8Text(slot::kFixPeriodDays);
     }},
    {"Охрана по датчику движения",
     [](Image i, std::string& c) { SetWording(c, kGuardModes, i.Number(slot::kGuardMode)); }},
    {"Период времени охраны №1",
     [](Image i, std::string& c) { c = Period(i.Text(slot::kGuardIntervals), 0); }},
    {"Период времени охраны №2",
     [](Image i, std::string& c) { c = Period(i.Text(slot::kGuardIntervals), 4); }},
    {"Тайм-аут датчика движения", Plain<slot::kSensorTimeout>},
    {"Защита от ложных срабатываний датчика",
     [](Image i, std::string& c) {
         c = i.Number(slot::kFalseTriggerProtection) == 1 ? "Включена" : "Выключена";
     }},
    {"Воздействие на датчик (амплитуда)", Plain<slot::kAmplitudeThreshold>},
    {"Воздействие на датчик (длительность)", Plain<slot::kDurationThreshold>},
    {"Охрана периметра",
     [](Image i, std::string& c) {
         c = "Режим " + std::to_string(ParseGeofence(i.Text(slot::kGeofence)).mode);
     }},
    {"Диаметр зоны охраны",
     [](Image i, std::string& c) {
         c = std::to_string(ParseGeofence(i.Text(slot::kGeofence)).diameter.value_or(0)) + " км";
     }},
    {"Порог остатка средств", Plain<slot::kBalanceThreshold>},
    {"Код запроса баланса",
     [](Image i, std::string& c) {
         c = i.Text(slot::kBalanceCode) == kNotSetText ? std::string("Автоматически")
                                                       : i.Utf8Text(slot::kBalanceCode);
     }},
}};

}  // namespace

void RefreshSummaryTable(const SettingsImage& image, SummaryTable& table) {
    for (std::size_t row = 0; row < kRows.size(); ++row) {
        table[row][0] = kRows[row].title;
        kRows[row].word(image, table[row][1]);
    }
}

}  // namespace zort
