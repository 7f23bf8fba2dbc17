#pragma once
// What the progress displays say, from the workers' plain figures: kept free of widgets
// so that the wording and the arithmetic can be checked on their own.

#include <QString>
#include <cstdint>

namespace zort {

// A worker's caption as a window title: "Чтение настроек..." without its dots.
QString CaptionTitle(const QString& caption);

// The step of a settings read or write once item `position` (counted from 0) of
// `maximum` is done: "Чтение настроек: 17 из 30".
QString SettingsStepText(const QString& caption, int maximum, int position);

// The firmware bar's text: percent, bytes and, once the rate is known, the time left:
// "47 %, 1 536 из 3 000 байт, осталось 0:12".
QString FirmwareProgressText(int64_t done, int64_t total, int64_t elapsedMs);

}  // namespace zort
