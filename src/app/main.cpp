// zort-configurator: the desktop configurator of the ZORT trackers.

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>

#include "app/LookAndFeel.h"
#include "app/TForm1.h"
#include "app/TForm2.h"
#include "app/TForm3.h"
#include "app/TForm4.h"
#include "app/TForm5.h"
#include "app/TForm6.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zort-configurator"));
    QApplication::setApplicationDisplayName(QStringLiteral("Конфигуратор"));
    QApplication::setApplicationVersion(QStringLiteral("1.3"));
    zort::ApplyLookAndFeel(app);

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

    // The windows are created in this order; the main one first, since the others
    // centre on it and report into it.
    zort::TForm1 form1;
    zort::TForm2 form2;
    zort::TForm3 form3(&form1);
    // The engineering windows exist for the whole run, hidden until the password is given.
    zort::TForm4 form4(&form1);
    zort::TForm5 form5(form1);
    zort::TForm6 form6;
    form1.form2 = &form2;
    form1.form3 = &form3;
    form1.form4 = &form4;
    form1.form5 = &form5;
    form1.form6 = &form6;
    form4.form5 = &form5;

    QObject::connect(&form2, &zort::TForm2::SaveRequested, &form1, &zort::TForm1::SaveCommandFile);

    if (parser.isSet(demo) && !form1.StartDemo()) {
        QMessageBox::warning(nullptr, QStringLiteral("Конфигуратор"),
                             QStringLiteral("Не удалось запустить имитатор трекера."));
    }
    form1.SetExpertMode(parser.isSet(expert));
    if (parser.isSet(port)) form1.PreferPort(parser.value(port));

    form1.show();
    return QApplication::exec();
}
