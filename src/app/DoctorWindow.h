#pragma once
// "Диагностика": the doctor's checks of the chosen port in a window, a line per check
// with its fix, and the fixes that are commands ready to paste into a terminal.
//
// The checks open the port for the handshake, so they wait for the channel's lease like
// any operation (the failed operation gives it back once its message is closed) and run
// on a thread of their own; the window stays responsive meanwhile.

#include <QDialog>
#include <functional>
#include <thread>
#include <vector>

#include "app/MainThreadCalls.h"
#include "connect/Doctor.h"

class QLabel;
class QPushButton;
class QTextBrowser;

namespace zort {

class PortLease;

inline constexpr const char* kDoctorActivity = "идёт диагностика порта";

class DoctorWindow : public QDialog {
    Q_OBJECT
  public:
    // `leaseChanged` runs on the main thread whenever the checks take or give the channel.
    DoctorWindow(PortLease& lease, DoctorOptions options, std::function<void()> leaseChanged,
                 QWidget* parent = nullptr);
    ~DoctorWindow() override;

    // Runs the checks (again); the lines replace the ones shown when they are done.
    void Check();
    bool Checking() const { return checking; }
    const std::vector<CheckResult>& Results() const { return results; }
    // Shows checks made elsewhere, as if this window had made them.
    void Show(std::vector<CheckResult> found);
    // What "Копировать команды" puts on the clipboard.
    QString Commands() const;

    QTextBrowser* lines = nullptr;
    QLabel* summary = nullptr;
    QPushButton* copyButton = nullptr;
    QPushButton* againButton = nullptr;

  Q_SIGNALS:
    void Checked();

  private:
    void StopChecks();

    PortLease& lease;
    const DoctorOptions options;
    const std::function<void()> leaseChanged;
    std::vector<CheckResult> results;
    bool checking = false;
    std::unique_ptr<MainThreadCalls> calls;
    std::jthread worker;
};

}  // namespace zort
