#include "settings/PageChoices.h"

#include <cstdio>
#include <vector>

namespace zort {
namespace {

std::string Format(const char* pattern, int value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, pattern, value);
    return buf;
}

std::vector<std::string> Numbers(const char* pattern, int first, int last) {
    std::vector<std::string> out;
    for (int v = first; v <= last; ++v) out.push_back(Format(pattern, v));
    return out;
}

std::vector<std::string> MakeTimeZones() {
    std::vector<std::string> out;
    for (int h = -12; h <= 14; ++h) {
        if (h == 0) {
            out.push_back("UTC (00:00)");
        } else {
            out.push_back(Format(h < 0 ? "UTC (-%02d:00)" : "UTC (+%02d:00)", h < 0 ? -h : h));
        }
        if (h == 3) out.back() += " (Москва  )";
    }
    return out;
}

std::vector<std::string> MakeDurations() {
    // Whole seconds are padded with blanks so that "сек" lines up under "0,1 сек" in
    // the list's proportional font.
    std::vector<std::string> out;
    for (int tenths = 0; tenths <= 40; ++tenths) {
        std::string text = tenths % 10 == 0 ? Format("%d    сек", tenths / 10)
                                            : Format("%d,", tenths / 10) + Format("%d сек", tenths % 10);
        if (tenths == 0) text += " (Максимальная чувствительность)";
        if (tenths == 5) text += " (Заводское значение)";
        if (tenths == 40) text += " (Минимальная чувствительность)";
        out.push_back(std::move(text));
    }
    return out;
}

std::vector<std::string> WithFirst(std::string first, std::vector<std::string> rest) {
    rest.insert(rest.begin(), std::move(first));
    return rest;
}

}  // namespace

ChoiceList TimeZoneChoices() {
    static const std::vector<std::string> kList = MakeTimeZones();
    return kList;
}

ChoiceList HourChoices() {
    static const std::vector<std::string> kList = Numbers("%02d", 0, 23);
    return kList;
}

ChoiceList MinuteChoices() {
    static const std::vector<std::string> kList = Numbers("%02d", 0, 59);
    return kList;
}

ChoiceList DeliveryModeChoices() {
    static const std::vector<std::string> kList = {"Выключено", "SMS", "Сервер (ZORT)", "SMS + Сервер (ZORT)",
                                                   ""};
    return kList;
}

ChoiceList FixPeriodChoices() {
    static const std::vector<std::string> kList = WithFirst("Каждый день", Numbers("%d", 1, 30));
    return kList;
}

ChoiceList SensorTimeoutChoices() {
    static const std::vector<std::string> kList = Numbers("%d", 5, 99);
    return kList;
}

ChoiceList AmplitudeChoices() {
    static const std::vector<std::string> kList =
        WithFirst("1 (Максимальная чувствительность)", Numbers("%d", 2, 40));
    return kList;
}

ChoiceList DurationChoices() {
    static const std::vector<std::string> kList = MakeDurations();
    return kList;
}

ChoiceList GeofenceChoices() {
    static const std::vector<std::string> kList = {"Контроль отключен", "Режим 1", "Режим 2", "Режим 3"};
    return kList;
}

ChoiceList ComboBoxChoices(std::string_view name) {
    if (name == "ComboBox1") return TimeZoneChoices();
    if (name == "ComboBox2" || name == "ComboBox4" || name == "ComboBox6" || name == "ComboBox8" ||
        name == "ComboBox10") {
        return HourChoices();
    }
    if (name == "ComboBox3" || name == "ComboBox5" || name == "ComboBox7" || name == "ComboBox9" ||
        name == "ComboBox11") {
        return MinuteChoices();
    }
    if (name == "ComboBox13") return SensorTimeoutChoices();
    if (name == "ComboBox14") return AmplitudeChoices();
    if (name == "ComboBox15") return DurationChoices();
    if (name == "ComboBox16") return FixPeriodChoices();
    if (name == "ComboBox18") return GeofenceChoices();
    if (name == "ComboBox19") return DeliveryModeChoices();
    return {};
}

}  // namespace zort
