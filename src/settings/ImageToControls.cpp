#include <string>

#include "settings/PageChoices.h"
#include "settings/SettingTable.h"
#include "settings/SettingsBinding.h"
#include "settings/SlotFormats.h"

namespace zort {
namespace {

bool InRange(std::int64_t v, std::int64_t lo, std::int64_t hi) {
    return v >= lo && v <= hi;
}

template <std::size_t N>
void CheckOnly(bool* const (&group)[N], std::size_t which) {
    for (std::size_t i = 0; i < N; ++i) *group[i] = (i == which);
}

// Shows the image in the pages, noting each slot whose value the pages cannot show.
class Display {
  public:
    Display(const SettingsImage& image, SettingsPages& pages) : image_(image), pages_(pages) {}

    std::vector<int> Run() {
        ShowOwnerPage();
        ShowMainPage();
        ShowWakeupAndGuardPages();
        ShowSensorAndGeofencePages();
        ShowBalanceAndDevicePages();
        return unshown_;
    }

  private:
    std::int64_t Number(int slot) const { return image_.Number(slot); }
    std::string Text(int slot) const { return image_.Utf8Text(slot); }

    void Unshown(int slot) {
        if (unshown_.empty() || unshown_.back() != slot) unshown_.push_back(slot);
    }
    // Sets a list index when the list has that entry.
    void Select(int& combo, std::int64_t index, ChoiceList list, int slot) {
        if (InRange(index, 0, static_cast<std::int64_t>(list.size()) - 1)) {
            combo = static_cast<int>(index);
        } else {
            Unshown(slot);
        }
    }
    // Checks button `value - first` of the group when there is one.
    template <std::size_t N>
    void Check(bool* const (&group)[N], int slot, std::int64_t first = 0) {
        const std::int64_t value = Number(slot);
        if (InRange(value, first, first + static_cast<std::int64_t>(N) - 1)) {
            CheckOnly(group, static_cast<std::size_t>(value - first));
        } else {
            Unshown(slot);
        }
    }

    void ShowOwnerPage() {
        if (image_.Text(slot::kOwnerPhone) != kNotSetText) pages_.Edit1 = Text(slot::kOwnerPhone);
        if (image_.Text(slot::kPin) != kNotSetText) pages_.Edit2 = Text(slot::kPin);
    }

    void ShowMainPage() {
        Select(pages_.ComboBox1, image_.Number(slot::kTimeZone, true) + kTimeZoneOffset, TimeZoneChoices(),
               slot::kTimeZone);
        const std::string contact = image_.Text(slot::kContactTime);
        Select(pages_.ComboBox2, TwoDigitField(contact, 0), HourChoices(), slot::kContactTime);
        Select(pages_.ComboBox3, TwoDigitField(contact, 1), MinuteChoices(), slot::kContactTime);

        bool* const format[] = {&pages_.RadioButton1, &pages_.RadioButton2, &pages_.RadioButton12,
                                &pages_.RadioButton13};
        Check(format, slot::kCoordFormat);
        Select(pages_.ComboBox19, Number(slot::kDeliveryMode), DeliveryModeChoices(), slot::kDeliveryMode);

        pages_.Edit7 = Text(slot::kServerHost);
        pages_.Edit8 = Text(slot::kServerPort);
        pages_.CheckBox3 = image_.Text(slot::kWialonEnabled) == "1";
        pages_.Edit5 = Text(slot::kWialonHost);
        pages_.Edit9 = Text(slot::kWialonPort);
        pages_.Edit10 = Text(slot::kWialonPassword);
    }

    void ShowWakeupAndGuardPages() {
        bool* const wakeup[] = {&pages_.RadioButton3, &pages_.RadioButton4, &pages_.RadioButton5};
        Check(wakeup, slot::kWakeupFrequency, 1);
        Select(pages_.ComboBox16, Number(slot::kFixPeriodDays), FixPeriodChoices(), slot::kFixPeriodDays);

        bool* const guard[] = {&pages_.RadioButton8, &pages_.RadioButton9, &pages_.RadioButton10,
                               &pages_.RadioButton11};
        Check(guard, slot::kGuardMode);
        const std::string intervals = image_.Text(slot::kGuardIntervals);
        int* const boxes[] = {&pages_.ComboBox4, &pages_.ComboBox5, &pages_.ComboBox6,  &pages_.ComboBox7,
                              &pages_.ComboBox8, &pages_.ComboBox9, &pages_.ComboBox10, &pages_.ComboBox11};
        for (std::size_t i = 0; i < 8; ++i) {
            Select(*boxes[i], TwoDigitField(intervals, i), i % 2 == 0 ? HourChoices() : MinuteChoices(),
                   slot::kGuardIntervals);
        }
    }

    void ShowSensorAndGeofencePages() {
        Select(pages_.ComboBox13, Number(slot::kSensorTimeout) - kSensorTimeoutOffset, SensorTimeoutChoices(),
               slot::kSensorTimeout);
        pages_.CheckBox2 = Number(slot::kFalseTriggerProtection) == 1;
        Select(pages_.ComboBox14, Number(slot::kAmplitudeThreshold) - kAmplitudeOffset, AmplitudeChoices(),
               slot::kAmplitudeThreshold);
        Select(pages_.ComboBox15, Number(slot::kDurationThreshold), DurationChoices(),
               slot::kDurationThreshold);

        const GeofenceValue geofence = ParseGeofence(image_.Text(slot::kGeofence));
        Select(pages_.ComboBox18, geofence.mode, GeofenceChoices(), slot::kGeofence);
        if (geofence.diameter) {
            pages_.Edit6 = std::to_string(*geofence.diameter);
        } else {
            Unshown(slot::kGeofence);
        }
    }

    void ShowBalanceAndDevicePages() {
        pages_.Edit3 = std::to_string(Number(slot::kBalanceThreshold));
        const bool automatic = image_.Text(slot::kBalanceCode) == kNotSetText;
        pages_.RadioButton6 = automatic;
        pages_.RadioButton7 = !automatic;
        pages_.Edit4 = automatic ? std::string() : Text(slot::kBalanceCode);
        pages_.Edit4Enabled = !automatic;

        pages_.Edit11 = Text(slot::kImei);
        pages_.Label17 = Text(slot::kSoftwareVersion);
        pages_.Label18 = Text(slot::kBootloaderVersion);
        pages_.Edit12 = Text(slot::kDeviceIdentity);
    }

    const SettingsImage& image_;
    SettingsPages& pages_;
    std::vector<int> unshown_;
};

}  // namespace

std::vector<int> ImageToControls(const SettingsImage& image, SettingsPages& pages) {
    return Display(image, pages).Run();
}

}  // namespace zort
