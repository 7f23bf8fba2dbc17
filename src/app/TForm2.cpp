#include "app/TForm2.h"

#include "app/Icons.h"
#include "ui_TForm2.h"

namespace zort {

TForm2::TForm2(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TForm2>()) {
    ui->setupUi(this);
    setObjectName(QStringLiteral("Form2"));
    // A side window: closing the main window must still end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    ui->SpeedButton1->setIcon(SaveFileIcon());
    ui->ComboBox1->setCurrentIndex(0);
    connect(ui->SpeedButton1, &QToolButton::clicked, this, &TForm2::SpeedButton1Click);
}

TForm2::~TForm2() = default;

void TForm2::SpeedButton1Click() {
    Q_EMIT SaveRequested();
}

}  // namespace zort
