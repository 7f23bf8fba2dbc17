#include "app/ProgramSetup.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/LookAndFeel.h"
#include "zort/Version.h"

namespace zort {

void PrepareApplication(QApplication& app) {
    QApplication::setApplicationName(QStringLiteral("zort-configurator"));
    // The window system adds it to every title that does not end with it already.
    QApplication::setApplicationDisplayName(QString::fromUtf8(kProgramTitle));
    QApplication::setApplicationVersion(QString::fromUtf8(kProgramVersion));
    // Lets the desktop match the windows with the installed entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("ru.zort.Configurator"));
    ApplyLookAndFeel(app);
    LoadToolkitTranslations(app);
}

bool LoadToolkitTranslations(QCoreApplication& app) {
    // The program speaks Russian whatever the user's locale; the toolkit's buttons and
    // dialogs must not answer it in another language.
    auto* translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"),
                          QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

}  // namespace zort
