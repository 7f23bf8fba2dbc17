#pragma once
// What every run of the windows sets up before the first window: the program's names,
// its look, and the toolkit's own texts (standard buttons, file dialogs) in Russian like
// the program's. The configurator, the screenshots and the window tests start this way.

class QApplication;
class QCoreApplication;

namespace zort {

// The name every window title ends with, once.
inline constexpr char kProgramTitle[] = "Конфигуратор";

void PrepareApplication(QApplication& app);

// Loads the toolkit's Russian translations; false when the system has none installed
// (the standard buttons then stay in English).
bool LoadToolkitTranslations(QCoreApplication& app);

}  // namespace zort
