// The engineering windows without a tracker: the password dialog, the service window's
// layout, its log, and what it keeps in "config.ini" across a restart.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QToolButton>
#include <fstream>
#include <memory>

#include "app/Application.h"
#include "app/LookAndFeel.h"
#include "app/ProgramSetup.h"
#include "app/TForm1.h"
#include "app/TForm4.h"
#include "app/TForm5.h"
#include "service/IniProfile.h"
#include "support/BoxAnswers.h"
#include "ui_TForm1.h"
#include "ui_TForm4.h"
#include "ui_TForm5.h"

using zort::TForm1;
using zort::TForm4;
using zort::TForm5;

namespace {

// QTest::keyClicks only knows Latin-1; this types any text, one key per character.
void Type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

void WriteFile(const QString& path, int size) {
    std::ofstream out(path.toStdString(), std::ios::binary);
    out << std::string(static_cast<size_t>(size), 'A');
}

// Every visible control inside its parent, captions not cut, groups apart.
void CheckLayout(QWidget* window, const QString& page) {
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->isWindow()) continue;
        const QString where = page + QStringLiteral(", ") + widget->objectName() + QStringLiteral(" (") +
                              QLatin1String(widget->metaObject()->className()) + QLatin1Char(')');
        QVERIFY2(widget->parentWidget()->rect().contains(widget->geometry()), qPrintable(where));
        auto* label = qobject_cast<QLabel*>(widget);
        if (label != nullptr && label->wordWrap()) {
            QVERIFY2(label->height() >= label->heightForWidth(label->width()), qPrintable(where));
        } else if (label != nullptr || qobject_cast<QAbstractButton*>(widget)) {
            QVERIFY2(widget->width() >= widget->sizeHint().width(), qPrintable(where));
            QVERIFY2(widget->height() >= widget->minimumSizeHint().height(), qPrintable(where));
        }
        if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            QVERIFY2(group->height() >= group->minimumSizeHint().height(), qPrintable(where));
            const QList<QGroupBox*> siblings =
                group->parentWidget()->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly);
            for (QGroupBox* other : siblings) {
                if (other != group && other->isVisible()) {
                    QVERIFY2(!other->geometry().intersects(group->geometry()),
                             qPrintable(where + QStringLiteral(" / ") + other->objectName()));
                }
            }
        }
    }
}

// A main window, the password dialog and a service window whose "config.ini" lives in a
// folder of the test's own.
struct Windows {
    Windows() { Restart(); }
    ~Windows() { app.reset(); }
    // The program closed and started again: new windows on the same "config.ini".
    void Restart() {
        app.reset();
        app = zort::StartApplication(Profile());
        form1 = app->form1.get();
        form4 = app->form4.get();
        form5 = app->form5.get();
        realWarning = form4->showWarning;
        form4->showWarning = [this](const QString& text) { warnings.push_back(text); };
        form5->askFolder = [this](const QString&, const QString&) { return nextFolder; };
        form5->askOpenFile = [this](const QString&, const QString&) { return nextFile; };
    }
    zort::IniProfile Profile() const { return zort::IniProfile(ConfigPath().toStdString()); }
    QString ConfigPath() const { return profileDir.filePath(QStringLiteral("config.ini")); }
    QString Saved(const char* key) const { return QString::fromStdString(Profile().Read("config", key)); }

    QTemporaryDir profileDir;
    std::unique_ptr<zort::Application> app;
    TForm1* form1 = nullptr;
    TForm4* form4 = nullptr;
    TForm5* form5 = nullptr;
    std::vector<QString> warnings;
    std::function<void(const QString&)> realWarning;  // the box over the dialog
    QString nextFolder;
    QString nextFile;
};

}  // namespace

class ServiceWindowTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void PasswordOpensTheServiceWindowOnlyWhenExact() {
        Windows w;
        w.form4->ui->MaskEdit1->setText(QStringLiteral("left over"));
        w.form1->SpeedButton8Click();
        QVERIFY(w.form4->isVisible());
        QVERIFY(w.form4->ui->MaskEdit1->text().isEmpty());
        QCOMPARE(w.form4->focusWidget(), w.form4->ui->MaskEdit1);

        // Wrong, also when it merely starts or ends like the right one.
        for (const QString& wrong : {QStringLiteral("12"), QStringLiteral("730"), QStringLiteral("7"),
                                     QStringLiteral(" 73"), QString()}) {
            QTest::keyClicks(w.form4->ui->MaskEdit1, wrong);
            QTest::keyClick(w.form4->ui->MaskEdit1, Qt::Key_Return);
            QCOMPARE(w.warnings.back(), QStringLiteral("Неправильный пароль"));
            QVERIFY(w.form4->ui->MaskEdit1->text().isEmpty());
            QVERIFY(w.form4->isVisible());
            QVERIFY(!w.form5->isVisible());
        }
        QCOMPARE(w.warnings.size(), size_t{5});

        // Only Enter submits; other keys leave the typed password where it is.
        QTest::keyClicks(w.form4->ui->MaskEdit1, QLatin1String(zort::kEngineeringPassword));
        for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_F1, Qt::Key_Up, Qt::Key_End, Qt::Key_Tab}) {
            QTest::keyClick(w.form4->ui->MaskEdit1, key);
            QVERIFY(w.form4->isVisible());
        }
        QCOMPARE(w.warnings.size(), size_t{5});
        QCOMPARE(w.form4->ui->MaskEdit1->text(), QLatin1String(zort::kEngineeringPassword));
        QTest::keyClick(w.form4->ui->MaskEdit1, Qt::Key_Enter);  // the keypad's
        QVERIFY(!w.form4->isVisible());
        QVERIFY(w.form5->isVisible());
        QCOMPARE(w.form5->ui->PageControl1->currentIndex(), 0);
        QCOMPARE(w.warnings.size(), size_t{5});

        // Through the button, and "Отмена".
        w.form5->hide();
        w.form1->SpeedButton8Click();
        QVERIFY2(w.form4->ui->MaskEdit1->text().isEmpty(), "the password does not wait in the field");
        QTest::keyClicks(w.form4->ui->MaskEdit1, QLatin1String(zort::kEngineeringPassword));
        QTest::mouseClick(w.form4->ui->Button1, Qt::LeftButton);
        QVERIFY(w.form5->isVisible() && !w.form4->isVisible());
        w.form5->hide();
        w.form1->SpeedButton8Click();
        QTest::mouseClick(w.form4->ui->Button2, Qt::LeftButton);
        QVERIFY(!w.form4->isVisible() && !w.form5->isVisible());
    }

    void AfterAWrongPasswordTheKeysStayInTheDialog() {
        Windows w;
        w.form4->showWarning = w.realWarning;
        w.form1->show();
        w.form1->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.form1));
        const QString port = w.form1->ui->ComboBox12->currentText();
        const int ports = w.form1->ui->ComboBox12->count();
        // Typed wherever the keyboard focus is, as the keyboard does.
        const auto typeHere = [](const QString& keys) {
            QTest::keyClicks(QApplication::focusWidget(), keys);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        };
        QTest::keyClick(w.form1, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
        // A tool window counts as active with its main window; the keys follow the window
        // the window system activated.
        QTRY_COMPARE(QApplication::activeWindow(), w.form4);
        {
            zort::test::BoxAnswers ok(QMessageBox::Ok);
            typeHere(QStringLiteral("12"));
            QCOMPARE(ok.texts, QStringList{"Неправильный пароль"});
        }
        QTRY_COMPARE(QApplication::activeWindow(), w.form4);
        QCOMPARE(QApplication::focusWidget(), w.form4->ui->MaskEdit1);
        typeHere(QStringLiteral("73"));
        QVERIFY(w.form5->isVisible());
        QCOMPARE(w.form1->ui->ComboBox12->currentText(), port);
        QCOMPARE(w.form1->ui->ComboBox12->count(), ports);

        // Typed into the port box itself, a name is used but never joins the list of ports.
        w.form5->hide();
        w.form1->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.form1));
        QLineEdit* typed = w.form1->ui->ComboBox12->lineEdit();
        typed->setFocus();
        typed->clear();
        QTest::keyClicks(typed, QStringLiteral("73"));
        QTest::keyClick(typed, Qt::Key_Return);
        QCOMPARE(w.form1->ui->ComboBox12->currentText(), QStringLiteral("73"));
        QCOMPARE(w.form1->ui->ComboBox12->count(), ports);
        QCOMPARE(w.form1->ui->ComboBox12->findText(QStringLiteral("73")), -1);
    }

    void HiddenButtonAndShortcutOpenTheDialog() {
        Windows w;
        QVERIFY(w.form1->ui->SpeedButton8->isHidden());
        w.form1->show();
        w.form1->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.form1));
        QTest::keyClick(w.form1, Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(w.form4->isVisible());
        // Centred on the main window.
        // Centred on the main window; the frame it gets once shown may shift it a little.
        QVERIFY((w.form4->frameGeometry().center() - w.form1->frameGeometry().center()).manhattanLength() <=
                8);
        w.form4->hide();
        w.form1->SetExpertMode(true);
        QTest::mouseClick(w.form1->ui->SpeedButton8, Qt::LeftButton);
        QVERIFY(w.form4->isVisible());
    }

    void DialogShowsAsterisksAndTabsFromTheButtons() {
        Windows w;
        w.form4->Open();
        QCOMPARE(w.form4->windowTitle(), QStringLiteral("Инженерное меню"));
        QCOMPARE(w.form4->ui->Label1->text(), QStringLiteral("Введите пароль"));
        QCOMPARE(w.form4->ui->Button1->text(), QStringLiteral("Вход"));
        QCOMPARE(w.form4->ui->Button2->text(), QStringLiteral("Отмена"));
        QCOMPARE(w.form4->size(), QSize(TForm4::kClientWidth, TForm4::kClientHeight));
        QVERIFY(w.form4->minimumSize() != w.form4->maximumSize());  // sizeable
        QCOMPARE(w.form4->ui->MaskEdit1->echoMode(), QLineEdit::Password);
        QCOMPARE(w.form4->ui->MaskEdit1->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, nullptr,
                                                            w.form4->ui->MaskEdit1),
                 int('*'));
        QCOMPARE(w.form4->ui->Button1->nextInFocusChain(), w.form4->ui->Button2);
        QCOMPARE(w.form4->ui->Button2->nextInFocusChain(), w.form4->ui->MaskEdit1);
        CheckLayout(w.form4, QStringLiteral("password"));
    }

    void ServiceWindowCarriesEveryControlUnclipped() {
        Windows w;
        w.form5->Open();
        QVERIFY(QTest::qWaitForWindowExposed(w.form5));
        QCOMPARE(w.form5->size(), QSize(TForm5::kClientWidth, TForm5::kClientHeight));
        QCOMPARE(w.form5->ui->PageControl1->count(), 3);
        const QStringList tabs = {QStringLiteral("GSM"), QStringLiteral("GPS"), QStringLiteral("SIM-карта")};
        for (int i = 0; i < 3; ++i) QCOMPARE(w.form5->ui->PageControl1->tabText(i), tabs[i]);
        const std::vector<std::pair<QAbstractButton*, const char*>> captions = {
            {w.form5->ui->Button1, "Запуск GSM модуля"},
            {w.form5->ui->Button2, "Остановка GSM модуля"},
            {w.form5->ui->Button3, "Запуск GPS модуля"},
            {w.form5->ui->Button4, "Остановка GPS модуля"},
            {w.form5->ui->Button5, "Выбрать папку с файлами"},
            {w.form5->ui->Button6, "Записать файлы"},
            {w.form5->ui->Button7, "Обновить прошивку"},
            {w.form5->ui->Button8, "..."},
            {w.form5->ui->Button9, "..."},
            {w.form5->ui->Button10, "Создать SIM-карту для тестирования"},
            {w.form5->ui->Button11, "Деактивировать SIM-карту для тестирования"},
            {w.form5->ui->Button12, "Отправить IMEI номер в SMS"},
            {w.form5->ui->Button13, "Совершить звонок"},
            {w.form5->ui->Button14, "Отменить звонок"},
            {w.form5->ui->Button15, "Очистить"},
            {w.form5->ui->CheckBox1, "Транслировать NMEA поток"},
        };
        for (const auto& [button, caption] : captions) QCOMPARE(button->text(), QString::fromUtf8(caption));
        QStringList groups;
        for (const QGroupBox* group : w.form5->findChildren<QGroupBox*>()) groups << group->title();
        groups.sort();
        QCOMPARE(groups, QStringList({QStringLiteral("GPS"), QStringLiteral("GSM"),
                                      QStringLiteral("Запись файлов в модем"), QStringLiteral("Лог"),
                                      QStringLiteral("Обновление прошивки"), QStringLiteral("Тест связи"),
                                      QStringLiteral("Тестовая SIM-карта")}));
        QVERIFY(w.form5->ui->Memo1->isReadOnly());
        QCOMPARE(w.form5->ui->Memo1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(!w.form5->ui->CheckBox1->isChecked());

        w.form5->ui->Edit1->setText(QStringLiteral("/home/tech/Трекеры/Звуки Z410"));
        w.form5->ui->Label5->setText(QStringLiteral("Найдено файлов *.AMR: 4 (18 432 байт)"));
        for (int page = 0; page < 3; ++page) {
            w.form5->ui->PageControl1->setCurrentIndex(page);
            QApplication::processEvents();
            CheckLayout(w.form5, tabs[page]);
        }
        // The check box sits below its group, inside the same page.
        QVERIFY(w.form5->ui->CheckBox1->geometry().top() >=
                w.form5->ui->Button3->parentWidget()->geometry().bottom());
    }

    void LogKeepsTheStreamExactAndLinesOnTheirOwn() {
        Windows w;
        w.form5->Open();
        w.form5->AppendLogLine(QStringLiteral("Модем запущен"));
        // A sentence and a CR LF pair both cut by polls.
        w.form5->AppendStream(QStringLiteral("$GPGGA,1*6B\r"));
        w.form5->AppendStream(QStringLiteral("\n$GPRMC,"));
        w.form5->AppendStream(QString());
        w.form5->AppendStream(QStringLiteral("2*61\r\n$GPG"));
        w.form5->AppendLogLine(QStringLiteral("SMS отправлено"));
        w.form5->AppendStream(QStringLiteral("SV,3*7A\r\n"));
        w.form5->AppendLogLine(QStringLiteral("Звонок..."));
        // The receiver stopped half-way through a sentence; the tracker's acknowledgement
        // of the stop came with the stream.
        w.form5->AppendStream(QStringLiteral("$GPGGA,1015"));
        w.form5->AppendLogLine(QStringLiteral("GPS/ГЛОНАСС модуль остановлен"));
        w.form5->AppendStream(QStringLiteral("\x01"));
        w.form5->AppendStream(QStringLiteral("$GPRMC,3*62\r\n"));
        QCOMPARE(
            w.form5->ui->Memo1->toPlainText(),
            QStringLiteral("Модем запущен\n$GPGGA,1*6B\n$GPRMC,2*61\nSMS отправлено\n$GPGSV,3*7A\nЗвонок...\n"
                           "GPS/ГЛОНАСС модуль остановлен\n$GPRMC,3*62\n"));

        // An empty piece still brings the caret to the end and the memo the focus.
        w.form5->ui->Edit4->setFocus();
        QTextCursor top = w.form5->ui->Memo1->textCursor();
        top.movePosition(QTextCursor::Start);
        w.form5->ui->Memo1->setTextCursor(top);
        w.form5->AppendStream(QString());
        QCOMPARE(w.form5->focusWidget(), w.form5->ui->Memo1);
        QCOMPARE(w.form5->ui->Memo1->textCursor().position(),
                 w.form5->ui->Memo1->document()->characterCount() - 1);
        QVERIFY(!w.form5->ui->Memo1->textCursor().hasSelection());

        QTest::mouseClick(w.form5->ui->Button15, Qt::LeftButton);
        QVERIFY(w.form5->ui->Memo1->toPlainText().isEmpty());

        // The longest sentence stays one line at the window's size.
        w.form5->AppendStream(
            QStringLiteral("$GPGSV,3,1,11,02,61,118,42,05,36,299,38,07,19,049,33,09,72,212,45*7A\r\n"));
        QApplication::processEvents();
        QCOMPARE(w.form5->ui->Memo1->document()->firstBlock().layout()->lineCount(), 1);
    }

    void StartsFromTheStoredFieldsWhateverTheKeysCase() {
        Windows w;
        QTemporaryDir sounds;
        WriteFile(sounds.filePath("a.AMR"), 100);
        WriteFile(sounds.filePath("b.amr"), 50);
        WriteFile(sounds.filePath("notes.txt"), 7);
        const QString loader = QStringLiteral("/opt/gnss/Загрузчик очень длинного имени.bin");
        {
            std::ofstream ini(w.ConfigPath().toStdString());
            ini << "[CONFIG]\ndirectory=" << sounds.path().toStdString()
                << "\nDAPATH=" << loader.toStdString()
                << "\nFirmwarePAth=/opt/gnss/fw.bin\nphone=+7 916 000\n";
        }
        w.Restart();
        QCOMPARE(w.form5->ui->Edit1->text(), sounds.path());
        QCOMPARE(w.form5->ui->Edit2->text(), loader);
        QCOMPARE(w.form5->ui->Edit3->text(), QStringLiteral("/opt/gnss/fw.bin"));
        QCOMPARE(w.form5->ui->Edit4->text(), QStringLiteral("+7 916 000"));
        for (QLineEdit* edit : {w.form5->ui->Edit1, w.form5->ui->Edit2, w.form5->ui->Edit3}) {
            QCOMPARE(edit->cursorPosition(), static_cast<int>(edit->text().size()));
            QVERIFY(!edit->hasSelectedText());
        }
        QCOMPARE(w.form5->SoundFiles().paths.size(), size_t{2});
        QCOMPARE(w.form5->SoundFiles().totalSize, int64_t{150});
    }

    void MissingConfigLeavesEverythingEmptyAndWritesNothing() {
        Windows w;
        for (QLineEdit* edit :
             {w.form5->ui->Edit1, w.form5->ui->Edit2, w.form5->ui->Edit3, w.form5->ui->Edit4})
            QVERIFY(edit->text().isEmpty());
        QVERIFY(w.form5->SoundFiles().paths.empty());
        QVERIFY(!QFile::exists(w.ConfigPath()));
        QVERIFY(w.form5->ui->Memo1->toPlainText().isEmpty());
    }

    void FolderChoiceCancelKeepsEverythingAndRepeatsGiveTheSameTotal() {
        Windows w;
        QTemporaryDir first, second;
        WriteFile(first.filePath("1.AMR"), 1000);
        WriteFile(first.filePath("2.Amr"), 24);
        WriteFile(second.filePath("x.amr"), 5);

        w.nextFolder = first.path();
        w.form5->Button5Click();
        QCOMPARE(w.form5->SoundFiles().totalSize, int64_t{1024});
        w.form5->Button5Click();
        QCOMPARE(w.form5->SoundFiles().totalSize, int64_t{1024});
        QCOMPARE(w.form5->SoundFiles().paths.size(), size_t{2});
        QCOMPARE(w.form5->ui->Edit1->text(), first.path());
        QCOMPARE(w.form5->ui->Edit1->cursorPosition(), static_cast<int>(first.path().size()));
        QCOMPARE(w.Saved("Directory"), first.path());

        w.nextFolder.clear();  // cancelled
        w.form5->Button5Click();
        QCOMPARE(w.form5->SoundFiles().totalSize, int64_t{1024});
        QCOMPARE(w.form5->SoundFiles().paths.size(), size_t{2});
        QCOMPARE(w.form5->ui->Edit1->text(), first.path());
        QCOMPARE(w.Saved("Directory"), first.path());

        w.nextFolder = second.path();
        w.form5->Button5Click();
        QCOMPARE(w.form5->SoundFiles().totalSize, int64_t{5});
        QCOMPARE(w.Saved("Directory"), second.path());
        // And the next start finds the same list.
        w.Restart();
        QCOMPARE(w.form5->SoundFiles().paths.size(), size_t{1});
        QCOMPARE(w.form5->ui->Edit1->text(), second.path());
    }

    void PhoneIsSavedWithEveryKeyAndComesBackWhole() {
        Windows w;
        w.form5->Open();
        w.form5->ui->Edit4->setFocus();
        const QString number = QStringLiteral("+7 (916) 123-45-67");
        for (qsizetype typed = 1; typed <= number.size(); ++typed) {
            Type(w.form5->ui->Edit4, number.mid(typed - 1, 1));
            QCOMPARE(w.Saved("Phone"), number.left(typed));
        }
        w.Restart();
        QCOMPARE(w.form5->ui->Edit4->text(), number);
        // Blanks at the ends are part of what was typed.
        w.form5->ui->Edit4->setText(QStringLiteral(" 8800 "));
        w.Restart();
        QCOMPARE(w.form5->ui->Edit4->text(), QStringLiteral(" 8800 "));
        w.form5->ui->Edit4->clear();
        w.Restart();
        QVERIFY(w.form5->ui->Edit4->text().isEmpty());
    }

    void UpdateFilesAreChosenFocusedAndSaved() {
        Windows w;
        w.form5->Open();
        w.nextFile = QStringLiteral("/srv/gnss/loader.bin");
        w.form5->Button8Click();
        QCOMPARE(w.form5->ui->Edit2->text(), w.nextFile);
        QCOMPARE(w.form5->focusWidget(), w.form5->ui->Edit2);
        QCOMPARE(w.Saved("DAPath"), w.nextFile);
        w.nextFile = QStringLiteral("/srv/gnss/firmware.bin");
        w.form5->Button9Click();
        QCOMPARE(w.form5->ui->Edit3->text(), w.nextFile);
        QCOMPARE(w.form5->focusWidget(), w.form5->ui->Edit3);
        QCOMPARE(w.Saved("FirmwarePath"), w.nextFile);

        w.nextFile.clear();  // cancelled
        w.form5->Button8Click();
        w.form5->Button9Click();
        QCOMPARE(w.form5->ui->Edit2->text(), QStringLiteral("/srv/gnss/loader.bin"));
        QCOMPARE(w.Saved("FirmwarePath"), QStringLiteral("/srv/gnss/firmware.bin"));
        w.Restart();
        QCOMPARE(w.form5->ui->Edit2->text(), QStringLiteral("/srv/gnss/loader.bin"));
        QCOMPARE(w.form5->ui->Edit3->text(), QStringLiteral("/srv/gnss/firmware.bin"));
    }

    void AnUnwritableConfigIsToldOnceInTheLog() {
        Windows w;
        // A folder where the file should be: it can be neither read nor replaced.
        QVERIFY(QDir().mkpath(w.ConfigPath()));
        Type(w.form5->ui->Edit4, QStringLiteral("12"));
        const QStringList lines =
            w.form5->ui->Memo1->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].startsWith(QStringLiteral("Настройка Phone не сохранена")), qPrintable(lines[0]));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    zort::PrepareApplication(app);
    ServiceWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ServiceWindowTest.moc"
