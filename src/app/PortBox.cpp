#include "app/PortBox.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

#include "connect/PortLabels.h"

namespace zort {
namespace {

const QColor kConnectedColour(0x2E, 0x7D, 0x32);
const QColor kProblemColour(0xB0, 0x30, 0x30);

}  // namespace

PortBox::PortBox(QComboBox* box, QCheckBox* automatic, QLabel* status)
    : box(box), automatic(automatic), status(status) {
    QObject::connect(box, &QComboBox::currentIndexChanged, status, [this] { ShowStatus(); });
    QObject::connect(box, &QComboBox::editTextChanged, status, [this] { ShowStatus(); });
}

void PortBox::SetDemoPort(const std::string& port) {
    demoPort = port;
}

const ProbeResult* PortBox::Found(const std::string& port) const {
    const auto it = found.find(port);
    return it == found.end() ? nullptr : &it->second;
}

QString PortBox::LabelOf(const std::string& port) const {
    if (const ProbeResult* r = Found(port)) return QString::fromStdString(PortLabel(*r, demoPort));
    if (!demoPort.empty() && port == demoPort) return QString::fromUtf8(kDemoTrackerLabel.data());
    return QString::fromStdString(port);
}

int PortBox::IndexOf(const std::string& port) const {
    const QString path = QString::fromStdString(port);
    const int index = box->findData(path);
    return index >= 0 ? index : box->findText(path);
}

void PortBox::AddEntry(const std::string& port, int at) {
    if (at < 0) at = box->count();
    box->insertItem(at, LabelOf(port), QString::fromStdString(port));
}

void PortBox::Select(const std::string& port) {
    const int index = IndexOf(port);
    if (index >= 0) box->setCurrentIndex(index);
}

std::string PortBox::Selected() const {
    const int index = box->currentIndex();
    if (index >= 0 && box->currentText() == box->itemText(index)) {
        const QString path = box->itemData(index).toString();
        if (!path.isEmpty()) return path.toStdString();
    }
    return box->currentText().trimmed().toStdString();
}

std::string PortBox::AutomaticPort(bool demoAllowed) const {
    std::vector<ProbeResult> results;
    for (const auto& [port, r] : found) results.push_back(r);
    const std::optional<std::string> choice = AutomaticChoice(results, demoPort);
    if (!choice) {
        const bool anyTracker = std::any_of(results.begin(), results.end(), [](const ProbeResult& r) {
            return r.state == ProbeState::kTracker;
        });
        // Before the demo has answered it is still the one to offer.
        return demoAllowed && !anyTracker && !demoPort.empty() && !Found(demoPort) ? demoPort : std::string();
    }
    if (*choice == demoPort && !demoAllowed) return {};
    return *choice;
}

void PortBox::List(const std::vector<std::string>& ports, const QString& named) {
    box->clear();
    for (const std::string& port : ports) {
        const ProbeResult* r = Found(port);
        if (port != demoPort && !(r && r->state == ProbeState::kMissing)) AddEntry(port);
    }
    // Ports that are no device of the machine's own (a tracker announced by its path).
    for (const auto& [port, r] : found) {
        if (port != demoPort && r.state != ProbeState::kMissing && IndexOf(port) < 0) AddEntry(port);
    }
    if (!demoPort.empty()) AddEntry(demoPort);
    if (box->count() > 0) box->setCurrentIndex(0);
    if (!named.isEmpty()) Prefer(named);
    if (automatic->isChecked()) {
        const std::string choice = AutomaticPort(true);
        if (!choice.empty()) Select(choice);
    }
    FitPopup();
    ShowStatus();
}

void PortBox::Prefer(const QString& port) {
    if (port.isEmpty()) return;
    const int existing = IndexOf(port.toStdString());
    if (existing >= 0) box->removeItem(existing);
    AddEntry(port.toStdString(), 0);
    box->setCurrentIndex(0);
    FitPopup();
    ShowStatus();
}

void PortBox::Apply(const PortReport& report) {
    for (const ProbeResult& r : report.probed) found[r.port] = r;
    for (const std::string& port : report.removed) {
        ProbeResult gone;
        gone.port = port;
        gone.state = ProbeState::kMissing;
        if (const ProbeResult* before = Found(port)) gone.usb = before->usb;
        found[port] = gone;
    }
    const int demoIndex = demoPort.empty() ? -1 : IndexOf(demoPort);
    for (const ProbeResult& r : report.probed) {
        if (r.state != ProbeState::kMissing && IndexOf(r.port) < 0) AddEntry(r.port, demoIndex);
    }
    const std::string selected = Selected();
    for (int k = box->count() - 1; k >= 0; --k) {
        const std::string port = box->itemData(k).toString().toStdString();
        const ProbeResult* r = Found(port);
        // A port pulled out leaves the list, unless it is the one chosen: the line under
        // the box then says it is gone.
        if (r && r->state == ProbeState::kMissing && port != selected) {
            box->removeItem(k);
            continue;
        }
        const QString label = LabelOf(port);
        if (box->itemText(k) != label) box->setItemText(k, label);
    }
    if (automatic->isChecked()) {
        const std::string choice = AutomaticPort(report.first);
        const bool justFound = std::any_of(
            report.probed.begin(), report.probed.end(),
            [&](const ProbeResult& r) { return r.port == choice && r.state == ProbeState::kTracker; });
        if (!choice.empty() && (justFound || choice == demoPort)) Select(choice);
    }
    FitPopup();
    ShowStatus();
}

void PortBox::FitPopup() {
    // The box keeps the panel's width; the list opens as wide as its longest label.
    int widest = 0;
    for (int k = 0; k < box->count(); ++k)
        widest = std::max(widest, box->fontMetrics().horizontalAdvance(box->itemText(k)));
    box->view()->setMinimumWidth(std::max(box->width(), widest + 32));
}

void PortBox::ShowStatus() {
    // A label longer than the box shows its beginning, where the port is.
    if (box->lineEdit() && box->currentIndex() >= 0 &&
        box->currentText() == box->itemText(box->currentIndex()))
        box->lineEdit()->setCursorPosition(0);
    const ProbeResult* r = Found(Selected());
    if (!r) {
        status->clear();
        status->setToolTip({});
        return;
    }
    const QString text = QString::fromStdString(ConnectionStatus(*r));
    // One fact a line: the column is too narrow to break it anywhere else.
    status->setText(QString(text).replace(QStringLiteral(" · "), QStringLiteral("\n")));
    status->setToolTip(r->reason.empty() ? text : QString::fromStdString(r->reason));
    QPalette palette = status->palette();
    palette.setColor(QPalette::WindowText,
                     r->state == ProbeState::kTracker ? kConnectedColour : kProblemColour);
    status->setPalette(palette);
}

}  // namespace zort
