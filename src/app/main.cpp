// zort-configurator: the desktop configurator of the ZORT trackers.

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <cstring>
#include <memory>

#include "app/Application.h"
#include "app/ProgramSetup.h"
#include "app/TForm1.h"
#include "zort/Version.h"

namespace {

struct Options {
    QCommandLineOption expert{QStringLiteral("expert"),
                              QStringLiteral("Показать кнопки работы с файлами, команды WIALON и сервиса.")};
    QCommandLineOption port{QStringLiteral("port"), QStringLiteral("Порт устройства, например /dev/ttyACM0."),
                            QStringLiteral("PATH")};
    QCommandLineOption demo{QStringLiteral("demo"),
                            QStringLiteral("Работать со встроенным имитатором трекера вместо порта.")};
};

void Define(QCommandLineParser& parser, const Options& options) {
    parser.setApplicationDescription(QStringLiteral("Конфигуратор трекеров ЗОРТ Z100 / Z110 / Z410"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions({options.expert, options.port, options.demo});
    parser.addPositionalArgument(QStringLiteral("FILE.cfg"),
                                 QStringLiteral("Файл настроек, который открыть на страницах."),
                                 QStringLiteral("[FILE.cfg]"));
}

// --help and --version answer without a display: the window system is not touched for
// them, so they work over ssh, in a package's checks and in scripts.
bool AsksOnlyForText(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        for (const char* text : {"-h", "--help", "--help-all", "-v", "--version", "-?"}) {
            if (std::strcmp(argv[i], text) == 0) return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    Options options;
    if (AsksOnlyForText(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("zort-configurator"));
        QCoreApplication::setApplicationVersion(QString::fromUtf8(zort::kProgramVersion));
        zort::LoadToolkitTranslations(app);
        QCommandLineParser parser;
        Define(parser, options);
        parser.process(app);  // prints and exits
        return 0;
    }

    QApplication app(argc, argv);
    zort::PrepareApplication(app);
    QCommandLineParser parser;
    Define(parser, options);
    parser.process(app);

    const std::unique_ptr<zort::Application> windows = zort::StartApplication();
    zort::TForm1& form1 = *windows->form1;
    if (parser.isSet(options.demo) && !windows->StartDemo()) {
        QMessageBox::warning(nullptr, QStringLiteral("Конфигуратор"),
                             QStringLiteral("Не удалось запустить имитатор трекера."));
    }
    form1.SetExpertMode(parser.isSet(options.expert));
    if (parser.isSet(options.port)) form1.PreferPort(parser.value(options.port));
    windows->StartPortSearch(parser.value(options.port));

    form1.show();
    // A file given (a double click on it in the file manager) opens once the window is
    // up, so that a message about a file that cannot be used has the window behind it.
    if (!parser.positionalArguments().isEmpty())
        form1.LoadSettingsFile(parser.positionalArguments().constFirst());
    return QApplication::exec();
}
