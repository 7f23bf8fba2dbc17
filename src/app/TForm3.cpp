#include "app/TForm3.h"

#include <QProgressBar>

#include "ui_TForm3.h"

namespace zort {

TForm3::TForm3(QWidget* mainWindow) : QWidget(mainWindow), ui(std::make_unique<Ui::TForm3>()) {
    ui->setupUi(this);
    setObjectName(QStringLiteral("Form3"));
    // A tool window stays above its main window and has no taskbar entry of its own.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
}

TForm3::~TForm3() = default;

void TForm3::ShowProgress(const QString& caption) {
    setWindowTitle(caption);
    if (const QWidget* owner = parentWidget()) {
        move(owner->frameGeometry().center() - QRect(QPoint(), frameGeometry().size()).center());
    }
    show();
}

void TForm3::SetProgress(int maximum, int position) {
    ui->ProgressBar1->setMaximum(maximum);
    ui->ProgressBar1->setValue(position);
}

void TForm3::HideProgress() {
    hide();
}

}  // namespace zort
