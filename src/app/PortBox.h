#pragma once
// The port chooser as the user sees it: each port under a label that says what is behind
// it, the line under the box that says what the chosen port is, and the choice made by
// itself while "Определить порт автоматически" is ticked.
//
// An entry's text is its label and its data the port's path; a name typed by hand is
// used as it is typed.

#include <QString>
#include <map>
#include <string>
#include <vector>

#include "app/PortFinder.h"
#include "connect/Probe.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace zort {

class PortBox {
  public:
    PortBox(QComboBox* box, QCheckBox* automatic, QLabel* status);

    // The built-in simulated tracker's port, listed last and labelled as the demo.
    void SetDemoPort(const std::string& port);

    // Fills the box with `ports` (the machine's), the other ports found meanwhile and the
    // demo, `named` first. Selects the automatic choice when the box is ticked, else
    // `named` or the first entry.
    void List(const std::vector<std::string>& ports, const QString& named = {});
    // Puts `port` first and selects it.
    void Prefer(const QString& port);
    // What the finder found: labels, the line, and the choice when a tracker appears.
    void Apply(const PortReport& report);

    // The path of the chosen entry, or the text typed.
    std::string Selected() const;
    // What was last found on `port`; nothing when it was never probed.
    const ProbeResult* Found(const std::string& port) const;

  private:
    QString LabelOf(const std::string& port) const;
    int IndexOf(const std::string& port) const;
    void Select(const std::string& port);
    void AddEntry(const std::string& port, int at = -1);
    void FitPopup();
    void ShowStatus();
    // The one answering tracker, or the demo when none answers and `demoAllowed`.
    std::string AutomaticPort(bool demoAllowed) const;

    QComboBox* box;
    QCheckBox* automatic;
    QLabel* status;
    std::string demoPort;
    std::map<std::string, ProbeResult> found;
};

}  // namespace zort
