// The nine pages of the main window: what their Designer file cannot hold. The choice
// lists come from the settings model, the help memos are broken into lines of their
// width and partly justified, and the summary table gets its cells.

#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTableWidget>
#include <QTextDocument>
#include <QToolButton>

#include "app/Icons.h"
#include "app/KeyFilter.h"
#include "app/LookAndFeel.h"
#include "app/MemoJustify.h"
#include "app/TForm1.h"
#include "settings/PageChoices.h"
#include "settings/SummaryTable.h"
#include "ui_TForm1.h"

namespace zort {
namespace {

// Room a memo keeps beside its text: the justification stops this far from the edge.
constexpr int kMemoInnerMargin = 12;
constexpr int kSummaryWidths[2] = {275, 165};

TextWidthFn Measure(const QWidget* widget) {
    const QFontMetrics metrics(widget->font());
    return [metrics](const QString& text) { return metrics.horizontalAdvance(text); };
}

// Sizes a memo to its lines so that it neither scrolls nor leaves a gap under the text.
void FitMemoHeight(QPlainTextEdit* memo) {
    QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty()) lines.removeLast();
    const int margin = static_cast<int>(memo->document()->documentMargin());
    memo->setFixedHeight(static_cast<int>(lines.size()) * memo->fontMetrics().lineSpacing() + 2 * margin + 2);
}

// A help text on the group's ground, broken into lines here rather than by the edit so
// that the lines can later be justified one by one.
void SetUpMemo(QPlainTextEdit* memo) {
    memo->viewport()->setCursor(Qt::ArrowCursor);
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, kHintColour);
    memo->setPalette(palette);
    memo->viewport()->setAutoFillBackground(false);
    // Text flush with the controls above it; the justification keeps its own margin.
    memo->document()->setDocumentMargin(0);

    const TextWidthFn measure = Measure(memo);
    const int lineWidth = memo->width() - kMemoInnerMargin - measure(QStringLiteral(" "));
    memo->setPlainText(WrapMemoText(memo->toPlainText(), lineWidth, measure).join(QLatin1Char('\n')));
    FitMemoHeight(memo);
}

}  // namespace

void TForm1::SetUpPages() {
    // The drop-down lists hold the entries the settings model knows for each name.
    for (QComboBox* box : ui->PageControl1->findChildren<QComboBox*>()) {
        for (const std::string& entry : ComboBoxChoices(box->objectName().toStdString()))
            box->addItem(QString::fromStdString(entry));
    }
    KeyFilter::Install(ui->Edit1, kPhoneCharacters);
    for (QLineEdit* digits : {ui->Edit2, ui->Edit8, ui->Edit6}) KeyFilter::Install(digits, kDigits);
    ui->GroupBox16->hide();

    ui->SpeedButton6->setIcon(FirmwareIcon());
    connect(ui->SpeedButton6, &QToolButton::clicked, this, &TForm1::SpeedButton6Click);
    // Appearing at the first block must not shift the page.
    QSizePolicy keepRoom = ui->ProgressBar1->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    ui->ProgressBar1->setSizePolicy(keepRoom);
    ui->ProgressBar1->hide();
    SetUpSummary();
}

void TForm1::SetUpSummary() {
    ui->StringGrid1->setColumnWidth(0, kSummaryWidths[0]);
    // The values get whatever the group has to spare beyond their design width: at this
    // font "Включена в периоде №1 и №2" or a server address would not fit in 165 pixels.
    ui->StringGrid1->setColumnWidth(1, kSummaryWidths[1]);
    for (int row = 0; row < kSummaryRows; ++row) {
        for (int column = 0; column < 2; ++column) {
            auto* cell = new QTableWidgetItem;
            cell->setFlags(Qt::ItemIsEnabled);
            ui->StringGrid1->setItem(row, column, cell);
        }
    }
}

void TForm1::SetUpMemos() {
    for (QPlainTextEdit* memo : ui->PageControl1->findChildren<QPlainTextEdit*>()) SetUpMemo(memo);
    for (QPlainTextEdit* memo : {ui->Memo1, ui->Memo2, ui->Memo6, ui->Memo7, ui->Memo14, ui->Memo17,
                                 ui->Memo20, ui->Memo22, ui->Memo24}) {
        const QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
        memo->setPlainText(JustifyMemoLines(lines, memo->width(), Measure(memo)).join(QLatin1Char('\n')));
    }
}

}  // namespace zort
