#pragma once
// The main window: header, navigation column, toolbar, settings pages and port chooser.
// The layout comes from TForm1.ui; what a Designer file cannot say (the house palette,
// drawn icons, fonts in pixels, choice lists of the settings model, memo text fitted to
// its width) is added here.

#include <QElapsedTimer>
#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

#include "history/ChangePreview.h"
#include "history/RecentRead.h"
#include "service/IniProfile.h"
#include "settings/SettingsPrompts.h"
#include "settings/SummaryTable.h"
#include "worker/SettingsImage.h"

class QLabel;
class QMessageBox;

namespace Ui {
class TForm1;
}

namespace zort {

class DeviceContext;
class DoctorWindow;
class HistoryWindow;
class FleetWindow;
class StatusWindow;
class PortBox;
struct PortReport;
class FirmwareSink;
class RWSettingsThread;
class SettingsSink;
class Worker;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;

inline const QString kAbortUpdateQuestion =
    QStringLiteral("Прервать обновление? Устройство останется без программы");

class TForm1 : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kNavigationEntries = 9;

    // `context` is the port, the settings image and the worker slots, for the whole run;
    // it outlives the window.
    explicit TForm1(DeviceContext& context, QWidget* parent = nullptr);

    // Marks navigation entry `entry` (1..9) and shows its page, as a click on it does.
    void SelectNavigation(int entry);
    // Marks entry `entry` without changing the page shown.
    void HighlightNavigation(int entry);
    int SelectedEntry() const { return selectedEntry; }

    // Shows the toolbar buttons the shipped layout hides: file load and save, the
    // command file and the engineering window.
    void SetExpertMode(bool on);
    // Puts `port` first in the port chooser and selects it; an entry of the same name
    // further down is dropped. The user named the port: it is not chosen for them.
    void PreferPort(const QString& port);
    // The port every operation opens: the chosen entry's path, or the name typed.
    std::string SelectedPort() const;
    // What the search for trackers found: labels, the line under the box, the choice.
    void ShowPortReport(const PortReport& report);
    // A read has just succeeded: the port's line says so, whatever the search found.
    void TrackerAnswered();
    // Opens the doctor's window on the chosen port and runs its checks.
    void ShowDiagnostics();

    // The other windows, created at start-up after this one.
    TForm2* form2 = nullptr;
    TForm3* form3 = nullptr;
    // The engineering windows; they may go before this one.
    QPointer<TForm4> form4;
    QPointer<TForm5> form5;
    TForm6* form6 = nullptr;
    // The built-in simulated tracker's port, offered last in the port chooser; empty
    // when there is none.
    QString demoPort;
    // Asks the search for trackers to look at every port again; set while one runs.
    std::function<void()> searchAgain;
    // The doctor's window while it is open.
    QPointer<DoctorWindow> doctorWindow;

    ~TForm1() override;

    DeviceContext& context;
    // The summary table's texts (a value with no wording keeps the previous cell).
    SummaryTable summary;

    // How questions and refusals of the settings checks reach the user; tests replace
    // it with scripted answers.
    std::unique_ptr<SettingsPrompts> prompts;
    // How the final message of an operation is shown (statusKind 3 or 4); tests
    // replace it to record instead of opening a box.
    std::function<void(int statusKind, const QString& text, const QString& detail)> showMessage;
    // The box that shows it; one that says the tracker could not be reached offers
    // "Диагностика…".
    std::unique_ptr<QMessageBox> MessageBox(int statusKind, const QString& text, const QString& detail);
    static inline const QString kDiagnoseButton = QStringLiteral("Диагностика…");
    // How a file name is asked for, starting in `folder`; tests replace them.
    std::function<QString(const QString& caption, const QString& folder, const QString& filter)> askOpenFile;
    std::function<QString(const QString& caption, const QString& defaultPath, const QString& filter)>
        askSaveFile;
    // How restoring the defaults is confirmed; true means go ahead. Tests answer.
    std::function<bool(const QString& question)> confirmDefaults;
    // "config.ini": the file dialogs keep the folder last used there.
    std::optional<IniProfile> profile;

    // How the changes a write would make are confirmed; true means write. Tests answer.
    std::function<bool(const std::vector<SettingChange>& changes)> confirmWrite;
    // The box that lists them, "Записать" the default unless nothing changes.
    std::unique_ptr<QMessageBox> WritePreviewBox(const std::vector<SettingChange>& changes);
    static inline const QString kWriteButton = QStringLiteral("Записать");
    // Where the settings a write replaces are kept; tests point it elsewhere.
    std::filesystem::path backupRoot;
    // How writing a backup of another tracker is confirmed; true means write. Tests answer.
    std::function<bool(const QString& question)> confirmOtherDevice;
    // A complete read has come in (to the pages, or to the scratch image of a write or of
    // the history); called on this thread while the read still holds the channel.
    void TrackerRead();
    // A write waits for the read before it, or for its confirmation; or the history waits
    // for a read.
    bool WritePending() const { return scratchRead != nullptr || historyRefreshDue; }
    // Writes the backup in `file` to the tracker on the chosen port, through the pages and
    // the same steps as the write button; asks first when it is another tracker's.
    void RestoreBackup(const std::filesystem::path& file);
    // The window of the connected tracker's backups ("История настроек").
    void ShowHistory();
    QPointer<HistoryWindow> historyWindow;
    // "Групповая настройка": many trackers set up as they are plugged in.
    void ShowFleet();
    QPointer<FleetWindow> fleetWindow;
    // "Состояние трекера": the live sky, fix and network of the tracker on the chosen port.
    void ShowStatus();
    // Loads a settings file (.cfg) into the pages, as "Загрузить настройки из файла" does
    // after its dialog; a file that cannot be used gets the usual message.
    void LoadSettingsFile(const QString& name);
    QPointer<StatusWindow> statusWindow;
    // The last complete read of a tracker in this run.
    const RecentRead& LastRead() const { return lastRead; }

    // How closing the window asks before it stops a firmware update; true means stop
    // it. Tests answer instead of opening a box.
    std::function<bool(const QString& question)> confirmClose;
    // The box that asks it, "Нет" the default.
    std::unique_ptr<QMessageBox> AbortUpdateBox(const QString& question);

    // Shows the image in the pages; `refreshSummary` also rebuilds the summary table.
    void ShowImage(bool refreshSummary);

    // The line that refuses an action while another operation holds the channel, such as
    // "Порт занят: идёт чтение настроек"; empty while the channel is free.
    QString PortBusyText() const;
    // Enables the actions that open the port, here and in the service window, only while
    // it is free, and shows what holds it. Called whenever an operation starts or ends.
    void RefreshPortActions();
    // "Отмена" of the progress window: the read or write stops before its next setting.
    void CancelSettings();
    // The settings worker has ended; called on this thread.
    void SettingsWorkerEnded();
    // The firmware page's bar: percent, bytes and time left, and at the end how it ended
    // (a failure stays on the bar instead of its last position).
    void ShowFirmwareProgress(int maximum, int position);
    void ShowFirmwareEnd(bool succeeded, const QString& text);
    // The save handler of TForm2: asks for the name and writes the command file.
    void SaveCommandFile();

    // The controls, under the names the binding, the workers and the tests know them by.
    std::unique_ptr<Ui::TForm1> ui;

  public Q_SLOTS:
    void Label1Click();
    void Label2Click();
    void Label3Click();
    void Label4Click();
    void Label5Click();
    void Label6Click();
    void Label7Click();
    void Label8Click();
    void Label9Click();  // the summary, once there is one
    void Label21Click();

    void SpeedButton3Click();  // write settings
    void SpeedButton4Click();  // read settings
    void SpeedButton5Click();  // restore defaults
    void SpeedButton1Click();  // load a settings file
    void SpeedButton2Click();  // save a settings file
    void SpeedButton7Click();  // command file window
    void SpeedButton8Click();  // engineering window
    void SpeedButton6Click();  // device firmware update
    void Button8Click();       // list the ports

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void InitActions();
    void FormCreate();
    void SetUpHeader();
    void SetUpNavigation();
    void SetUpToolbar();
    void SetUpPages();
    void SetUpMemos();
    void SetUpSummary();
    void SetNavigationHover(QLabel* label, bool hovered);
    // Up and Down walk the navigation column, Enter or Space opens the entry with the
    // focus. False for any other key.
    bool NavigationKey(int entry, QEvent* event);
    bool HeaderMouseEvent(QEvent* event);
    QLabel* NavigationLabel(int entry) const;

    // A worker's owner: the window keeps it until it has ended. False when it did not
    // start.
    bool StartWorker(std::unique_ptr<Worker> worker);
    // True, after showing why, while another operation holds the channel.
    bool RefusedWhileBusy();
    bool AskAbortUpdate(const QString& question);
    // Checks the pages and puts them into the image; `staged` gets the image as checked.
    // False when a check refused them, and then the image is left as it was.
    bool PagesToImage(SettingsImage& staged);
    void ShowFileError(const QString& text);
    // The defaults in the pages and the image; what the tracker told about itself stays.
    void ApplyDefaults();
    // The folder a file dialog starts in: the last one used, else the home folder.
    QString StartFolder() const;
    void RememberFolder(const QString& file);
    QString OpenFileName(const QString& caption, const QString& filter);
    QString SaveFileName(const QString& caption, std::string_view defaultName, const QString& filter);

    void ShowOperationMessage(int statusKind, const QString& text, const QString& detail);

    // A read that leaves the pages alone, for what comes after it: the list of changes
    // and the backup of a write, or the history's comparison.
    struct ScratchRead {
        SettingsImage image;
        std::optional<SettingsImage> known;  // a recent read of the same tracker
        bool complete = false;
        std::function<void(const SettingsImage& now)> then;
        std::function<void()> failed;  // the read failed or was cancelled, and has said so
    };
    // False, after saying why where there is a reason to, while a read cannot start.
    bool ReadStarts();
    // Reads the tracker into a scratch image, or takes a read of the same tracker made
    // moments ago; `then` runs once the read has ended, if it was complete.
    void ReadTrackerThen(std::function<void(const SettingsImage& now)> then,
                         std::function<void()> failed = {});
    void FinishScratchRead();
    // Reads, then lists, confirms, backs up and writes `staged`; `imei` is the tracker
    // the settings are meant for, when that matters (a restore).
    void WriteSafely(const SettingsImage& staged, const std::string& reason, const std::string& imei);
    void ContinueWrite(const SettingsImage& before, const SettingsImage& staged, const std::string& reason,
                       const std::string& imei);
    // Lists the connected tracker's backups again; `compare` also brings the comparison
    // up to date, reading the tracker when no recent read tells what it holds.
    void RefreshHistory(bool compare);
    // Reads the tracker for the history's comparison; `mayReuse` takes a read of the same
    // tracker made moments ago instead.
    void ReadForHistory(bool mayReuse);

    std::unique_ptr<ScratchRead> scratchRead;
    // A write has ended while the history was open: it is compared again shortly.
    bool historyRefreshDue = false;
    RecentRead lastRead;
    std::unique_ptr<PortBox> portBox;
    std::unique_ptr<SettingsSink> settingsSink;
    std::unique_ptr<FirmwareSink> firmwareSink;
    // The read or write under way, for its "Отмена"; cleared on this thread when it ends,
    // before the worker may be freed.
    RWSettingsThread* settingsWorker = nullptr;
    // Since the firmware update began, for its time left.
    QElapsedTimer firmwareClock;
    QString preferredPort;

    int selectedEntry = 1;
    bool draggingByHand = false;
    QPoint dragOffset;
};

}  // namespace zort
