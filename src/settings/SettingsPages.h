#pragma once
// The settings pages of the main window as plain values, one member per control and
// named after it, so the binding and its validation run without a toolkit. The GUI
// copies its widgets into this model and back; the CLI fills it from the image.
//
// Texts are UTF-8, indexes are list positions (-1 = nothing selected), checks are
// bools. Radio buttons of one group are meant to be exclusive; the binding keeps them
// so when it checks one.

#include <string>

namespace zort {

struct SettingsPages {
    // Page 0, entry 1: owner's phone number and PIN.
    std::string Edit1;
    std::string Edit2;

    // Page 1, entry 2: time zone, daily contact time, coordinate format, delivery.
    int ComboBox1 = -1;  // time zone, index = hours + 12
    int ComboBox2 = -1;  // contact hour
    int ComboBox3 = -1;  // contact minute
    bool RadioButton1 = false;
    bool RadioButton2 = false;
    bool RadioButton12 = false;
    bool RadioButton13 = false;
    // Delivery mode. The box also takes typing; typed text that matches no entry is -1.
    int ComboBox19 = -1;
    std::string Edit7;       // monitoring server address
    std::string Edit8;       // monitoring server port
    bool CheckBox3 = false;  // Wialon IPS 2.0 transfer
    std::string Edit5;       // Wialon server address
    std::string Edit9;       // Wialon server port
    std::string Edit10;      // Wialon server password

    // Page 2, entry 3: fix period and wake-up frequency.
    int ComboBox16 = -1;
    bool RadioButton3 = false;
    bool RadioButton4 = false;
    bool RadioButton5 = false;

    // Page 3, entry 4: motion-sensor guard mode and its two intervals.
    bool RadioButton8 = false;
    bool RadioButton9 = false;
    bool RadioButton10 = false;
    bool RadioButton11 = false;
    int ComboBox4 = -1;  // interval 1: start hour, start minute, end hour, end minute
    int ComboBox5 = -1;
    int ComboBox6 = -1;
    int ComboBox7 = -1;
    int ComboBox8 = -1;  // interval 2 in the same roles
    int ComboBox9 = -1;
    int ComboBox10 = -1;
    int ComboBox11 = -1;

    // Page 4, entry 5: motion-sensor time-out, false-trigger protection, thresholds.
    int ComboBox13 = -1;
    bool CheckBox2 = false;
    int ComboBox14 = -1;
    int ComboBox15 = -1;

    // Page 5, entry 6: geofence mode and diameter in km.
    int ComboBox18 = -1;
    std::string Edit6;

    // Page 6, entry 7: balance threshold and balance request code.
    std::string Edit3;
    bool RadioButton6 = false;  // determine the code automatically
    bool RadioButton7 = false;  // use the code in Edit4
    std::string Edit4;
    bool Edit4Enabled = true;

    // Page 7, entry 8: device information (shown, never written).
    std::string Label17;  // software version
    std::string Label18;  // boot loader version
    std::string Edit11;   // IMEI
    std::string Edit12;   // further identity text

    // Navigation: the highlighted entry (1..9) and the page shown (0..8). Validation
    // moves them to the page of the field it complains about.
    int selectedEntry = 1;
    int shownPage = 0;

    bool operator==(const SettingsPages&) const = default;
};

}  // namespace zort
