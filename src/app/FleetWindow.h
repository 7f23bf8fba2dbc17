#pragma once
// "Групповая настройка": a fleet set up from the desktop. The user picks the profile (the
// pages' settings or a file), a devices table and a report file, starts, and plugs the
// trackers in one after another; each gets a row with its progress and result.
//
// While it runs the window holds the configurator's channel, so that the search for
// trackers and the main window's buttons keep off the ports being written.

#include <QDialog>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/PostedCalls.h"
#include "fleet/Provisioning.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace zort {

class FleetWatch;
class PortLease;
class ProvisionReport;

inline constexpr const char* kFleetActivity = "идёт групповая настройка";

class FleetWindow : public QDialog {
    Q_OBJECT
  public:
    enum Column { kPortColumn, kImeiColumn, kTrackerColumn, kProgressColumn, kResultColumn, kColumns };

    FleetWindow(PortLease& lease, QWidget* parent = nullptr);
    ~FleetWindow() override;

    // The pages' settings as a profile; nothing when their check refused them (and said why).
    std::function<std::optional<std::string>()> pagesProfile;
    // Ports that are no USB device but are watched too (the demo tracker).
    std::vector<std::string> namedPorts;
    std::filesystem::path backupRoot;
    std::filesystem::path sessionLog;
    // The channel was taken or given back: the main window updates its buttons.
    std::function<void()> leaseChanged;
    // How a refusal is shown, and how files are asked for; tests replace them.
    std::function<void(const QString& text, const QString& detail)> showError;
    std::function<QString(const QString& caption, const QString& filter)> askOpenFile;
    std::function<QString(const QString& caption, const QString& filter)> askSaveFile;

    // Starts watching for trackers; false, after saying why, when something given is refused.
    bool Start();
    // No tracker starts after this; the window says so once those under way have ended.
    void Stop();
    bool Running() const { return watch != nullptr; }

    // What the rows show, as the run reports it.
    void ShowStarted(const std::string& port);
    void ShowStep(const std::string& port, const std::string& step);
    void ShowDone(const TrackerReport& report);

    QRadioButton* pagesChoice = nullptr;
    QRadioButton* fileChoice = nullptr;
    QLineEdit* profileFile = nullptr;
    QLineEdit* devicesFile = nullptr;
    QCheckBox* devicesOnly = nullptr;
    QLineEdit* reportFile = nullptr;
    QTableWidget* table = nullptr;
    QLabel* status = nullptr;
    QPushButton* startButton = nullptr;
    QPushButton* stopButton = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    bool BuildPlan(ProvisionPlan& plan);
    int RowOf(const std::string& port);
    void Ended();
    void ShowCounts();

    PortLease& lease;
    // The run's reports reach the rows through it; it goes after the run has ended.
    PostedCalls calls;
    std::unique_ptr<ProvisionReport> report;
    std::unique_ptr<FleetWatch> watch;
    std::jthread stopping;
    int steps = 3;
    int succeeded = 0;
    int failed = 0;
};

}  // namespace zort
