#include "app/TForm3.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include "app/ProgressText.h"
#include "ui_TForm3.h"

namespace zort {

TForm3::TForm3(QWidget* mainWindow) : QWidget(mainWindow), ui(std::make_unique<Ui::TForm3>()) {
    ui->setupUi(this);
    setObjectName(QStringLiteral("Form3"));
    // A tool window stays above its main window and has no taskbar entry of its own.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    connect(ui->Button1, &QPushButton::clicked, this, [this] {
        // Once is enough; the run stops at its next step and the window goes with it.
        ui->Button1->setEnabled(false);
        Q_EMIT CancelRequested();
    });
}

TForm3::~TForm3() = default;

void TForm3::ShowProgress(const QString& newCaption) {
    if (!isVisible() || newCaption != caption) ui->Label1->setText(CaptionTitle(newCaption));
    if (!isVisible()) ui->Button1->setEnabled(true);
    caption = newCaption;
    // The step has its own line: the title stays short enough for the window system to
    // show whole, with the program's name after it.
    setWindowTitle(CaptionTitle(caption));
    if (const QWidget* owner = parentWidget()) {
        move(owner->frameGeometry().center() - QRect(QPoint(), frameGeometry().size()).center());
    }
    show();
}

void TForm3::SetProgress(int maximum, int position) {
    ui->ProgressBar1->setMaximum(maximum);
    ui->ProgressBar1->setValue(position);
    ui->Label1->setText(SettingsStepText(caption, maximum, position));
}

void TForm3::HideProgress() {
    hide();
}

}  // namespace zort
