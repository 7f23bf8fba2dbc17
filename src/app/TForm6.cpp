#include "app/TForm6.h"

#include <QFont>
#include <QPlainTextEdit>

#include "app/LookAndFeel.h"
#include "app/ReplyLog.h"
#include "ui_TForm6.h"

namespace zort {

TForm6::TForm6(QWidget* parent) : QWidget(parent), ui(std::make_unique<Ui::TForm6>()) {
    ui->setupUi(this);
    setObjectName(QStringLiteral("Form6"));
    setAttribute(Qt::WA_QuitOnClose, false);
    // Fixed pitch keeps the columns of successive dumps under each other.
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setPixelSize(BaseFont().pixelSize());
    ui->Memo1->setFont(mono);
}

TForm6::~TForm6() = default;

void TForm6::LogReply(std::string_view reply) {
    ui->Memo1->appendPlainText(QString::fromStdString(FormatLogReply(reply)));
    // The edit would take a lone '\r' for a line break too; a CR LF pair is one break.
    QString separator = QString::fromLatin1(kLogReplySeparator.data(), kLogReplySeparator.size());
    ui->Memo1->appendPlainText(separator.replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}

void TForm6::LogSessionLine(const QString& line) {
    ui->Memo1->appendPlainText(line);
    ui->Memo1->appendPlainText(QString());
}

}  // namespace zort
