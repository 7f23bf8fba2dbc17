#include "app/HistoryWindow.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "history/ChangePreview.h"

namespace zort {
namespace {

// The backup's UTC stamp in the user's own time, as the rest of the desktop shows times.
QString LocalTime(const std::string& isoUtc) {
    const QDateTime time = QDateTime::fromString(QString::fromStdString(isoUtc), Qt::ISODate);
    return time.isValid() ? time.toLocalTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"))
                          : QString::fromStdString(isoUtc);
}

QTableWidgetItem* Cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

}  // namespace

HistoryWindow::HistoryWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("История настроек"));
    resize(720, 500);
    auto* layout = new QVBoxLayout(this);
    trackerLine = new QLabel(this);
    trackerLine->setWordWrap(true);
    layout->addWidget(trackerLine);

    list = new QTableWidget(0, kColumns, this);
    list->setHorizontalHeaderLabels({QStringLiteral("Сохранена"), QStringLiteral("Причина"),
                                     QStringLiteral("Порт"), QStringLiteral("IMEI"),
                                     QStringLiteral("Отличий от трекера")});
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->verticalHeader()->hide();
    list->horizontalHeader()->setStretchLastSection(true);
    list->setColumnWidth(kSavedColumn, 150);
    list->setColumnWidth(kReasonColumn, 140);
    list->setColumnWidth(kPortColumn, 120);
    list->setColumnWidth(kImeiColumn, 130);
    layout->addWidget(list, 3);

    currentLine = new QLabel(this);
    currentLine->setWordWrap(true);
    layout->addWidget(currentLine);
    differences = new QPlainTextEdit(this);
    differences->setReadOnly(true);
    layout->addWidget(differences, 2);

    auto* buttons = new QHBoxLayout;
    readButton = new QPushButton(QStringLiteral("Прочитать трекер"), this);
    readButton->setToolTip(QStringLiteral("Прочитать настройки трекера заново и сравнить копии с ними"));
    restoreButton = new QPushButton(QStringLiteral("Восстановить"), this);
    restoreButton->setToolTip(
        QStringLiteral("Записать выбранную копию в трекер; его нынешние настройки тоже сохранятся"));
    auto* closeButton = new QPushButton(QStringLiteral("Закрыть"), this);
    buttons->addWidget(readButton);
    buttons->addStretch(1);
    buttons->addWidget(restoreButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    restoreButton->setEnabled(false);

    connect(list, &QTableWidget::itemSelectionChanged, this, &HistoryWindow::ShowSelected);
    connect(readButton, &QPushButton::clicked, this, [this] {
        if (readAgain) readAgain();
    });
    connect(restoreButton, &QPushButton::clicked, this, [this] {
        const std::filesystem::path backup = SelectedBackup();
        if (!backup.empty() && restore) restore(backup);
    });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    ShowNoCurrent(QString());
}

void HistoryWindow::ShowBackups(const QString& tracker, const std::string& imei,
                                const std::vector<BackupEntry>& backups) {
    const std::filesystem::path selected = SelectedBackup();
    trackerLine->setText(tracker);
    list->setColumnHidden(kImeiColumn, !imei.empty());
    rows.clear();
    for (const BackupEntry& found : backups) {
        Row row;
        SettingsImage image;
        const DocumentResult loaded = LoadBackup(found.file, image, row.entry);
        row.entry = found;
        if (loaded) {
            row.image = image;
        } else {
            row.error = loaded.message + (loaded.detail.empty() ? "" : ": " + loaded.detail);
        }
        rows.push_back(std::move(row));
    }
    const QSignalBlocker quiet(list);
    list->setRowCount(static_cast<int>(rows.size()));
    int reselect = rows.empty() ? -1 : 0;
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const BackupEntry& entry = rows[static_cast<size_t>(r)].entry;
        list->setItem(r, kSavedColumn, Cell(LocalTime(entry.savedAt)));
        list->setItem(r, kReasonColumn, Cell(QString::fromStdString(entry.reason)));
        list->setItem(r, kPortColumn, Cell(QString::fromStdString(entry.port)));
        list->setItem(r, kImeiColumn, Cell(QString::fromStdString(entry.imei)));
        list->setItem(r, kDifferencesColumn, Cell(QString()));
        if (entry.file == selected) reselect = r;
    }
    FillCounts();
    if (reselect >= 0) list->selectRow(reselect);
    ShowSelected();
}

void HistoryWindow::ShowCurrent(const SettingsImage& now, std::chrono::system_clock::time_point readAt) {
    current = now;
    const QDateTime at = QDateTime::fromSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::seconds>(readAt.time_since_epoch()).count());
    currentLine->setText(QStringLiteral("Копии сравниваются с настройками, прочитанными из трекера в %1.")
                             .arg(at.toString(QStringLiteral("HH:mm:ss"))));
    FillCounts();
    ShowSelected();
}

void HistoryWindow::ShowNoCurrent(const QString& why) {
    current.reset();
    currentLine->setText(why);
    FillCounts();
    ShowSelected();
}

std::filesystem::path HistoryWindow::SelectedBackup() const {
    const int r = list->currentRow();
    if (r < 0 || r >= static_cast<int>(rows.size()) || !list->item(r, 0)->isSelected()) return {};
    const Row& row = rows[static_cast<size_t>(r)];
    return row.image ? row.entry.file : std::filesystem::path();
}

void HistoryWindow::FillCounts() {
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
        const Row& row = rows[static_cast<size_t>(r)];
        QString text;
        if (!row.image) {
            text = QStringLiteral("копия повреждена");
        } else if (!current) {
            text = QStringLiteral("—");
        } else {
            const size_t count = ChangesBetween(*current, *row.image).size();
            text = count == 0 ? QStringLiteral("совпадает") : QString::number(count);
        }
        if (QTableWidgetItem* item = list->item(r, kDifferencesColumn)) item->setText(text);
    }
}

void HistoryWindow::ShowSelected() {
    const int r = list->currentRow();
    const bool chosen = r >= 0 && r < static_cast<int>(rows.size()) && list->item(r, 0)->isSelected();
    restoreButton->setEnabled(chosen && rows[static_cast<size_t>(r)].image.has_value());
    if (rows.empty()) {
        differences->setPlainText(
            QStringLiteral("Резервных копий пока нет: копия сохраняется перед каждой записью настроек."));
        return;
    }
    if (!chosen) {
        differences->setPlainText(QStringLiteral("Выберите копию в списке."));
        return;
    }
    const Row& row = rows[static_cast<size_t>(r)];
    QString text = QStringLiteral("Файл: %1\n").arg(QString::fromStdString(row.entry.file.string()));
    if (!row.image) {
        text += QString::fromStdString(row.error);
    } else if (!current) {
        text += QStringLiteral("Настройки трекера не прочитаны: сравнить копию не с чем.");
    } else {
        const std::vector<SettingChange> changes = ChangesBetween(*current, *row.image);
        if (changes.empty()) {
            text += QStringLiteral("Копия совпадает с настройками трекера.");
        } else {
            text += QStringLiteral("Восстановление изменит:");
            for (const SettingChange& change : changes)
                text += "\n" + QString::fromStdString(ChangeLine(change));
        }
    }
    differences->setPlainText(text);
}

}  // namespace zort
