// The windows on the offscreen platform: what the binding relies on (names, lists, key
// filters, navigation) and what the user would see go wrong (clipped or overlapping
// controls, memos that do not fit).

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEnterEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <memory>

#include "app/Application.h"
#include "app/LookAndFeel.h"
#include "app/ProgramSetup.h"
#include "app/TForm1.h"
#include "app/TForm2.h"
#include "app/TForm3.h"
#include "app/TForm4.h"
#include "app/TForm5.h"
#include "app/TForm6.h"
#include "support/BoxAnswers.h"
#include "ui_TForm1.h"
#include "ui_TForm2.h"
#include "ui_TForm3.h"
#include "ui_TForm6.h"

using zort::TForm1;

namespace {

const QColor kSelectedText(0xF5, 0xF2, 0xF0);
const QColor kSelectedGround(0x40, 0x7D, 0xA1);

bool IsSelected(const QLabel* label) {
    return label->palette().color(QPalette::WindowText) == kSelectedText &&
           label->palette().color(QPalette::Window) == kSelectedGround && label->autoFillBackground();
}

bool IsUnselected(const QLabel* label) {
    return label->palette().color(QPalette::WindowText) == kSelectedGround &&
           label->palette().color(QPalette::Window) == kSelectedText;
}

void Hover(QWidget* widget, bool inside) {
    if (inside) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(widget, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(widget, &leave);
    }
}

// QTest::keyClicks only knows Latin-1; this types any text, one key per character.
void Type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint local, Qt::MouseButtons buttons) {
    const QPointF global = widget->mapToGlobal(QPointF(local));
    QMouseEvent event(type, QPointF(local), global, Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

}  // namespace

class WindowsTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void init() {
        app = zort::StartApplication(
            zort::IniProfile(profileDir.filePath(QStringLiteral("config.ini")).toStdString()));
        form = app->form1.get();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form));
    }
    void cleanup() { app.reset(); }

    void StartsOnTheFirstPageWithItsEntryMarked();
    void EveryControlCarriesItsName();
    void ChoiceListsComeFromTheSettingsModel();
    void ClickingAnEntryShowsItsPage();
    void HoverUnderlinesTheEntry();
    void ExitLabelTurnsRedUnderTheMouse();
    void KeyFiltersDropForeignCharacters();
    void PasteIsFilteredLikeTyping();
    void ExpertModeAndPortOption();
    void HeaderDragsTheWindow();
    void ShortcutOpensTheCommandWindow();
    void KeysWalkTheMenuAndLeaveThePortAlone();
    void ToolkitTextsAreRussianAndTitlesNameTheProgramOnce();
    void NothingIsClippedOrOverlapping();
    void MemosFitAndTheNineAreJustified();
    void TabOrderRunsTopToBottom();
    void ProgressWindowCentresOnTheMainWindow();
    void ReplyLogAppendsDumpAndSeparator();
    void CommandWindowOffersTheThreeModes();

  private:
    QTemporaryDir profileDir;
    std::unique_ptr<zort::Application> app;
    TForm1* form = nullptr;
};

void WindowsTest::StartsOnTheFirstPageWithItsEntryMarked() {
    QCOMPARE(form->size(), QSize(748, 576));
    QCOMPARE(form->minimumSize(), form->maximumSize());
    QVERIFY(!(form->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(form->windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(form->windowFlags() & Qt::WindowCloseButtonHint);

    QCOMPARE(form->ui->PageControl1->count(), 9);
    QCOMPARE(form->ui->PageControl1->currentIndex(), 0);
    QCOMPARE(form->SelectedEntry(), 1);
    QVERIFY(IsSelected(form->ui->Label1));
    for (QLabel* other : {form->ui->Label2, form->ui->Label5, form->ui->Label8, form->ui->Label9})
        QVERIFY(IsUnselected(other));

    QCOMPARE(form->ui->Label5->text(), QStringLiteral("ДОПОЛНИТЕЛЬНЫЕ НАСТРОЙКИ\nДАТЧИКА ДВИЖЕНИЯ"));
    QCOMPARE(form->ui->Label6->text(), QStringLiteral("КОНТРОЛЬ ВЫХОДА\n ИЗ ЗОНЫ ОХРАНЫ"));
    // The summary's entry waits for a read or a file to fill it.
    QCOMPARE(form->ui->Label9->text(), QStringLiteral("ТЕКУЩИЕ НАСТРОЙКИ"));
    QVERIFY(!form->ui->Label9->isEnabled());
    QCOMPARE(form->ui->Label34->text(), QStringLiteral("Конфигуратор ЗОРТ Z100 / Z110 / Z410"));
    QCOMPARE(form->ui->Label35->text(), QStringLiteral("Версия 1.3"));

    // Shipped hidden; the automatic port choice is shown and on.
    for (QWidget* hidden : std::initializer_list<QWidget*>{
             form->ui->Label21, form->ui->SpeedButton1, form->ui->SpeedButton2, form->ui->SpeedButton7,
             form->ui->SpeedButton8, form->ui->ProgressBar1, form->ui->GroupBox16}) {
        QVERIFY2(hidden->isHidden(), qPrintable(hidden->objectName()));
    }
    QVERIFY(form->ui->CheckBox1->isVisible());
    QVERIFY(form->ui->CheckBox1->isChecked());
    QCOMPARE(form->ui->ProgressBar1->minimum(), 0);
    QCOMPARE(form->ui->ProgressBar1->maximum(), 10000);
    QCOMPARE(form->ui->SpeedButton4->toolTip(), QStringLiteral("Прочитать настройки из устройства (F5)"));
    QCOMPARE(form->ui->SpeedButton3->toolTip(), QStringLiteral("Записать настройки в устройство (F6)"));

    QCOMPARE(form->ui->StringGrid1->rowCount(), 20);
    QCOMPARE(form->ui->StringGrid1->columnCount(), 2);
    QCOMPARE(form->ui->StringGrid1->columnWidth(0), 275);
    QVERIFY(form->ui->StringGrid1->columnWidth(1) >= 165);
    QVERIFY(form->ui->StringGrid1->horizontalHeader()->isHidden());
    QVERIFY(form->ui->StringGrid1->verticalHeader()->isHidden());
    QCOMPARE(form->ui->StringGrid1->editTriggers(), QAbstractItemView::NoEditTriggers);
    QVERIFY(form->ui->Edit11->isReadOnly());
}

void WindowsTest::EveryControlCarriesItsName() {
    // The binding finds controls by these names; a typo in a member's object name
    // would only show as a setting that never arrives.
    const auto expect = [this](const char* prefix, std::initializer_list<int> numbers, const char* type) {
        for (const int n : numbers) {
            const QString name = QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(n);
            QObject* found = form->findChild<QObject*>(name);
            QVERIFY2(found != nullptr, qPrintable(name));
            QVERIFY2(found->inherits(type), qPrintable(name));
        }
    };
    expect("Edit", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, "QLineEdit");
    expect("ComboBox", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 18, 19}, "QComboBox");
    expect("RadioButton", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}, "QRadioButton");
    expect("CheckBox", {1, 2, 3}, "QCheckBox");
    expect("SpeedButton", {1, 2, 3, 4, 5, 6, 7, 8}, "QToolButton");
    expect("Memo", {1, 2, 6, 7, 14, 17, 20, 22, 24}, "QPlainTextEdit");
    expect("Label", {1, 2, 3, 4, 5, 6, 7, 8, 9, 17, 18, 21, 34, 35}, "QLabel");
    expect("Panel", {4, 5, 17}, "QFrame");
    expect("StringGrid", {1}, "QTableWidget");
    expect("ProgressBar", {1}, "QProgressBar");
    expect("PageControl", {1}, "QStackedWidget");
    QCOMPARE(form->ui->Button8->text(), QStringLiteral("Перечислить COM - порты"));
    QCOMPARE(form->ui->RadioButton12->text(), QStringLiteral("DD° MM' SS,SS''"));
    QCOMPARE(form->ui->CheckBox3->text(), QStringLiteral("Включить передачу по протоколу Wialon IPS 2.0 "));
}

void WindowsTest::ChoiceListsComeFromTheSettingsModel() {
    QCOMPARE(form->ui->ComboBox1->count(), 27);
    QCOMPARE(form->ui->ComboBox1->itemText(0), QStringLiteral("UTC (-12:00)"));
    QCOMPARE(form->ui->ComboBox1->itemText(15), QStringLiteral("UTC (+03:00) (Москва  )"));
    QCOMPARE(form->ui->ComboBox11->count(), 60);
    QCOMPARE(form->ui->ComboBox10->itemText(23), QStringLiteral("23"));
    QCOMPARE(form->ui->ComboBox13->count(), 95);
    QCOMPARE(form->ui->ComboBox15->count(), 41);
    QCOMPARE(form->ui->ComboBox16->itemText(0), QStringLiteral("Каждый день"));
    QCOMPARE(form->ui->ComboBox18->itemText(2), QStringLiteral("Режим 2"));
    QCOMPARE(form->ui->ComboBox19->count(), 5);
    QVERIFY(form->ui->ComboBox19->itemText(4).isEmpty());
    // Only the delivery mode takes typing among the settings lists.
    for (QComboBox* box : form->ui->PageControl1->findChildren<QComboBox*>()) {
        QCOMPARE(box->isEditable(), box == form->ui->ComboBox19);
        QVERIFY2(box->count() > 0, qPrintable(box->objectName()));
    }
}

void WindowsTest::ClickingAnEntryShowsItsPage() {
    QLabel* labels[] = {form->ui->Label1, form->ui->Label2, form->ui->Label3, form->ui->Label4,
                        form->ui->Label5, form->ui->Label6, form->ui->Label7, form->ui->Label8};
    for (int entry = 8; entry >= 1; --entry) {
        QTest::mouseClick(labels[entry - 1], Qt::LeftButton);
        QCOMPARE(form->ui->PageControl1->currentIndex(), entry - 1);
        QCOMPARE(form->SelectedEntry(), entry);
        for (int other = 1; other <= 8; ++other) {
            QVERIFY(other == entry ? IsSelected(labels[other - 1]) : IsUnselected(labels[other - 1]));
        }
    }
    // Again on the marked entry: nothing moves.
    QTest::mouseClick(form->ui->Label1, Qt::LeftButton);
    QCOMPARE(form->ui->PageControl1->currentIndex(), 0);
    QVERIFY(IsSelected(form->ui->Label1));
    // A right click and the last entry, while there is no summary, do nothing.
    QTest::mouseClick(form->ui->Label4, Qt::RightButton);
    QTest::mouseClick(form->ui->Label9, Qt::LeftButton);
    QCOMPARE(form->ui->PageControl1->currentIndex(), 0);
    QCOMPARE(form->SelectedEntry(), 1);

    // Validation moves the marker without touching the page, or both.
    form->HighlightNavigation(2);
    QCOMPARE(form->ui->PageControl1->currentIndex(), 0);
    QVERIFY(IsSelected(form->ui->Label2) && IsUnselected(form->ui->Label1));
    form->SelectNavigation(9);
    QCOMPARE(form->ui->PageControl1->currentIndex(), 8);
}

void WindowsTest::HoverUnderlinesTheEntry() {
    QVERIFY(form->ui->Label3->font().bold());
    QVERIFY(!form->ui->Label3->font().underline());
    Hover(form->ui->Label3, true);
    QVERIFY(form->ui->Label3->font().bold() && form->ui->Label3->font().underline());
    Hover(form->ui->Label3, false);
    QVERIFY(form->ui->Label3->font().bold() && !form->ui->Label3->font().underline());
}

void WindowsTest::ExitLabelTurnsRedUnderTheMouse() {
    form->ui->Label21->show();
    Hover(form->ui->Label21, true);
    QCOMPARE(form->ui->Label21->palette().color(QPalette::WindowText), QColor(0xFF, 0x00, 0x00));
    Hover(form->ui->Label21, false);
    QCOMPARE(form->ui->Label21->palette().color(QPalette::WindowText), QColor(0x40, 0x40, 0x42));
}

void WindowsTest::KeyFiltersDropForeignCharacters() {
    form->SelectNavigation(1);
    Type(form->ui->Edit1, QStringLiteral("+7 (916) абв abc-12"));
    QCOMPARE(form->ui->Edit1->text(), QStringLiteral("+791612"));
    QTest::keyClick(form->ui->Edit1, Qt::Key_Backspace);
    QTest::keyClick(form->ui->Edit1, Qt::Key_Left);
    QTest::keyClick(form->ui->Edit1, Qt::Key_Delete);
    QCOMPARE(form->ui->Edit1->text(), QStringLiteral("+7916"));

    form->ui->Edit2->clear();  // start-up put the factory PIN there
    QTest::keyClicks(form->ui->Edit2, QStringLiteral("1+2a3456"));
    QCOMPARE(form->ui->Edit2->text(), QStringLiteral("1234"));

    form->SelectNavigation(6);
    form->ui->Edit6->clear();
    QTest::keyClicks(form->ui->Edit6, QStringLiteral("1 2.3 4"));
    QCOMPARE(form->ui->Edit6->text(), QStringLiteral("123"));

    form->SelectNavigation(2);
    form->ui->Edit8->clear();
    Type(form->ui->Edit8, QStringLiteral("+23ж351"));
    QCOMPARE(form->ui->Edit8->text(), QStringLiteral("23351"));
    // The other edits take anything.
    form->ui->Edit7->clear();
    Type(form->ui->Edit7, QStringLiteral("Трекер.рф:80"));
    QCOMPARE(form->ui->Edit7->text(), QStringLiteral("Трекер.рф:80"));
}

void WindowsTest::PasteIsFilteredLikeTyping() {
    form->SelectNavigation(2);
    form->ui->Edit8->clear();
    QApplication::clipboard()->setText(QStringLiteral("80a"));
    QTest::keyClick(form->ui->Edit8, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(form->ui->Edit8->text(), QString());
    QApplication::clipboard()->setText(QStringLiteral("8080"));
    QTest::keyClick(form->ui->Edit8, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(form->ui->Edit8->text(), QStringLiteral("8080"));
}

void WindowsTest::ExpertModeAndPortOption() {
    form->SetExpertMode(true);
    for (QToolButton* button :
         {form->ui->SpeedButton1, form->ui->SpeedButton2, form->ui->SpeedButton7, form->ui->SpeedButton8}) {
        QVERIFY(button->isVisible());
    }
    form->SetExpertMode(false);
    QVERIFY(form->ui->SpeedButton7->isHidden());

    form->ui->ComboBox12->clear();  // whatever ports this machine has
    form->ui->ComboBox12->addItems(
        {QStringLiteral("COM3"), QStringLiteral("/dev/ttyACM1"), QStringLiteral("COM7")});
    form->PreferPort(QStringLiteral("/dev/ttyACM1"));
    QCOMPARE(form->ui->ComboBox12->count(), 3);
    QCOMPARE(form->ui->ComboBox12->itemText(0), QStringLiteral("/dev/ttyACM1"));
    QCOMPARE(form->ui->ComboBox12->itemText(1), QStringLiteral("COM3"));
    QCOMPARE(form->ui->ComboBox12->currentText(), QStringLiteral("/dev/ttyACM1"));
    form->PreferPort(QStringLiteral("/dev/pts/4"));
    QCOMPARE(form->ui->ComboBox12->count(), 4);
    QCOMPARE(form->ui->ComboBox12->currentIndex(), 0);
}

void WindowsTest::HeaderDragsTheWindow() {
    // The offscreen platform cannot move windows itself, so this is the manual path.
    const QPoint start = form->pos();
    SendMouse(form->ui->Label34, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    SendMouse(form->ui->Label34, QEvent::MouseMove, QPoint(45, 25), Qt::LeftButton);
    SendMouse(form->ui->Label34, QEvent::MouseButtonRelease, QPoint(45, 25), Qt::NoButton);
    QCOMPARE(form->pos(), start + QPoint(40, 20));
    // After the release the mouse no longer carries the window.
    SendMouse(form->ui->Panel5, QEvent::MouseMove, QPoint(200, 30), Qt::NoButton);
    QCOMPARE(form->pos(), start + QPoint(40, 20));
}

void WindowsTest::ShortcutOpensTheCommandWindow() {
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
    QTest::keyClick(form, Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
    QVERIFY(app->form2->isVisible());
    // Over the main window, not wherever a new window lands.
    QVERIFY((app->form2->frameGeometry().center() - form->frameGeometry().center()).manhattanLength() <= 8);
}

void WindowsTest::KeysWalkTheMenuAndLeaveThePortAlone() {
    form->ui->ComboBox12->clear();
    form->ui->ComboBox12->addItems({QStringLiteral("/dev/ttyACM0"), QStringLiteral("/dev/ttyACM1")});
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form));
    // Tab reaches the column; the arrows walk it and open each page.
    form->ui->Label1->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), form->ui->Label1);
    for (int entry = 2; entry <= 8; ++entry) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QCOMPARE(form->SelectedEntry(), entry);
        QCOMPARE(form->ui->PageControl1->currentIndex(), entry - 1);
    }
    // The summary's entry is skipped while it has nothing to show.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(form->SelectedEntry(), 8);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    QCOMPARE(form->SelectedEntry(), 7);
    QCOMPARE(QApplication::focusWidget(), form->ui->Label7);
    QCOMPARE(form->ui->ComboBox12->currentIndex(), 0);

    // The wheel passing over the port box does not pick another port; with the focus it does.
    QWheelEvent wheel(QPointF(5, 5), form->ui->ComboBox12->mapToGlobal(QPointF(5, 5)), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(form->ui->ComboBox12, &wheel);
    QCOMPARE(form->ui->ComboBox12->currentIndex(), 0);
    form->ui->ComboBox12->setFocus();
    QTest::keyClick(form->ui->ComboBox12, Qt::Key_Down);
    QCOMPARE(form->ui->ComboBox12->currentIndex(), 1);
}

void WindowsTest::ToolkitTextsAreRussianAndTitlesNameTheProgramOnce() {
    // The toolkit's own buttons and dialogs, as the program shows them.
    QMessageBox question(QMessageBox::Question, QString(), QString(), QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(question.button(QMessageBox::Yes)->text().remove(QLatin1Char('&')), QStringLiteral("Да"));
    QCOMPARE(question.button(QMessageBox::No)->text().remove(QLatin1Char('&')), QStringLiteral("Нет"));
    QFileDialog files(form);
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setAcceptMode(QFileDialog::AcceptSave);
    for (const char* name : {"lookInLabel", "fileNameLabel", "fileTypeLabel"}) {
        const auto* label = files.findChild<QLabel*>(QLatin1String(name));
        QVERIFY2(label != nullptr, name);
        QVERIFY2(!label->text().contains(QRegularExpression(QStringLiteral("[A-Za-z]"))),
                 qPrintable(label->text()));
    }
    for (QAbstractButton* button : files.findChildren<QDialogButtonBox*>().value(0)->buttons()) {
        QVERIFY2(!button->text().contains(QRegularExpression(QStringLiteral("[A-Za-z]"))),
                 qPrintable(button->text()));
    }

    // Each window's title as the window system shows it: the program's name is added to
    // a title that does not end with it, and the whole must fit the window.
    zort::TForm3& form3 = *app->form3;
    form3.ShowProgress(QStringLiteral("Запись настроек..."));
    zort::test::BoxAnswers answers(QMessageBox::Ok);
    form->prompts->Warn("конфигуратор", "Вы не задали PIN-код устройства");
    const QString program = QApplication::applicationDisplayName();
    QCOMPARE(program, QStringLiteral("Конфигуратор"));
    QCOMPARE(answers.titles, QStringList{program});
    const QList<QWidget*> windows = {
        form, app->form2.get(), &form3, app->form4.get(), app->form5.get(), app->form6.get()};
    for (QWidget* window : windows) {
        const QString title = window->windowTitle();
        const QString shown = title.endsWith(program) ? title : title + QStringLiteral(" — ") + program;
        QVERIFY2(shown.count(program, Qt::CaseInsensitive) == 1, qPrintable(shown));
        // Room for the window system's icon and buttons beside the text.
        QVERIFY2(QFontMetrics(window->font()).horizontalAdvance(shown) <= window->width() - 60,
                 qPrintable(shown));
    }
    form3.HideProgress();
}

void WindowsTest::NothingIsClippedOrOverlapping() {
    form->SetExpertMode(true);
    form->ui->Label21->show();
    form->ui->GroupBox16->show();
    form->ui->ProgressBar1->show();
    for (int page = 0; page < form->ui->PageControl1->count(); ++page) {
        form->ui->PageControl1->setCurrentIndex(page);
        QApplication::processEvents();
        for (QWidget* widget : form->findChildren<QWidget*>()) {
            if (!widget->isVisible() || widget->isWindow()) continue;
            const QString where =
                QStringLiteral("page %1, %2 (%3)")
                    .arg(page)
                    .arg(widget->objectName(), QLatin1String(widget->metaObject()->className()));
            // Inside its parent: a child sticking out is cut off.
            QVERIFY2(widget->parentWidget()->rect().contains(widget->geometry()), qPrintable(where));
            // Captions at least as wide as their text.
            if (qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget)) {
                QVERIFY2(
                    widget->width() >= widget->sizeHint().width(),
                    qPrintable(where +
                               QString(" %1 < %2").arg(widget->width()).arg(widget->sizeHint().width())));
                QVERIFY2(widget->height() >= widget->minimumSizeHint().height(), qPrintable(where));
            }
            if (auto* group = qobject_cast<QGroupBox*>(widget)) {
                QVERIFY2(group->height() >= group->minimumSizeHint().height(), qPrintable(where));
            }
        }
        // Groups of one page do not overlap each other.
        const QList<QGroupBox*> groups =
            form->ui->PageControl1->currentWidget()->findChildren<QGroupBox*>(Qt::FindDirectChildrenOnly);
        for (qsizetype a = 0; a < groups.size(); ++a) {
            for (qsizetype b = a + 1; b < groups.size(); ++b) {
                if (groups[a]->isVisible() && groups[b]->isVisible()) {
                    QVERIFY2(
                        !groups[a]->geometry().intersects(groups[b]->geometry()),
                        qPrintable(groups[a]->objectName() + QLatin1Char('/') + groups[b]->objectName()));
                }
            }
        }
    }
}

void WindowsTest::MemosFitAndTheNineAreJustified() {
    const QFontMetrics metrics(form->ui->Memo1->font());
    const int blank = metrics.horizontalAdvance(QLatin1Char(' '));
    for (QPlainTextEdit* memo : form->ui->PageControl1->findChildren<QPlainTextEdit*>()) {
        const QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
        int shown = 0;
        for (const QString& line : lines) {
            QVERIFY2(metrics.horizontalAdvance(line) + blank + 12 < memo->width(), qPrintable(line));
            if (!line.trimmed().isEmpty()) ++shown;
        }
        QVERIFY2(memo->height() >= shown * metrics.lineSpacing(), qPrintable(memo->objectName()));
        QVERIFY(!memo->toPlainText().trimmed().isEmpty());
    }
    // Justified lines end within one blank of the limit; a blank measures a fraction of
    // a pixel more than its rounded width.
    for (QPlainTextEdit* memo :
         {form->ui->Memo1, form->ui->Memo2, form->ui->Memo6, form->ui->Memo7, form->ui->Memo14,
          form->ui->Memo17, form->ui->Memo20, form->ui->Memo22, form->ui->Memo24}) {
        const QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
        QVERIFY2(lines.size() >= 3, qPrintable(memo->objectName()));
        for (qsizetype i = 0; i + 2 < lines.size(); ++i) {
            const int room = memo->width() - (metrics.horizontalAdvance(lines[i]) + blank + 12);
            QVERIFY2(
                room <= blank + 1,
                qPrintable(
                    QStringLiteral("%1: room %2 in \"%3\"").arg(memo->objectName()).arg(room).arg(lines[i])));
        }
    }
}

void WindowsTest::TabOrderRunsTopToBottom() {
    const auto chainIndex = [this](QWidget* target) {
        int index = 0;
        for (QWidget* w = form->nextInFocusChain(); w != form; w = w->nextInFocusChain(), ++index) {
            if (w == target) return index;
        }
        return -1;
    };
    const QList<QWidget*> order = {
        form->ui->SpeedButton3, form->ui->SpeedButton4, form->ui->SpeedButton5, form->ui->Edit1,
        form->ui->Edit2,        form->ui->ComboBox1,    form->ui->ComboBox2,    form->ui->ComboBox3,
        form->ui->RadioButton1, form->ui->ComboBox19,   form->ui->Edit7,        form->ui->Edit8,
        form->ui->CheckBox3,    form->ui->Edit5,        form->ui->Edit9,        form->ui->Edit10,
        form->ui->ComboBox16,   form->ui->RadioButton8, form->ui->ComboBox4,    form->ui->ComboBox7,
        form->ui->ComboBox8,    form->ui->ComboBox13,   form->ui->CheckBox2,    form->ui->ComboBox14,
        form->ui->ComboBox18,   form->ui->Edit6,        form->ui->Edit3,        form->ui->RadioButton7,
        form->ui->Edit4,        form->ui->SpeedButton6, form->ui->Edit11,       form->ui->Edit12,
        form->ui->ComboBox12,   form->ui->Button8};
    int previous = -1;
    for (QWidget* widget : order) {
        const int index = chainIndex(widget);
        QVERIFY2(index > previous, qPrintable(widget->objectName()));
        QVERIFY2(widget->focusPolicy() & Qt::TabFocus, qPrintable(widget->objectName()));
        previous = index;
    }
}

void WindowsTest::ProgressWindowCentresOnTheMainWindow() {
    zort::TForm3 form3(form);
    form3.ShowProgress(QStringLiteral("Чтение настроек"));
    QVERIFY(form3.isVisible());
    QCOMPARE(form3.windowTitle(), QStringLiteral("Чтение настроек"));
    QCOMPARE(form3.size(), QSize(263, 133));
    // Frames differ between a tool window and a main window; the centres stay within them.
    QVERIFY((form3.geometry().center() - form->geometry().center()).manhattanLength() <= 8);
    QCOMPARE(form3.ui->ProgressBar1->maximum(), 100);
    form3.SetProgress(30, 12);
    QCOMPARE(form3.ui->ProgressBar1->maximum(), 30);
    QCOMPARE(form3.ui->ProgressBar1->value(), 12);
    QCOMPARE(form3.ui->Label1->text(), QStringLiteral("Чтение настроек: 13 из 30"));
    QCOMPARE(form3.ui->Button1->text(), QStringLiteral("Отмена"));
    form3.HideProgress();
    QVERIFY(!form3.isVisible());
}

void WindowsTest::ReplyLogAppendsDumpAndSeparator() {
    zort::TForm6 form6;
    using namespace std::string_literals;
    form6.LogReply("\xc4\x00\x41"s);
    form6.LogReply("B"s);
    QCOMPARE(form6.ui->Memo1->toPlainText(), QStringLiteral("Д 0x00 A \n\n\n\nB \n\n\n"));
    QVERIFY(form6.ui->Memo1->isReadOnly());
}

void WindowsTest::CommandWindowOffersTheThreeModes() {
    zort::TForm2 form2;
    QCOMPARE(form2.windowTitle(), QStringLiteral("Команда (WIALON)"));
    QCOMPARE(form2.ui->ComboBox1->count(), 3);
    QCOMPARE(form2.ui->ComboBox1->itemText(0), QStringLiteral("Включить  режим \"ПОИСК\""));
    QCOMPARE(form2.ui->ComboBox1->itemText(1), QStringLiteral("Включить  режим \"ТЕСТ\""));
    QCOMPARE(form2.ui->ComboBox1->itemText(2), QStringLiteral("Включить  режим \"СУТОЧНЫЙ\""));
    QCOMPARE(form2.ui->ComboBox1->currentIndex(), 0);
    QVERIFY(!form2.ui->SpeedButton1->icon().isNull());
    QSignalSpy saves(&form2, &zort::TForm2::SaveRequested);
    form2.show();
    QTest::mouseClick(form2.ui->SpeedButton1, Qt::LeftButton);
    QCOMPARE(saves.count(), 1);
}

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    zort::PrepareApplication(app);
    WindowsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WindowsTest.moc"
