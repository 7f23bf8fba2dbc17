#include "app/ProgressText.h"

#include <QLocale>

namespace zort {
namespace {

// Figures grouped as Russian readers write them: "11 892", with a plain blank whatever
// the locale data spells the group separator as.
QString Figure(int64_t value) {
    const QLocale russian(QLocale::Russian);
    return russian.toString(static_cast<qlonglong>(value))
        .replace(russian.groupSeparator(), QStringLiteral(" "));
}

}  // namespace

QString CaptionTitle(const QString& caption) {
    QString title = caption.trimmed();
    while (title.endsWith(QLatin1Char('.')) || title.endsWith(QChar(0x2026))) title.chop(1);
    return title;
}

QString SettingsStepText(const QString& caption, int maximum, int position) {
    const int done = position + 1 > maximum ? maximum : position + 1;
    return QStringLiteral("%1: %2 из %3").arg(CaptionTitle(caption)).arg(done).arg(maximum);
}

QString FirmwareProgressText(int64_t done, int64_t total, int64_t elapsedMs) {
    if (total <= 0) return {};
    if (done > total) done = total;
    const int64_t percent = done * 100 / total;
    QString text = QStringLiteral("%1 %, %2 из %3 байт").arg(percent).arg(Figure(done), Figure(total));
    // The first blocks give no rate yet; a guess from them would jump about.
    if (done <= 0 || done >= total || elapsedMs <= 0) return text;
    const int64_t leftMs = (total - done) * elapsedMs / done;
    const int64_t seconds = (leftMs + 999) / 1000;
    return text +
           QStringLiteral(", осталось %1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace zort
