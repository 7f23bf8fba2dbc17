#pragma once
// "История настроек": the backups of the connected tracker, newest first, each with how
// it differs from what the tracker holds now, and "Восстановить" to write one back.
// The window only shows; reading the tracker and writing a backup back are the main
// window's, through the same steps as its read and write buttons.

#include <QDialog>
#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "history/BackupStore.h"
#include "worker/SettingsImage.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace zort {

class HistoryWindow : public QDialog {
    Q_OBJECT
  public:
    enum Column { kSavedColumn, kReasonColumn, kPortColumn, kImeiColumn, kDifferencesColumn, kColumns };

    explicit HistoryWindow(QWidget* parent = nullptr);

    // The tracker the list is for, in words, and its backups newest first. With no
    // tracker known (`imei` empty) every tracker's backups are listed, with their IMEI.
    void ShowBackups(const QString& tracker, const std::string& imei,
                     const std::vector<BackupEntry>& backups);
    // What the tracker holds, as read at `readAt`: each backup is compared with it.
    void ShowCurrent(const SettingsImage& now, std::chrono::system_clock::time_point readAt);
    // Nothing to compare with; `why` says so ("Чтение настроек трекера…").
    void ShowNoCurrent(const QString& why);

    // The backup of the selected row; empty when none is selected or it cannot be read.
    std::filesystem::path SelectedBackup() const;

    // "Прочитать трекер" and "Восстановить".
    std::function<void()> readAgain;
    std::function<void(const std::filesystem::path& backup)> restore;

    QLabel* trackerLine = nullptr;
    QTableWidget* list = nullptr;
    QLabel* currentLine = nullptr;
    QPlainTextEdit* differences = nullptr;
    QPushButton* readButton = nullptr;
    QPushButton* restoreButton = nullptr;

  private:
    struct Row {
        BackupEntry entry;
        std::optional<SettingsImage> image;  // empty when the file cannot be read
        std::string error;
    };
    void FillCounts();
    void ShowSelected();

    std::vector<Row> rows;
    std::optional<SettingsImage> current;
};

}  // namespace zort
