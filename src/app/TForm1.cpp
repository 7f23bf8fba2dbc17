#include "app/TForm1.h"

#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QShortcut>
#include <QWindow>

#include "app/Icons.h"
#include "app/LookAndFeel.h"
#include "app/PortBox.h"
#include "app/QtSinks.h"
#include "app/TForm2.h"
#include "settings/SettingTable.h"
#include "ui_TForm1.h"
#include "worker/DeviceContext.h"
#include "worker/Worker.h"
#include "zort/Version.h"

namespace zort {
namespace {

QFont NavigationFont(bool hovered) {
    QFont font = BaseFont();
    font.setPixelSize(10);
    font.setBold(true);
    font.setUnderline(hovered);
    return font;
}

QFont HeaderFont(int pixelSize, bool bold) {
    QFont font = BaseFont();
    if (pixelSize > 0) font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

bool IsLeftClickInside(QEvent* event, QWidget* widget) {
    if (event->type() != QEvent::MouseButtonRelease) return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    return mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint());
}

}  // namespace

TForm1::TForm1(DeviceContext& context, QWidget* parent)
    : QWidget(parent), context(context), ui(std::make_unique<Ui::TForm1>()) {
    ui->setupUi(this);
    // A fixed single border with the close box only: the pages are laid out for this
    // exact size.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    Paint(this, Qt::white);

    SetUpHeader();
    SetUpNavigation();
    SetUpToolbar();
    SetUpPages();
    Paint(ui->Panel4, kPanelColour, kTextColour);
    portBox = std::make_unique<PortBox>(ui->ComboBox12, ui->CheckBox1, ui->LabelConnection);
    ui->CheckBox1->setToolTip(QStringLiteral("Выбирать порт, на котором отвечает трекер"));
    // The panel is as narrow as the column: the box's caption and the line under it
    // take the column's smaller size.
    for (QWidget* small : std::initializer_list<QWidget*>{ui->CheckBox1, ui->LabelConnection})
        small->setFont(HeaderFont(10, false));
    connect(ui->Button8, &QPushButton::clicked, this, &TForm1::Button8Click);
    // The list holds the ports found; a name typed by hand is used, not added to it. Only
    // a box with the focus changes: neither the wheel passing over it nor keys meant for
    // another window pick another port.
    ui->ComboBox12->setInsertPolicy(QComboBox::NoInsert);
    ui->ComboBox12->setFocusPolicy(Qt::StrongFocus);
    ui->ComboBox12->installEventFilter(this);

    // The file and command buttons are hidden in the shipped layout; their shortcuts
    // still reach them.
    const std::pair<const char*, void (TForm1::*)()> shortcuts[] = {
        {"F5", &TForm1::SpeedButton4Click},
        {"F6", &TForm1::SpeedButton3Click},
        {"Ctrl+O", &TForm1::SpeedButton1Click},
        {"Ctrl+S", &TForm1::SpeedButton2Click},
        {"Ctrl+Shift+W", &TForm1::SpeedButton7Click},
        {"Ctrl+Shift+E", &TForm1::SpeedButton8Click},
        {"Ctrl+H", &TForm1::ShowHistory},
        {"Ctrl+Shift+G", &TForm1::ShowFleet},
        {"Ctrl+T", &TForm1::ShowStatus},
    };
    for (const auto& [keys, handler] : shortcuts) {
        connect(new QShortcut(QKeySequence(QLatin1String(keys)), this), &QShortcut::activated, this, handler);
    }

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    InitActions();
    FormCreate();
}

void TForm1::FormCreate() {
    SelectNavigation(1);
    SetUpMemos();
    Button8Click();
    // The pages start from the defaults; nothing to ask about yet.
    ApplyDefaults();
}

void TForm1::SetUpHeader() {
    Paint(ui->Panel5, kPanelColour, kTextColour);
    ui->Label34->setFont(HeaderFont(18, true));
    ui->Label35->setFont(HeaderFont(12, false));
    const QString version = QString::fromUtf8(kProgramVersion);
    ui->Label35->setText(QStringLiteral("Версия ") + version);
    ui->Label35->setToolTip(
        QStringLiteral("zort-configurator %1 (Qt %2)").arg(version, QString::fromUtf8(qVersion())));
    Paint(ui->Label35, kPanelColour, kHintColour);
    ui->Label21->setFont(HeaderFont(0, true));
    Paint(ui->Label21, kPanelColour, kTextColour);
    ui->Label21->hide();
    // Labels pass presses on to the header, but the filter must see them first so that
    // a press on the title drags the window too.
    for (QWidget* w : {static_cast<QWidget*>(ui->Panel5), static_cast<QWidget*>(ui->Label34),
                       static_cast<QWidget*>(ui->Label35), static_cast<QWidget*>(ui->Label21)}) {
        w->installEventFilter(this);
    }
    // Keep the version's baseline level with the title's.
    ui->Label35->setContentsMargins(0, 0, 0, 16);
}

void TForm1::SetUpNavigation() {
    QFrame* const panels[kNavigationEntries] = {ui->Panel8,  ui->Panel9,  ui->Panel10,
                                                ui->Panel11, ui->Panel12, ui->Panel13,
                                                ui->Panel14, ui->Panel15, ui->Panel16};
    for (int entry = 1; entry <= kNavigationEntries; ++entry) {
        // The dark panel shows through as the rule under each entry and at its right.
        Paint(panels[entry - 1], kNavigationPanelColour);
        QLabel* label = NavigationLabel(entry);
        label->setFont(NavigationFont(false));
        Paint(label, kPanelColour, kSelectedColour);
        // Tab reaches the column, the arrows walk it.
        label->setFocusPolicy(Qt::StrongFocus);
        label->installEventFilter(this);
    }
}

bool TForm1::NavigationKey(int entry, QEvent* event) {
    const auto* key = static_cast<QKeyEvent*>(event);
    int step = 0;
    if (key->key() == Qt::Key_Up) step = -1;
    if (key->key() == Qt::Key_Down) step = 1;
    if (step == 0) {
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter && key->key() != Qt::Key_Space) {
            return false;
        }
        SelectNavigation(entry);
        return true;
    }
    for (int next = entry + step; next >= 1 && next <= kNavigationEntries; next += step) {
        if (!NavigationLabel(next)->isEnabled()) continue;
        SelectNavigation(next);
        NavigationLabel(next)->setFocus(Qt::TabFocusReason);
        break;
    }
    return true;
}

void TForm1::SetUpToolbar() {
    Paint(ui->Panel17, Qt::white);
    Paint(ui->Bevel1, QColor(0xDD, 0xDB, 0xD9));
    const std::tuple<QToolButton*, QIcon, void (TForm1::*)()> buttons[] = {
        {ui->SpeedButton3, WriteToDeviceIcon(), &TForm1::SpeedButton3Click},
        {ui->SpeedButton4, ReadFromDeviceIcon(), &TForm1::SpeedButton4Click},
        {ui->SpeedButton5, RestoreDefaultsIcon(), &TForm1::SpeedButton5Click},
        {ui->SpeedButton9, HistoryIcon(), &TForm1::ShowHistory},
        {ui->SpeedButton11, StatusIcon(), &TForm1::ShowStatus},
        {ui->SpeedButton1, OpenFileIcon(), &TForm1::SpeedButton1Click},
        {ui->SpeedButton2, SaveFileIcon(), &TForm1::SpeedButton2Click},
        {ui->SpeedButton7, CommandFileIcon(), &TForm1::SpeedButton7Click},
        {ui->SpeedButton8, ServiceIcon(), &TForm1::SpeedButton8Click},
        {ui->SpeedButton10, FleetIcon(), &TForm1::ShowFleet},
    };
    for (const auto& [button, icon, handler] : buttons) {
        button->setIcon(icon);
        connect(button, &QToolButton::clicked, this, handler);
    }
    SetExpertMode(false);
}

QLabel* TForm1::NavigationLabel(int entry) const {
    QLabel* const labels[kNavigationEntries] = {ui->Label1, ui->Label2, ui->Label3, ui->Label4, ui->Label5,
                                                ui->Label6, ui->Label7, ui->Label8, ui->Label9};
    return labels[entry - 1];
}

void TForm1::HighlightNavigation(int entry) {
    if (entry < 1 || entry > kNavigationEntries) return;
    selectedEntry = entry;
    for (int i = 1; i <= kNavigationEntries; ++i) {
        if (i == entry) {
            Paint(NavigationLabel(i), kSelectedColour, kPanelColour);
        } else {
            Paint(NavigationLabel(i), kPanelColour, kSelectedColour);
        }
    }
}

void TForm1::SelectNavigation(int entry) {
    if (entry < 1 || entry > kNavigationEntries) return;
    HighlightNavigation(entry);
    ui->PageControl1->setCurrentIndex(entry - 1);
}

void TForm1::SetNavigationHover(QLabel* label, bool hovered) {
    label->setFont(NavigationFont(hovered));
}

void TForm1::SetExpertMode(bool on) {
    for (QToolButton* button :
         {ui->SpeedButton1, ui->SpeedButton2, ui->SpeedButton7, ui->SpeedButton8, ui->SpeedButton10})
        button->setVisible(on);
}

void TForm1::PreferPort(const QString& port) {
    if (port.isEmpty()) return;
    preferredPort = port;
    ui->CheckBox1->setChecked(false);
    portBox->Prefer(port);
}

std::string TForm1::SelectedPort() const {
    return portBox->Selected();
}

void TForm1::ShowPortReport(const PortReport& report) {
    portBox->Apply(report);
}

void TForm1::TrackerAnswered() {
    // A tracker slow to wake misses the search's short wait but answers a read.
    ProbeResult answered;
    answered.port = context.PortName();
    answered.state = ProbeState::kTracker;
    {
        std::lock_guard lock(context.imageMutex);
        answered.identity = context.image.Utf8Text(slot::kDeviceIdentity);
        answered.softwareVersion = context.image.Utf8Text(slot::kSoftwareVersion);
        answered.imei = context.image.Utf8Text(slot::kImei);
    }
    if (const ProbeResult* before = portBox->Found(answered.port)) answered.usb = before->usb;
    PortReport report;
    report.probed = {answered};
    portBox->Apply(report);
}

bool TForm1::HeaderMouseEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) return false;
            // Where the window system can move the window itself it also snaps and
            // keeps it on screen; elsewhere follow the mouse by hand.
            if (windowHandle() != nullptr && windowHandle()->startSystemMove()) return true;
            draggingByHand = true;
            dragOffset = mouse->globalPosition().toPoint() - pos();
            return true;
        }
        case QEvent::MouseMove:
            if (!draggingByHand) return false;
            move(static_cast<QMouseEvent*>(event)->globalPosition().toPoint() - dragOffset);
            return true;
        case QEvent::MouseButtonRelease:
            if (!draggingByHand) return false;
            draggingByHand = false;
            return true;
        default:
            return false;
    }
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui->Panel5 || watched == ui->Label34 || watched == ui->Label35) {
        return HeaderMouseEvent(event) || QWidget::eventFilter(watched, event);
    }
    if (watched == ui->Label21) {
        if (event->type() == QEvent::Enter) Paint(ui->Label21, kPanelColour, kExitHoverColour);
        if (event->type() == QEvent::Leave) Paint(ui->Label21, kPanelColour, kTextColour);
        if (IsLeftClickInside(event, ui->Label21)) {
            Label21Click();
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }
    if (watched == ui->ComboBox12 && event->type() == QEvent::Wheel && !ui->ComboBox12->hasFocus()) {
        event->ignore();
        return true;
    }
    using Handler = void (TForm1::*)();
    static constexpr Handler kClicks[] = {&TForm1::Label1Click, &TForm1::Label2Click, &TForm1::Label3Click,
                                          &TForm1::Label4Click, &TForm1::Label5Click, &TForm1::Label6Click,
                                          &TForm1::Label7Click, &TForm1::Label8Click, &TForm1::Label9Click};
    for (int entry = 1; entry <= kNavigationEntries; ++entry) {
        QLabel* label = NavigationLabel(entry);
        if (watched != label) continue;
        if (!label->isEnabled()) break;
        const QEvent::Type type = event->type();
        if (type == QEvent::Enter || type == QEvent::FocusIn) SetNavigationHover(label, true);
        if ((type == QEvent::Leave && !label->hasFocus()) || type == QEvent::FocusOut) {
            SetNavigationHover(label, false);
        }
        if (type == QEvent::KeyPress && NavigationKey(entry, event)) return true;
        if (IsLeftClickInside(event, label)) {
            (this->*kClicks[entry - 1])();
            return true;
        }
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TForm1::Label1Click() {
    SelectNavigation(1);
}
void TForm1::Label2Click() {
    SelectNavigation(2);
}
void TForm1::Label3Click() {
    SelectNavigation(3);
}
void TForm1::Label4Click() {
    SelectNavigation(4);
}
void TForm1::Label5Click() {
    SelectNavigation(5);
}
void TForm1::Label6Click() {
    SelectNavigation(6);
}
void TForm1::Label7Click() {
    SelectNavigation(7);
}
void TForm1::Label8Click() {
    SelectNavigation(8);
}
void TForm1::Label9Click() {
    SelectNavigation(9);
}

void TForm1::Label21Click() {
    // Through closing, which asks before it stops an update.
    close();
}

void TForm1::SpeedButton7Click() {
    if (form2 == nullptr) return;
    // Over the main window, where the user is looking, rather than where the window
    // system puts a new window.
    if (!form2->isVisible()) {
        form2->move(frameGeometry().center() - QRect(QPoint(), form2->frameGeometry().size()).center());
    }
    form2->show();
    form2->raise();
    form2->activateWindow();
}

}  // namespace zort
