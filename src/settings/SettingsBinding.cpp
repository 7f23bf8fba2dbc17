#include "settings/SettingsBinding.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "link/Cp1251.h"
#include "settings/PageChoices.h"
#include "settings/SlotFormats.h"

namespace zort {
namespace {

// The older validation messages carry the lower-case title; refusals added later use
// the application title.
constexpr std::string_view kTitleLower = "конфигуратор";
constexpr std::string_view kTitle = "Конфигуратор";

constexpr std::string_view kAskNoOwner =
    "Вы не указали номер телефона владельца\nЗаписать настройки без него?";
constexpr std::string_view kNoPin = "Вы не задали PIN-код устройства";
constexpr std::string_view kPinFourDigits = "PIN-код устройства должен состоять из четырех цифр";
constexpr std::string_view kAskNoServer =
    "Вы не указали адрес сервера или порт.\n\n\nВНИМАНИЕ!\n\n"
    "Если не записать данные настройки, то устройство не сможет передавать данные на сервер мониторинга\n\n"
    "Записать настройки без них?";
constexpr std::string_view kNoWialonServer =
    "Не указан IP или порт сервера\n для передачи по протоколу WIALON";
constexpr std::string_view kNoBalanceCode = "Вы не указали код запроса баланса";

// Pages of the fields; the navigation entry of page p is p + 1.
constexpr int kOwnerPage = 0;
constexpr int kMainPage = 1;
constexpr int kWakeupPage = 2;
constexpr int kGuardPage = 3;
constexpr int kSensorPage = 4;
constexpr int kGeofencePage = 5;
constexpr int kBalancePage = 6;

constexpr int kTimeZoneOffset = 12;
constexpr int kSensorTimeoutOffset = 5;
constexpr int kAmplitudeOffset = 1;
constexpr int kMaxPort = 65535;
constexpr int kMaxBalanceThreshold = 65535;  // the settings file keeps it in 16 bits
constexpr int kMinDiameter = 1;
constexpr int kMaxDiameter = 999;      // three digits in the slot and in the file
constexpr int kDeliveryModeCount = 4;  // the fifth, empty entry selects no mode

struct Field {
    std::string_view name;  // the caption the user sees, for messages
    int page;
};

constexpr Field kOwnerField{"Номер телефона владельца", kOwnerPage};
constexpr Field kTimeZoneField{"Часовой пояс", kMainPage};
constexpr Field kContactTimeField{"Основное время выхода на связь", kMainPage};
constexpr Field kCoordFormatField{"Формат присылаемых координат", kMainPage};
constexpr Field kDeliveryField{"Способ передачи данных пользователю", kMainPage};
constexpr Field kServerHostField{"IP или домен сервера мониторинга", kMainPage};
constexpr Field kServerPortField{"Порт сервера мониторинга", kMainPage};
constexpr Field kWialonHostField{"IP/домен сервера WIALON", kMainPage};
constexpr Field kWialonPortField{"Порт сервера WIALON", kMainPage};
constexpr Field kWialonPasswordField{"Пароль для доступа к серверу", kMainPage};
constexpr Field kFixPeriodField{"Период определения координат", kWakeupPage};
constexpr Field kWakeupField{"Частота выхода на связь", kWakeupPage};
constexpr Field kGuardModeField{"Режим работы датчика движения", kGuardPage};
constexpr Field kInterval1Field{"Интервал времени № 1", kGuardPage};
constexpr Field kInterval2Field{"Интервал времени № 2", kGuardPage};
constexpr Field kSensorTimeoutField{"Тайм-аут датчика движения", kSensorPage};
constexpr Field kAmplitudeField{"Амплитуда воздействия на датчик движения", kSensorPage};
constexpr Field kDurationField{"Длительность воздействия на датчик движения", kSensorPage};
constexpr Field kGeofenceField{"Контроль выхода из зоны охраны", kGeofencePage};
constexpr Field kBalanceCodeField{"Код запроса баланса", kBalancePage};

std::string Printf(const char* pattern, auto... args) {
    char buf[96];
    std::snprintf(buf, sizeof buf, pattern, args...);
    return buf;
}

std::string Quoted(std::string_view head, std::string_view name, std::string_view tail = {}) {
    return std::string(head) + "«" + std::string(name) + "»" + std::string(tail);
}

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Index of the first checked button, -1 when none is.
template <std::size_t N>
int CheckedIndex(const bool* const (&group)[N]) {
    for (std::size_t i = 0; i < N; ++i) {
        if (*group[i]) return static_cast<int>(i);
    }
    return -1;
}

template <std::size_t N>
void CheckOnly(bool* const (&group)[N], std::size_t which) {
    for (std::size_t i = 0; i < N; ++i) *group[i] = (i == which);
}

bool InRange(std::int64_t v, std::int64_t lo, std::int64_t hi) {
    return v >= lo && v <= hi;
}

// The whole store, first into a copy of the image, so that a refusal at any step
// leaves the caller's image untouched.
class Transfer {
  public:
    Transfer(SettingsPages& pages, const SettingsImage& image, SettingsPrompts& prompts)
        : pages_(pages), staged_(image), prompts_(prompts) {}

    bool Run();
    const SettingsImage& Staged() const { return staged_; }

  private:
    void SelectPage(int page) {
        pages_.selectedEntry = page + 1;
        pages_.shownPage = page;
        prompts_.PageChanged(pages_.selectedEntry, pages_.shownPage);
    }
    void ShowPage(int page) {
        pages_.shownPage = page;
        prompts_.PageChanged(pages_.selectedEntry, pages_.shownPage);
    }
    bool Refuse(int page, std::string_view text) {
        SelectPage(page);
        prompts_.Warn(kTitle, text);
        return false;
    }

    // The slot bytes of a typed text, or a refusal naming the field.
    std::optional<std::string> SlotText(const std::string& utf8, Field field) {
        bool lossless = false;
        std::string cp1251 = Utf8ToCp1251(utf8, &lossless);
        if (!lossless || utf8.find('\0') != std::string::npos) {
            Refuse(field.page,
                   Quoted("Поле ", field.name, " содержит символы, которые устройство не поддерживает"));
            return std::nullopt;
        }
        if (cp1251.size() > kSlotTextMax) {
            Refuse(field.page, Quoted("Текст в поле ", field.name, " длиннее 31 символа"));
            return std::nullopt;
        }
        return cp1251;
    }

    bool CheckPort(const std::string& text, Field field) {
        if (AllDigits(text) && InRange(DecimalToInt(text), 1, kMaxPort)) return true;
        return Refuse(field.page, Quoted("", field.name, " должен быть числом от 1 до 65535"));
    }

    bool CheckIndex(int index, ChoiceList list, Field field) {
        if (index >= 0 && static_cast<std::size_t>(index) < list.size()) return true;
        return Refuse(field.page, Quoted("Не выбрано значение ", field.name));
    }

    void Store(int slot, std::string_view cp1251) { staged_.SetText(slot, cp1251); }
    void StoreNumber(int slot, std::int64_t value) {
        Store(slot, Printf("%lld", static_cast<long long>(value)));
    }

    bool StoreOwner();
    bool StorePin();
    bool StoreMainPage();
    bool StoreServer();
    bool StoreWialon();
    bool StoreWakeupPage();
    bool StoreGuardPage();
    bool StoreSensorPage();
    bool StoreGeofence();
    bool StoreBalanceThreshold();
    bool StoreBalanceCode();

    SettingsPages& pages_;
    SettingsImage staged_;
    SettingsPrompts& prompts_;
};

bool Transfer::StoreOwner() {
    staged_.Slot(0).Clear();
    if (pages_.Edit1.empty()) {
        SelectPage(kOwnerPage);
        if (!prompts_.AskYesNo(kTitleLower, kAskNoOwner)) return false;
        Store(0, kNotSetText);
        return true;
    }
    const auto text = SlotText(pages_.Edit1, kOwnerField);
    if (!text) return false;
    // The owner's number is dialled and texted by the tracker: anything but digits and
    // a plus (pasted text, say) would silently break both.
    if (text->find_first_not_of("0123456789+") != std::string::npos) {
        return Refuse(kOwnerPage, "Номер телефона владельца может содержать только цифры и знак «+»");
    }
    Store(0, *text);
    return true;
}

bool Transfer::StorePin() {
    if (pages_.Edit2.empty()) {
        ShowPage(kOwnerPage);
        prompts_.Warn(kTitleLower, kNoPin);
        return false;
    }
    // Too long or not digits is the same mistake as too short.
    if (Utf8Length(pages_.Edit2) != 4 || !AllDigits(pages_.Edit2)) {
        ShowPage(kOwnerPage);
        prompts_.Warn(kTitleLower, kPinFourDigits);
        return false;
    }
    Store(1, pages_.Edit2);
    return true;
}

bool Transfer::StoreMainPage() {
    if (!CheckIndex(pages_.ComboBox1, TimeZoneChoices(), kTimeZoneField)) return false;
    StoreNumber(2, pages_.ComboBox1 - kTimeZoneOffset);

    if (!CheckIndex(pages_.ComboBox2, HourChoices(), kContactTimeField) ||
        !CheckIndex(pages_.ComboBox3, MinuteChoices(), kContactTimeField)) {
        return false;
    }
    Store(3, Printf("%02d%02d", pages_.ComboBox2, pages_.ComboBox3));

    const bool* const format[] = {&pages_.RadioButton1, &pages_.RadioButton2, &pages_.RadioButton12,
                                  &pages_.RadioButton13};
    const int formatIndex = CheckedIndex(format);
    if (formatIndex < 0) return Refuse(kMainPage, Quoted("Не выбрано значение ", kCoordFormatField.name));
    StoreNumber(4, formatIndex);

    // Typed text (-1) and the empty fifth entry name no mode the tracker knows.
    if (!CheckIndex(pages_.ComboBox19, DeliveryModeChoices().first(kDeliveryModeCount), kDeliveryField)) {
        return false;
    }
    StoreNumber(5, pages_.ComboBox19);
    return true;
}

bool Transfer::StoreServer() {
    staged_.Slot(6).Clear();
    staged_.Slot(7).Clear();
    // Asked whatever the delivery mode: the address is kept in the tracker for later.
    if (pages_.Edit7.empty() || pages_.Edit8.empty()) {
        SelectPage(kMainPage);
        return prompts_.AskYesNo(kTitleLower, kAskNoServer);
    }
    const auto host = SlotText(pages_.Edit7, kServerHostField);
    if (!host || !CheckPort(pages_.Edit8, kServerPortField)) return false;
    Store(6, *host);
    Store(7, pages_.Edit8);
    return true;
}

bool Transfer::StoreWialon() {
    if (!pages_.CheckBox3) {
        // Leaving slot 8 as it was would keep a tracker that had the transfer on
        // sending to the extra server after the box was cleared. The address, port and
        // password stay for the next time the box is checked.
        Store(8, "0");
        return true;
    }
    if (pages_.Edit5.empty() || pages_.Edit9.empty()) {
        SelectPage(kMainPage);
        prompts_.Warn(kTitle, kNoWialonServer);
        return false;
    }
    const auto host = SlotText(pages_.Edit5, kWialonHostField);
    if (!host || !CheckPort(pages_.Edit9, kWialonPortField)) return false;
    const auto password = SlotText(pages_.Edit10, kWialonPasswordField);
    if (!password) return false;
    Store(8, "1");
    Store(9, *host);
    Store(10, pages_.Edit9);
    Store(11, *password);
    return true;
}

bool Transfer::StoreWakeupPage() {
    const bool* const wakeup[] = {&pages_.RadioButton3, &pages_.RadioButton4, &pages_.RadioButton5};
    const int wakeupIndex = CheckedIndex(wakeup);
    if (wakeupIndex < 0) return Refuse(kWakeupPage, Quoted("Не выбрано значение ", kWakeupField.name));
    StoreNumber(12, wakeupIndex + 1);

    Store(14, "1");

    if (!CheckIndex(pages_.ComboBox16, FixPeriodChoices(), kFixPeriodField)) return false;
    StoreNumber(13, pages_.ComboBox16);
    return true;
}

bool Transfer::StoreGuardPage() {
    const bool* const guard[] = {&pages_.RadioButton8, &pages_.RadioButton9, &pages_.RadioButton10,
                                 &pages_.RadioButton11};
    const int guardIndex = CheckedIndex(guard);
    if (guardIndex < 0) return Refuse(kGuardPage, Quoted("Не выбрано значение ", kGuardModeField.name));
    StoreNumber(15, guardIndex);

    const int intervals[] = {pages_.ComboBox4, pages_.ComboBox5, pages_.ComboBox6,  pages_.ComboBox7,
                             pages_.ComboBox8, pages_.ComboBox9, pages_.ComboBox10, pages_.ComboBox11};
    for (int i = 0; i < 8; ++i) {
        const ChoiceList list = i % 2 == 0 ? HourChoices() : MinuteChoices();
        if (!CheckIndex(intervals[i], list, i < 4 ? kInterval1Field : kInterval2Field)) return false;
    }
    Store(16, Printf("%02d%02d%02d%02d%02d%02d%02d%02d", intervals[0], intervals[1], intervals[2],
                     intervals[3], intervals[4], intervals[5], intervals[6], intervals[7]));
    return true;
}

bool Transfer::StoreSensorPage() {
    if (!CheckIndex(pages_.ComboBox13, SensorTimeoutChoices(), kSensorTimeoutField)) return false;
    StoreNumber(17, pages_.ComboBox13 + kSensorTimeoutOffset);

    StoreNumber(18, pages_.CheckBox2 ? 1 : 0);

    if (!CheckIndex(pages_.ComboBox14, AmplitudeChoices(), kAmplitudeField)) return false;
    StoreNumber(19, pages_.ComboBox14 + kAmplitudeOffset);

    if (!CheckIndex(pages_.ComboBox15, DurationChoices(), kDurationField)) return false;
    StoreNumber(20, pages_.ComboBox15);
    return true;
}

bool Transfer::StoreGeofence() {
    if (!CheckIndex(pages_.ComboBox18, GeofenceChoices(), kGeofenceField)) return false;
    if (pages_.Edit6.empty()) return Refuse(kGeofencePage, "Не задан диаметр зоны охраны");
    // Three digits is all the slot and the settings file keep.
    if (!AllDigits(pages_.Edit6) || !InRange(DecimalToInt(pages_.Edit6), kMinDiameter, kMaxDiameter)) {
        return Refuse(kGeofencePage, "Диаметр зоны охраны должен быть целым числом от 1 до 999 км");
    }
    Store(21, Printf("%d %03d", pages_.ComboBox18, static_cast<int>(DecimalToInt(pages_.Edit6))));
    return true;
}

bool Transfer::StoreBalanceThreshold() {
    if (pages_.Edit3.empty()) return Refuse(kBalancePage, "Не указан порог остатка средств на лицевом счете");
    if (!AllDigits(pages_.Edit3) || DecimalToInt(pages_.Edit3) > kMaxBalanceThreshold) {
        return Refuse(kBalancePage,
                      "Порог остатка средств на лицевом счете должен быть целым числом от 0 до 65535");
    }
    StoreNumber(22, DecimalToInt(pages_.Edit3));
    return true;
}

bool Transfer::StoreBalanceCode() {
    staged_.Slot(23).Clear();
    if (pages_.RadioButton6) {
        Store(23, kNotSetText);
        return true;
    }
    if (pages_.Edit4.empty()) {
        prompts_.Warn(kTitleLower, kNoBalanceCode);
        return false;
    }
    const auto code = SlotText(pages_.Edit4, kBalanceCodeField);
    if (!code) return false;
    Store(23, *code);
    return true;
}

bool Transfer::Run() {
    if (!StoreOwner() || !StorePin() || !StoreMainPage() || !StoreServer() || !StoreWialon() ||
        !StoreWakeupPage() || !StoreGuardPage() || !StoreSensorPage() || !StoreGeofence() ||
        !StoreBalanceThreshold() || !StoreBalanceCode()) {
        return false;
    }
    staged_.SetMarker28();
    return true;
}

}  // namespace

std::vector<int> ImageToControls(const SettingsImage& image, SettingsPages& pages) {
    std::vector<int> unshown;
    auto number = [&](int slot) { return image.Number(slot); };
    // Sets a list index when the list has that entry; otherwise reports the slot.
    auto select = [&](int& combo, std::int64_t index, ChoiceList list, int slot) {
        if (InRange(index, 0, static_cast<std::int64_t>(list.size()) - 1)) {
            combo = static_cast<int>(index);
        } else if (unshown.empty() || unshown.back() != slot) {
            unshown.push_back(slot);
        }
    };
    auto text = [&](int slot) { return image.Utf8Text(slot); };

    if (image.Text(0) != kNotSetText) pages.Edit1 = text(0);
    if (image.Text(1) != kNotSetText) pages.Edit2 = text(1);

    select(pages.ComboBox1, image.Number(2, true) + kTimeZoneOffset, TimeZoneChoices(), 2);

    const std::string contact = image.Text(3);
    select(pages.ComboBox2, TwoDigitField(contact, 0), HourChoices(), 3);
    select(pages.ComboBox3, TwoDigitField(contact, 1), MinuteChoices(), 3);

    bool* const format[] = {&pages.RadioButton1, &pages.RadioButton2, &pages.RadioButton12,
                            &pages.RadioButton13};
    if (InRange(number(4), 0, 3)) {
        CheckOnly(format, static_cast<std::size_t>(number(4)));
    } else {
        unshown.push_back(4);
    }

    select(pages.ComboBox19, number(5), DeliveryModeChoices(), 5);

    pages.Edit7 = text(6);
    pages.Edit8 = text(7);
    pages.CheckBox3 = image.Text(8) == "1";
    pages.Edit5 = text(9);
    pages.Edit9 = text(10);
    pages.Edit10 = text(11);

    bool* const wakeup[] = {&pages.RadioButton3, &pages.RadioButton4, &pages.RadioButton5};
    if (InRange(number(12), 1, 3)) {
        CheckOnly(wakeup, static_cast<std::size_t>(number(12) - 1));
    } else {
        unshown.push_back(12);
    }

    select(pages.ComboBox16, number(13), FixPeriodChoices(), 13);

    bool* const guard[] = {&pages.RadioButton8, &pages.RadioButton9, &pages.RadioButton10,
                           &pages.RadioButton11};
    if (InRange(number(15), 0, 3)) {
        CheckOnly(guard, static_cast<std::size_t>(number(15)));
    } else {
        unshown.push_back(15);
    }

    const std::string intervals = image.Text(16);
    int* const intervalBoxes[] = {&pages.ComboBox4, &pages.ComboBox5, &pages.ComboBox6,  &pages.ComboBox7,
                                  &pages.ComboBox8, &pages.ComboBox9, &pages.ComboBox10, &pages.ComboBox11};
    for (std::size_t i = 0; i < 8; ++i) {
        select(*intervalBoxes[i], TwoDigitField(intervals, i), i % 2 == 0 ? HourChoices() : MinuteChoices(),
               16);
    }

    select(pages.ComboBox13, number(17) - kSensorTimeoutOffset, SensorTimeoutChoices(), 17);
    pages.CheckBox2 = number(18) == 1;
    select(pages.ComboBox14, number(19) - kAmplitudeOffset, AmplitudeChoices(), 19);
    select(pages.ComboBox15, number(20), DurationChoices(), 20);

    const GeofenceValue geofence = ParseGeofence(image.Text(21));
    select(pages.ComboBox18, geofence.mode, GeofenceChoices(), 21);
    if (geofence.diameter) {
        pages.Edit6 = std::to_string(*geofence.diameter);
    } else if (unshown.empty() || unshown.back() != 21) {
        unshown.push_back(21);
    }

    pages.Edit3 = std::to_string(number(22));

    if (image.Text(23) == kNotSetText) {
        pages.RadioButton6 = true;
        pages.RadioButton7 = false;
        pages.Edit4.clear();
        pages.Edit4Enabled = false;
    } else {
        pages.RadioButton6 = false;
        pages.RadioButton7 = true;
        pages.Edit4 = text(23);
        pages.Edit4Enabled = true;
    }

    pages.Edit11 = text(24);
    pages.Label17 = text(25);
    pages.Label18 = text(26);
    pages.Edit12 = text(29);
    return unshown;
}

bool ControlsToImage(SettingsPages& pages, SettingsImage& image, SettingsPrompts& prompts) {
    Transfer transfer(pages, image, prompts);
    if (!transfer.Run()) return false;
    image = transfer.Staged();
    return true;
}

}  // namespace zort
