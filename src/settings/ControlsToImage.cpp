#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "link/Cp1251.h"
#include "settings/PageChoices.h"
#include "settings/SettingTable.h"
#include "settings/SettingsBinding.h"
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

constexpr int kMaxPort = 65535;
constexpr int kMaxBalanceThreshold = 65535;  // the settings file keeps it in 16 bits
constexpr int kMinDiameter = 1;
constexpr int kMaxDiameter = 999;      // three digits in the slot and in the file
constexpr int kDeliveryModeCount = 4;  // the fifth, empty entry selects no mode

struct Field {
    std::string_view name;  // the caption the user sees, for messages
    int page;
    std::string_view control;  // the control that gets the focus after a refusal
};

constexpr Field FieldOf(slot::Name slot, std::string_view control) {
    return {SettingOf(slot).name, SettingOf(slot).page, control};
}

constexpr Field kOwnerField = FieldOf(slot::kOwnerPhone, "Edit1");
constexpr Field kTimeZoneField = FieldOf(slot::kTimeZone, "ComboBox1");
constexpr Field kContactTimeField = FieldOf(slot::kContactTime, "ComboBox2");
constexpr Field kCoordFormatField = FieldOf(slot::kCoordFormat, "RadioButton1");
constexpr Field kDeliveryField = FieldOf(slot::kDeliveryMode, "ComboBox19");
constexpr Field kServerHostField = FieldOf(slot::kServerHost, "Edit7");
constexpr Field kServerPortField = FieldOf(slot::kServerPort, "Edit8");
constexpr Field kWialonHostField = FieldOf(slot::kWialonHost, "Edit5");
constexpr Field kWialonPortField = FieldOf(slot::kWialonPort, "Edit9");
constexpr Field kWialonPasswordField = FieldOf(slot::kWialonPassword, "Edit10");
constexpr Field kFixPeriodField = FieldOf(slot::kFixPeriodDays, "ComboBox16");
constexpr Field kWakeupField = FieldOf(slot::kWakeupFrequency, "RadioButton3");
constexpr Field kGuardModeField = FieldOf(slot::kGuardMode, "RadioButton8");
// The guard intervals are one setting shown as two fields.
constexpr Field kInterval1Field{"Интервал времени № 1", page::kGuard, "ComboBox4"};
constexpr Field kInterval2Field{"Интервал времени № 2", page::kGuard, "ComboBox8"};
constexpr Field kSensorTimeoutField = FieldOf(slot::kSensorTimeout, "ComboBox13");
constexpr Field kAmplitudeField = FieldOf(slot::kAmplitudeThreshold, "ComboBox14");
constexpr Field kDurationField = FieldOf(slot::kDurationThreshold, "ComboBox15");
constexpr Field kGeofenceField = FieldOf(slot::kGeofence, "ComboBox18");
constexpr Field kBalanceCodeField = FieldOf(slot::kBalanceCode, "Edit4");
// Fields whose refusals do not name them.
constexpr Field kPinField = FieldOf(slot::kPin, "Edit2");
constexpr Field kDiameterField{"", page::kGeofence, "Edit6"};
constexpr Field kBalanceThresholdField = FieldOf(slot::kBalanceThreshold, "Edit3");

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
    bool Refuse(Field field, std::string_view text) {
        SelectPage(field.page);
        prompts_.Warn(kTitle, text);
        return Stop(field);
    }
    // Ends the store after a refusal or a "No", with the keyboard at the field concerned.
    bool Stop(Field field) {
        prompts_.FocusControl(field.control);
        return false;
    }

    // The slot bytes of a typed text, or a refusal naming the field.
    std::optional<std::string> SlotText(const std::string& utf8, Field field) {
        bool lossless = false;
        std::string cp1251 = Utf8ToCp1251(utf8, &lossless);
        if (!lossless || utf8.find('\0') != std::string::npos) {
            Refuse(field,
                   Quoted("Поле ", field.name, " содержит символы, которые устройство не поддерживает"));
            return std::nullopt;
        }
        if (cp1251.size() > kSlotTextMax) {
            Refuse(field, Quoted("Текст в поле ", field.name, " длиннее 31 символа"));
            return std::nullopt;
        }
        return cp1251;
    }

    bool CheckPort(const std::string& text, Field field) {
        if (AllDigits(text) && InRange(DecimalToInt(text), 1, kMaxPort)) return true;
        return Refuse(field, Quoted("", field.name, " должен быть числом от 1 до 65535"));
    }

    bool CheckIndex(int index, ChoiceList list, Field field, std::string_view control = {}) {
        if (index >= 0 && static_cast<std::size_t>(index) < list.size()) return true;
        if (!control.empty()) field.control = control;
        return Refuse(field, Quoted("Не выбрано значение ", field.name));
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
    staged_.Slot(slot::kOwnerPhone).Clear();
    if (pages_.Edit1.empty()) {
        SelectPage(page::kOwner);
        if (!prompts_.AskYesNo(kTitleLower, kAskNoOwner)) return Stop(kOwnerField);
        Store(slot::kOwnerPhone, kNotSetText);
        return true;
    }
    const auto text = SlotText(pages_.Edit1, kOwnerField);
    if (!text) return false;
    // The owner's number is dialled and texted by the tracker: anything but digits and
    // a plus (pasted text, say) would silently break both.
    if (text->find_first_not_of("0123456789+") != std::string::npos) {
        return Refuse(kOwnerField, "Номер телефона владельца может содержать только цифры и знак «+»");
    }
    Store(slot::kOwnerPhone, *text);
    return true;
}

bool Transfer::StorePin() {
    if (pages_.Edit2.empty()) {
        ShowPage(page::kOwner);
        prompts_.Warn(kTitleLower, kNoPin);
        return Stop(kPinField);
    }
    // Too long or not digits is the same mistake as too short.
    if (Utf8Length(pages_.Edit2) != 4 || !AllDigits(pages_.Edit2)) {
        ShowPage(page::kOwner);
        prompts_.Warn(kTitleLower, kPinFourDigits);
        return Stop(kPinField);
    }
    Store(slot::kPin, pages_.Edit2);
    return true;
}

bool Transfer::StoreMainPage() {
    if (!CheckIndex(pages_.ComboBox1, TimeZoneChoices(), kTimeZoneField)) return false;
    StoreNumber(slot::kTimeZone, pages_.ComboBox1 - kTimeZoneOffset);

    if (!CheckIndex(pages_.ComboBox2, HourChoices(), kContactTimeField) ||
        !CheckIndex(pages_.ComboBox3, MinuteChoices(), kContactTimeField, "ComboBox3")) {
        return false;
    }
    Store(slot::kContactTime, Printf("%02d%02d", pages_.ComboBox2, pages_.ComboBox3));

    const bool* const format[] = {&pages_.RadioButton1, &pages_.RadioButton2, &pages_.RadioButton12,
                                  &pages_.RadioButton13};
    const int formatIndex = CheckedIndex(format);
    if (formatIndex < 0)
        return Refuse(kCoordFormatField, Quoted("Не выбрано значение ", kCoordFormatField.name));
    StoreNumber(slot::kCoordFormat, formatIndex);

    // Typed text (-1) and the empty fifth entry name no mode the tracker knows.
    if (!CheckIndex(pages_.ComboBox19, DeliveryModeChoices().first(kDeliveryModeCount), kDeliveryField)) {
        return false;
    }
    StoreNumber(slot::kDeliveryMode, pages_.ComboBox19);
    return true;
}

bool Transfer::StoreServer() {
    staged_.Slot(slot::kServerHost).Clear();
    staged_.Slot(slot::kServerPort).Clear();
    // Asked whatever the delivery mode: the address is kept in the tracker for later.
    if (pages_.Edit7.empty() || pages_.Edit8.empty()) {
        SelectPage(page::kMain);
        if (prompts_.AskYesNo(kTitleLower, kAskNoServer)) return true;
        return Stop(pages_.Edit7.empty() ? kServerHostField : kServerPortField);
    }
    const auto host = SlotText(pages_.Edit7, kServerHostField);
    if (!host || !CheckPort(pages_.Edit8, kServerPortField)) return false;
    Store(slot::kServerHost, *host);
    Store(slot::kServerPort, pages_.Edit8);
    return true;
}

bool Transfer::StoreWialon() {
    if (!pages_.CheckBox3) {
        // Leaving slot 8 as it was would keep a tracker that had the transfer on
        // sending to the extra server after the box was cleared. The address, port and
        // password stay for the next time the box is checked.
        Store(slot::kWialonEnabled, "0");
        return true;
    }
    if (pages_.Edit5.empty() || pages_.Edit9.empty()) {
        SelectPage(page::kMain);
        prompts_.Warn(kTitle, kNoWialonServer);
        return Stop(pages_.Edit5.empty() ? kWialonHostField : kWialonPortField);
    }
    const auto host = SlotText(pages_.Edit5, kWialonHostField);
    if (!host || !CheckPort(pages_.Edit9, kWialonPortField)) return false;
    const auto password = SlotText(pages_.Edit10, kWialonPasswordField);
    if (!password) return false;
    Store(slot::kWialonEnabled, "1");
    Store(slot::kWialonHost, *host);
    Store(slot::kWialonPort, pages_.Edit9);
    Store(slot::kWialonPassword, *password);
    return true;
}

bool Transfer::StoreWakeupPage() {
    const bool* const wakeup[] = {&pages_.RadioButton3, &pages_.RadioButton4, &pages_.RadioButton5};
    const int wakeupIndex = CheckedIndex(wakeup);
    if (wakeupIndex < 0) return Refuse(kWakeupField, Quoted("Не выбрано значение ", kWakeupField.name));
    StoreNumber(slot::kWakeupFrequency, wakeupIndex + 1);

    Store(slot::kMarker14, "1");

    if (!CheckIndex(pages_.ComboBox16, FixPeriodChoices(), kFixPeriodField)) return false;
    StoreNumber(slot::kFixPeriodDays, pages_.ComboBox16);
    return true;
}

constexpr std::string_view kIntervalBoxes[] = {"ComboBox4", "ComboBox5", "ComboBox6",  "ComboBox7",
                                               "ComboBox8", "ComboBox9", "ComboBox10", "ComboBox11"};

bool Transfer::StoreGuardPage() {
    const bool* const guard[] = {&pages_.RadioButton8, &pages_.RadioButton9, &pages_.RadioButton10,
                                 &pages_.RadioButton11};
    const int guardIndex = CheckedIndex(guard);
    if (guardIndex < 0) return Refuse(kGuardModeField, Quoted("Не выбрано значение ", kGuardModeField.name));
    StoreNumber(slot::kGuardMode, guardIndex);

    const int intervals[] = {pages_.ComboBox4, pages_.ComboBox5, pages_.ComboBox6,  pages_.ComboBox7,
                             pages_.ComboBox8, pages_.ComboBox9, pages_.ComboBox10, pages_.ComboBox11};
    for (int i = 0; i < 8; ++i) {
        const ChoiceList list = i % 2 == 0 ? HourChoices() : MinuteChoices();
        if (!CheckIndex(intervals[i], list, i < 4 ? kInterval1Field : kInterval2Field, kIntervalBoxes[i])) {
            return false;
        }
    }
    Store(slot::kGuardIntervals,
          Printf("%02d%02d%02d%02d%02d%02d%02d%02d", intervals[0], intervals[1], intervals[2], intervals[3],
                 intervals[4], intervals[5], intervals[6], intervals[7]));
    return true;
}

bool Transfer::StoreSensorPage() {
    if (!CheckIndex(pages_.ComboBox13, SensorTimeoutChoices(), kSensorTimeoutField)) return false;
    StoreNumber(slot::kSensorTimeout, pages_.ComboBox13 + kSensorTimeoutOffset);

    StoreNumber(slot::kFalseTriggerProtection, pages_.CheckBox2 ? 1 : 0);

    if (!CheckIndex(pages_.ComboBox14, AmplitudeChoices(), kAmplitudeField)) return false;
    StoreNumber(slot::kAmplitudeThreshold, pages_.ComboBox14 + kAmplitudeOffset);

    if (!CheckIndex(pages_.ComboBox15, DurationChoices(), kDurationField)) return false;
    StoreNumber(slot::kDurationThreshold, pages_.ComboBox15);
    return true;
}

bool Transfer::StoreGeofence() {
    if (!CheckIndex(pages_.ComboBox18, GeofenceChoices(), kGeofenceField)) return false;
    if (pages_.Edit6.empty()) return Refuse(kDiameterField, "Не задан диаметр зоны охраны");
    // Three digits is all the slot and the settings file keep.
    if (!AllDigits(pages_.Edit6) || !InRange(DecimalToInt(pages_.Edit6), kMinDiameter, kMaxDiameter)) {
        return Refuse(kDiameterField, "Диаметр зоны охраны должен быть целым числом от 1 до 999 км");
    }
    Store(slot::kGeofence,
          Printf("%d %03d", pages_.ComboBox18, static_cast<int>(DecimalToInt(pages_.Edit6))));
    return true;
}

bool Transfer::StoreBalanceThreshold() {
    if (pages_.Edit3.empty())
        return Refuse(kBalanceThresholdField, "Не указан порог остатка средств на лицевом счете");
    if (!AllDigits(pages_.Edit3) || DecimalToInt(pages_.Edit3) > kMaxBalanceThreshold) {
        return Refuse(kBalanceThresholdField,
                      "Порог остатка средств на лицевом счете должен быть целым числом от 0 до 65535");
    }
    StoreNumber(slot::kBalanceThreshold, DecimalToInt(pages_.Edit3));
    return true;
}

bool Transfer::StoreBalanceCode() {
    staged_.Slot(slot::kBalanceCode).Clear();
    if (pages_.RadioButton6) {
        Store(slot::kBalanceCode, kNotSetText);
        return true;
    }
    if (pages_.Edit4.empty()) {
        prompts_.Warn(kTitleLower, kNoBalanceCode);
        return Stop(kBalanceCodeField);
    }
    const auto code = SlotText(pages_.Edit4, kBalanceCodeField);
    if (!code) return false;
    Store(slot::kBalanceCode, *code);
    return true;
}

bool Transfer::Run() {
    if (!StoreOwner() || !StorePin() || !StoreMainPage() || !StoreServer() || !StoreWialon() ||
        !StoreWakeupPage() || !StoreGuardPage() || !StoreSensorPage() || !StoreGeofence() ||
        !StoreBalanceThreshold() || !StoreBalanceCode()) {
        return false;
    }
    staged_.Slot(slot::kMarker28).SetMarker();
    return true;
}

}  // namespace

bool ControlsToImage(SettingsPages& pages, SettingsImage& image, SettingsPrompts& prompts) {
    Transfer transfer(pages, image, prompts);
    if (!transfer.Run()) return false;
    image = transfer.Staged();
    return true;
}

}  // namespace zort
