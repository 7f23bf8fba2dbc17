#include "app/TForm4.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "app/TForm5.h"
#include "ui_TForm4.h"

namespace zort {

TForm4::TForm4(QWidget* mainWindow) : QWidget(mainWindow), ui(std::make_unique<Ui::TForm4>()) {
    ui->setupUi(this);
    setObjectName(QStringLiteral("Form4"));
    setAttribute(Qt::WA_QuitOnClose, false);
    // A tool window stays above the main window; it may be resized, not made smaller
    // than its controls.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    resize(kClientWidth, kClientHeight);
    setMinimumSize(minimumSizeHint());
    // Each typed character shows as an asterisk, whatever the style would draw.
    ui->MaskEdit1->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    // Over this dialog, so that closing the box gives the focus back here and not to
    // whatever window had it before.
    showWarning = [this](const QString& text) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Конфигуратор"), text, QMessageBox::Ok, this);
        box.exec();
    };

    connect(ui->Button1, &QPushButton::clicked, this, &TForm4::Button1Click);
    connect(ui->Button2, &QPushButton::clicked, this, &TForm4::Button2Click);
    // Return and the keypad's Enter; no other key submits.
    connect(ui->MaskEdit1, &QLineEdit::returnPressed, this, &TForm4::Button1Click);
}

TForm4::~TForm4() = default;

void TForm4::Open() {
    if (const QWidget* owner = parentWidget()) {
        move(owner->frameGeometry().center() - QRect(QPoint(), frameGeometry().size()).center());
    }
    const bool wasVisible = isVisible();
    show();
    // Behind another window: bring it forward. A window just shown is on top already.
    if (wasVisible) raise();
    activateWindow();
    ui->MaskEdit1->setFocus();
    ui->MaskEdit1->clear();
}

void TForm4::Button1Click() {
    if (ui->MaskEdit1->text() != QLatin1String(kEngineeringPassword)) {
        if (showWarning) showWarning(QStringLiteral("Неправильный пароль"));
        ui->MaskEdit1->clear();
        // The next try is typed here: keys must not reach the main window, where digits
        // and Enter would change the port.
        raise();
        activateWindow();
        ui->MaskEdit1->setFocus();
        return;
    }
    // The password does not wait in the hidden field for the next opening.
    ui->MaskEdit1->clear();
    hide();
    if (form5 != nullptr) form5->Open();
}

void TForm4::Button2Click() {
    ui->MaskEdit1->clear();
    hide();
}

}  // namespace zort
