#include "app/QtPrompts.h"

#include <QMessageBox>
#include <QStackedWidget>

#include "app/ProgramSetup.h"
#include "app/TForm1.h"
#include "ui_TForm1.h"

namespace zort {
namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

// The checks name their boxes "конфигуратор" or "Конфигуратор"; the window system adds
// the program's name to a title of another spelling, which would show it twice.
bool QtPrompts::AskYesNo(std::string_view, std::string_view text) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kProgramTitle), Q(text),
                    QMessageBox::Yes | QMessageBox::No, &form);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtPrompts::Warn(std::string_view, std::string_view text) {
    QMessageBox box(QMessageBox::Warning, QString::fromUtf8(kProgramTitle), Q(text), QMessageBox::Ok, &form);
    box.exec();
}

void QtPrompts::PageChanged(int selectedEntry, int shownPage) {
    form.HighlightNavigation(selectedEntry);
    form.ui->PageControl1->setCurrentIndex(shownPage);
}

void QtPrompts::FocusControl(std::string_view control) {
    if (auto* widget = form.findChild<QWidget*>(Q(control))) widget->setFocus(Qt::OtherFocusReason);
}

}  // namespace zort
