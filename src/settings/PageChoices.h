#pragma once
// The entries of every drop-down list on the settings pages (UTF-8). The GUI fills its
// combo boxes from here and the binding checks indexes against the same lists, so the
// two cannot drift apart. Each list's index is what the binding stores or reads back
// (with the offset noted).

#include <span>
#include <string>
#include <string_view>

namespace zort {

using ChoiceList = std::span<const std::string>;

ChoiceList TimeZoneChoices();       // ComboBox1: 27 entries, UTC-12 .. UTC+14; index - 12
ChoiceList HourChoices();           // ComboBox2, 4, 6, 8, 10: "00" .. "23"
ChoiceList MinuteChoices();         // ComboBox3, 5, 7, 9, 11: "00" .. "59"
ChoiceList DeliveryModeChoices();   // ComboBox19: four modes and an empty fifth entry
ChoiceList FixPeriodChoices();      // ComboBox16: "Каждый день", "1" .. "30"
ChoiceList SensorTimeoutChoices();  // ComboBox13: "5" .. "99"; index + 5
ChoiceList AmplitudeChoices();      // ComboBox14: "1 (...)", "2" .. "40"; index + 1
ChoiceList DurationChoices();       // ComboBox15: 0 .. 4 s in tenths; index
ChoiceList GeofenceChoices();       // ComboBox18: off, modes 1 .. 3

// Where a list's first entry starts counting: the value stored is index - offset for the
// time zone, index + offset for the others.
inline constexpr int kTimeZoneOffset = 12;
inline constexpr int kSensorTimeoutOffset = 5;
inline constexpr int kAmplitudeOffset = 1;

// The list of a settings combo box by its object name ("ComboBox1" ... "ComboBox19");
// empty for any other name.
ChoiceList ComboBoxChoices(std::string_view name);

}  // namespace zort
