#include "settings/SummaryTable.h"

#include <cstdio>
#include <string_view>

#include "settings/SlotFormats.h"

namespace zort {
namespace {

constexpr std::array<std::string_view, kSummaryRows> kTitles = {
    "Номер владельца",
    "PIN-код",
    "Часовой пояс",
    "Время основного сеанса",
    "Формат координат",
    "Режим передачи данных",
    "Адрес сервера : порт",
    "Частота выхода на связь",
    "Период определения координат (Суток)",
    "Охрана по датчику движения",
    "Период времени охраны №1",
    "Период времени охраны №2",
    "Тайм-аут датчика движения",
    "Защита от ложных срабатываний датчика",
    "Воздействие на датчик (амплитуда)",
    "Воздействие на датчик (длительность)",
    "Охрана периметра",
    "Диаметр зоны охраны",
    "Порог остатка средств",
    "Код запроса баланса",
};

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

}  // namespace

void RefreshSummaryTable(const SettingsImage& image, SummaryTable& table) {
    for (std::size_t row = 0; row < kTitles.size(); ++row) table[row][0] = kTitles[row];
    auto value = [&](std::size_t row) -> std::string& { return table[row][1]; };

    value(0) = image.Utf8Text(0);
    value(1) = image.Utf8Text(1);
    value(2) = std::to_string(image.Number(2, true));
    const std::string contact = image.Text(3);
    value(3) = TwoDigits(TwoDigitField(contact, 0)) + ":" + TwoDigits(TwoDigitField(contact, 1));
    SetWording(value(4), kCoordFormats, image.Number(4));
    SetWording(value(5), kDeliveryModes, image.Number(5));
    value(6) = image.Utf8Text(6) + ":" + image.Utf8Text(7);
    SetWording(value(7), kWakeups, image.Number(12), 1);
    value(8) = image.Number(13) == 0 ? std::string("Каждый день") : image.Utf8Text(13);
    SetWording(value(9), kGuardModes, image.Number(15));
    const std::string intervals = image.Text(16);
    value(10) = Period(intervals, 0);
    value(11) = Period(intervals, 4);
    value(12) = image.Utf8Text(17);
    value(13) = image.Number(18) == 1 ? "Включена" : "Выключена";
    value(14) = image.Utf8Text(19);
    value(15) = image.Utf8Text(20);

    const GeofenceValue geofence = ParseGeofence(image.Text(21));
    value(16) = "Режим " + std::to_string(geofence.mode);
    value(17) = std::to_string(geofence.diameter.value_or(0)) + " км";

    value(18) = image.Utf8Text(22);
    value(19) = image.Text(23) == kNotSetText ? std::string("Автоматически") : image.Utf8Text(23);
}

}  // namespace zort
