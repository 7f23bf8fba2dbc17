#pragma once
// What a write would change on the tracker, setting by setting, under the pages' own
// names: "Порт сервера мониторинга: 23351 → 20332".

#include <string>
#include <vector>

#include "worker/SettingsImage.h"

namespace zort {

struct SettingChange {
    int slot = 0;
    std::string name;    // the pages' caption
    std::string before;  // UTF-8, as the tracker holds it
    std::string after;   // UTF-8, as it would be written
};

// The settings a write sends whose text differs, in the order they are written. The
// markers travel with them but are the tracker's own, not the user's: left out.
std::vector<SettingChange> ChangesBetween(const SettingsImage& before, const SettingsImage& after);

// "<name>: <before> → <after>", an empty text shown as "(пусто)".
std::string ChangeLine(const SettingChange& change);

}  // namespace zort
