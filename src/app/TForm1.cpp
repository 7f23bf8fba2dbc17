#include "app/TForm1.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEnterEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include "app/Icons.h"
#include "app/LookAndFeel.h"
#include "app/QtSinks.h"
#include "app/TForm2.h"
#include "sim/PtyTransport.h"
#include "sim/TrackerSimulator.h"
#include "worker/Worker.h"

namespace zort {
namespace {

// Geometry of the fixed main window: header across the top, the navigation column with
// the port chooser below it on the left, the toolbar above the pages on the right.
constexpr int kHeaderHeight = TForm1::kHeaderHeight;
constexpr int kNavigationWidth = TForm1::kNavigationWidth;
constexpr int kToolbarHeight = TForm1::kToolbarHeight;
constexpr int kNavigationEntryHeight = 46;
constexpr int kNavigationBottom = kHeaderHeight + TForm1::kNavigationEntries * kNavigationEntryHeight;

const char* const kNavigationCaptions[TForm1::kNavigationEntries] = {
    "ТЕЛЕФОН ВЛАДЕЛЬЦА\nИ PIN-код",
    "ОСНОВНЫЕ\nНАСТРОЙКИ",
    "ЧАСТОТА ВЫХОДА\nНА СВЯЗЬ",
    "ОХРАНА ПО ДАТЧИКУ\nДВИЖЕНИЯ",
    "ДОПОЛНИТЕЛЬНЫЕ НАСТРОЙКИ\nДАТЧИКА ДВИЖЕНИЯ",
    "КОНТРОЛЬ ВЫХОДА\n ИЗ ЗОНЫ ОХРАНЫ",
    "КОНТРОЛЬ ЛИЦЕВОГО\nСЧЕТА",
    "ОБНОВЛЕНИЕ ПРОГРАММНОГО\nОБЕСПЕЧЕНИЯ",
    "",
};

QFont NavigationFont(bool hovered) {
    QFont font = BaseFont();
    font.setPixelSize(10);
    font.setBold(true);
    font.setUnderline(hovered);
    return font;
}

QToolButton* SpeedButton(QWidget* parent, const char* name, const QIcon& icon, const QString& hint) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setIcon(icon);
    button->setIconSize(QSize(28, 28));
    button->setFixedSize(38, 38);
    button->setAutoRaise(true);
    button->setToolTip(hint);
    return button;
}

bool IsLeftClickInside(QEvent* event, QWidget* widget) {
    if (event->type() != QEvent::MouseButtonRelease) return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    return mouse->button() == Qt::LeftButton && widget->rect().contains(mouse->position().toPoint());
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Конфигуратор"));
    // A fixed single border with the close box only: the pages are laid out for this
    // exact size.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(kClientWidth, kClientHeight);
    Paint(this, Qt::white);

    BuildHeader();
    BuildNavigation();
    BuildToolbar();
    BuildPages();
    BuildPortPanel();

    // The file and command buttons are hidden in the shipped layout; their shortcuts
    // still reach them.
    connect(new QShortcut(QKeySequence(QStringLiteral("Ctrl+O")), this), &QShortcut::activated, this,
            &TForm1::SpeedButton1Click);
    connect(new QShortcut(QKeySequence(QStringLiteral("Ctrl+S")), this), &QShortcut::activated, this,
            &TForm1::SpeedButton2Click);
    connect(new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+W")), this), &QShortcut::activated, this,
            &TForm1::SpeedButton7Click);
    connect(new QShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+E")), this), &QShortcut::activated, this,
            &TForm1::SpeedButton8Click);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    InitActions();
    FormCreate();
}

void TForm1::FormCreate() {
    SelectNavigation(1);
    JustifyMemos();
    Button8Click();
    SpeedButton5Click();
}

void TForm1::BuildHeader() {
    Panel5 = new QFrame(this);
    Panel5->setObjectName(QStringLiteral("Panel5"));
    Panel5->setGeometry(0, 0, kClientWidth, kHeaderHeight);
    Paint(Panel5, kPanelColour, kTextColour);

    Label34 = new QLabel(QStringLiteral("Конфигуратор ЗОРТ Z100 / Z110 / Z410"), Panel5);
    Label34->setObjectName(QStringLiteral("Label34"));
    QFont title = BaseFont();
    title.setPixelSize(18);
    title.setBold(true);
    Label34->setFont(title);

    Label35 = new QLabel(QStringLiteral("Версия 1.3"), Panel5);
    Label35->setObjectName(QStringLiteral("Label35"));
    QFont version = BaseFont();
    version.setPixelSize(12);
    Label35->setFont(version);
    Paint(Label35, kPanelColour, kHintColour);

    Label21 = new QLabel(QStringLiteral("ВЫХОД"), Panel5);
    Label21->setObjectName(QStringLiteral("Label21"));
    QFont exit = BaseFont();
    exit.setBold(true);
    Label21->setFont(exit);
    Label21->setCursor(Qt::PointingHandCursor);
    Paint(Label21, kPanelColour, kTextColour);
    Label21->hide();

    auto* row = new QHBoxLayout(Panel5);
    row->setContentsMargins(16, 0, 16, 0);
    row->setSpacing(14);
    row->addWidget(Label34, 0, Qt::AlignVCenter);
    row->addWidget(Label35, 0, Qt::AlignBottom);
    row->addStretch();
    row->addWidget(Label21, 0, Qt::AlignVCenter);
    // Labels pass presses on to the header, but the filter must see them first so that
    // a press on the title drags the window too.
    for (QWidget* w :
         {static_cast<QWidget*>(Panel5), static_cast<QWidget*>(Label34), static_cast<QWidget*>(Label35)}) {
        w->installEventFilter(this);
    }
    Label21->installEventFilter(this);
    // Keep the version's baseline level with the title's.
    Label35->setContentsMargins(0, 0, 0, 16);
}

void TForm1::BuildNavigation() {
    QLabel** labels[kNavigationEntries] = {&Label1, &Label2, &Label3, &Label4, &Label5,
                                           &Label6, &Label7, &Label8, &Label9};
    for (int i = 0; i < kNavigationEntries; ++i) {
        auto* panel = new QFrame(this);
        panel->setObjectName(QStringLiteral("Panel%1").arg(8 + i));
        panel->setGeometry(0, kHeaderHeight + i * kNavigationEntryHeight, kNavigationWidth,
                           kNavigationEntryHeight);
        Paint(panel, kNavigationPanelColour);
        navigationPanels[static_cast<size_t>(i)] = panel;

        auto* label = new QLabel(QString::fromUtf8(kNavigationCaptions[i]), panel);
        label->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        label->setAlignment(Qt::AlignCenter);
        label->setFont(NavigationFont(false));
        Paint(label, kPanelColour, kSelectedColour);
        // The dark panel shows through as the rule under each entry and at its right.
        auto* fill = new QVBoxLayout(panel);
        fill->setContentsMargins(0, 0, 1, 1);
        fill->addWidget(label);
        *labels[i] = label;
        if (i == kNavigationEntries - 1) {
            label->setEnabled(false);
        } else {
            label->setCursor(Qt::PointingHandCursor);
            label->installEventFilter(this);
        }
    }
}

void TForm1::BuildToolbar() {
    Panel17 = new QFrame(this);
    Panel17->setObjectName(QStringLiteral("Panel17"));
    Panel17->setGeometry(kNavigationWidth, kHeaderHeight, kClientWidth - kNavigationWidth, kToolbarHeight);
    Paint(Panel17, Qt::white);

    SpeedButton3 = SpeedButton(Panel17, "SpeedButton3", WriteToDeviceIcon(),
                               QStringLiteral("Записать настройки в устройство"));
    SpeedButton4 = SpeedButton(Panel17, "SpeedButton4", ReadFromDeviceIcon(),
                               QStringLiteral("Прочитать настройки из устройства"));
    SpeedButton5 = SpeedButton(Panel17, "SpeedButton5", RestoreDefaultsIcon(),
                               QStringLiteral("Восстановить значения по умолчанию"));
    SpeedButton1 =
        SpeedButton(Panel17, "SpeedButton1", OpenFileIcon(), QStringLiteral("Загрузить настройки из файла"));
    SpeedButton2 =
        SpeedButton(Panel17, "SpeedButton2", SaveFileIcon(), QStringLiteral("Сохранить настройки в файл"));
    SpeedButton7 =
        SpeedButton(Panel17, "SpeedButton7", CommandFileIcon(), QStringLiteral("Создать команду WIALON"));
    SpeedButton8 = SpeedButton(Panel17, "SpeedButton8", ServiceIcon(), QStringLiteral("Сервисные функции"));

    auto* column = new QVBoxLayout(Panel17);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(8, 2, 8, 2);
    row->setSpacing(4);
    row->addWidget(SpeedButton3);
    row->addWidget(SpeedButton4);
    row->addWidget(SpeedButton5);
    row->addSpacing(14);
    row->addWidget(SpeedButton1);
    row->addWidget(SpeedButton2);
    row->addWidget(SpeedButton7);
    row->addWidget(SpeedButton8);
    row->addStretch();
    column->addLayout(row);
    auto* rule = new QFrame(Panel17);
    rule->setFixedHeight(1);
    Paint(rule, QColor(0xDD, 0xDB, 0xD9));
    column->addWidget(rule);

    for (QToolButton* hidden : {SpeedButton1, SpeedButton2, SpeedButton7, SpeedButton8}) hidden->hide();

    connect(SpeedButton3, &QToolButton::clicked, this, &TForm1::SpeedButton3Click);
    connect(SpeedButton4, &QToolButton::clicked, this, &TForm1::SpeedButton4Click);
    connect(SpeedButton5, &QToolButton::clicked, this, &TForm1::SpeedButton5Click);
    connect(SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &TForm1::SpeedButton2Click);
    connect(SpeedButton7, &QToolButton::clicked, this, &TForm1::SpeedButton7Click);
    connect(SpeedButton8, &QToolButton::clicked, this, &TForm1::SpeedButton8Click);
}

void TForm1::BuildPortPanel() {
    Panel4 = new QFrame(this);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setGeometry(0, kNavigationBottom, kNavigationWidth, kClientHeight - kNavigationBottom);
    Paint(Panel4, kPanelColour, kTextColour);

    auto* caption = new QLabel(QStringLiteral("Порт подключения устройства:"), Panel4);
    ComboBox12 = new QComboBox(Panel4);
    ComboBox12->setObjectName(QStringLiteral("ComboBox12"));
    // Typing is allowed so that a port the list does not show can still be named.
    ComboBox12->setEditable(true);
    Button8 = new QPushButton(QStringLiteral("Перечислить COM - порты"), Panel4);
    Button8->setObjectName(QStringLiteral("Button8"));
    CheckBox1 = new QCheckBox(QStringLiteral("Определить порт автоматически"), Panel4);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setChecked(true);
    CheckBox1->hide();

    auto* column = new QVBoxLayout(Panel4);
    column->setContentsMargins(12, 10, 12, 12);
    column->setSpacing(6);
    column->addWidget(caption);
    column->addWidget(ComboBox12);
    column->addWidget(Button8);
    column->addWidget(CheckBox1);
    column->addStretch();

    connect(Button8, &QPushButton::clicked, this, &TForm1::Button8Click);
}

QLabel* TForm1::NavigationLabel(int entry) const {
    const std::array<QLabel*, kNavigationEntries> labels = {Label1, Label2, Label3, Label4, Label5,
                                                            Label6, Label7, Label8, Label9};
    return labels[static_cast<size_t>(entry - 1)];
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
    PageControl1->setCurrentIndex(entry - 1);
}

void TForm1::SetNavigationHover(QLabel* label, bool hovered) {
    label->setFont(NavigationFont(hovered));
}

void TForm1::SetExpertMode(bool on) {
    for (QToolButton* button : {SpeedButton1, SpeedButton2, SpeedButton7, SpeedButton8})
        button->setVisible(on);
}

void TForm1::PreferPort(const QString& port) {
    if (port.isEmpty()) return;
    preferredPort = port;
    const int existing = ComboBox12->findText(port);
    if (existing >= 0) ComboBox12->removeItem(existing);
    ComboBox12->insertItem(0, port);
    ComboBox12->setCurrentIndex(0);
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
    if (watched == Panel5 || watched == Label34 || watched == Label35) {
        return HeaderMouseEvent(event) || QWidget::eventFilter(watched, event);
    }
    if (watched == Label21) {
        if (event->type() == QEvent::Enter) Paint(Label21, kPanelColour, kExitHoverColour);
        if (event->type() == QEvent::Leave) Paint(Label21, kPanelColour, kTextColour);
        if (IsLeftClickInside(event, Label21)) {
            Label21Click();
            return true;
        }
        return QWidget::eventFilter(watched, event);
    }
    using Handler = void (TForm1::*)();
    static constexpr Handler kClicks[] = {&TForm1::Label1Click, &TForm1::Label2Click, &TForm1::Label3Click,
                                          &TForm1::Label4Click, &TForm1::Label5Click, &TForm1::Label6Click,
                                          &TForm1::Label7Click, &TForm1::Label8Click};
    for (int entry = 1; entry <= kNavigationEntries - 1; ++entry) {
        QLabel* label = NavigationLabel(entry);
        if (watched != label) continue;
        if (event->type() == QEvent::Enter) SetNavigationHover(label, true);
        if (event->type() == QEvent::Leave) SetNavigationHover(label, false);
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

void TForm1::Label21Click() {
    QCoreApplication::quit();
}

void TForm1::SpeedButton7Click() {
    if (form2 == nullptr) return;
    form2->show();
    form2->raise();
    form2->activateWindow();
}

}  // namespace zort
