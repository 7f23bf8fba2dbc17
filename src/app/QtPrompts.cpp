#include "app/QtPrompts.h"

#include <QMessageBox>
#include <QStackedWidget>

#include "app/TForm1.h"
#include "ui_TForm1.h"

namespace zort {
namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

bool QtPrompts::AskYesNo(std::string_view title, std::string_view text) {
    QMessageBox box(QMessageBox::Warning, Q(title), Q(text), QMessageBox::Yes | QMessageBox::No, &form);
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtPrompts::Warn(std::string_view title, std::string_view text) {
    QMessageBox box(QMessageBox::Warning, Q(title), Q(text), QMessageBox::Ok, &form);
    box.exec();
}

void QtPrompts::PageChanged(int selectedEntry, int shownPage) {
    form.HighlightNavigation(selectedEntry);
    form.ui->PageControl1->setCurrentIndex(shownPage);
}

}  // namespace zort
