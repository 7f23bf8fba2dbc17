// zort-configurator: the desktop configurator of the ZORT trackers.

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include "app/Application.h"
#include "app/ProgramSetup.h"
#include "app/TForm1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    zort::PrepareApplication(app);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Конфигуратор трекеров ЗОРТ Z100 / Z110 / Z410"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption expert(
        QStringLiteral("expert"),
        QStringLiteral("Показать кнопки работы с файлами, команды WIALON и сервиса."));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Порт устройства, например /dev/ttyACM0."),
                                  QStringLiteral("PATH"));
    const QCommandLineOption demo(QStringLiteral("demo"),
                                  QStringLiteral("Работать со встроенным имитатором трекера вместо порта."));
    parser.addOptions({expert, port, demo});
    parser.process(app);

    const std::unique_ptr<zort::Application> windows = zort::StartApplication();
    zort::TForm1& form1 = *windows->form1;
    if (parser.isSet(demo) && !windows->StartDemo()) {
        QMessageBox::warning(nullptr, QStringLiteral("Конфигуратор"),
                             QStringLiteral("Не удалось запустить имитатор трекера."));
    }
    form1.SetExpertMode(parser.isSet(expert));
    if (parser.isSet(port)) form1.PreferPort(parser.value(port));
    windows->StartPortSearch(parser.value(port));

    form1.show();
    return QApplication::exec();
}
