// The nine pages of the main window: the settings controls, grouped as the tracker's
// owner thinks of them, each group with a short help text.

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTextDocument>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/Icons.h"
#include "app/KeyFilter.h"
#include "app/LookAndFeel.h"
#include "app/MemoJustify.h"
#include "app/TForm1.h"
#include "settings/PageChoices.h"

namespace zort {
namespace {

constexpr int kPageMargin = 10;
constexpr int kGroupGap = 8;
constexpr int kGroupPadding = 9;
constexpr int kPageWidth = TForm1::kClientWidth - TForm1::kNavigationWidth;
constexpr int kGroupWidth = kPageWidth - 2 * kPageMargin;
constexpr int kHalfGroupWidth = (kGroupWidth - kGroupGap) / 2;
// Room a memo keeps beside its text: the justification stops this far from the edge.
constexpr int kMemoInnerMargin = 12;
constexpr int kRowHeight = 18;  // summary table
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

// Pages are created inside the page control so that their groups measure themselves with
// its style sheet from the start.
QWidget* NewPage(QStackedWidget* pages, const char* name) {
    auto* page = new QWidget(pages);
    page->setObjectName(QLatin1String(name));
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(kPageMargin, kPageMargin - 2, kPageMargin, kPageMargin - 2);
    column->setSpacing(kGroupGap);
    return page;
}

QVBoxLayout* PageColumn(QWidget* page) {
    return static_cast<QVBoxLayout*>(page->layout());
}

QGroupBox* Group(QWidget* parent, const char* name, const QString& title) {
    auto* group = new QGroupBox(title, parent);
    group->setObjectName(QLatin1String(name));
    return group;
}

// The width inside `group`'s padding when the group is `groupWidth` wide.
int ContentWidth(const QGroupBox* group, int groupWidth) {
    const QMargins frame = group->contentsMargins();
    return groupWidth - frame.left() - frame.right() - 2 * kGroupPadding;
}

void PadGroup(QBoxLayout* layout) {
    layout->setContentsMargins(kGroupPadding, 2, kGroupPadding, 6);
}

QVBoxLayout* GroupColumn(QGroupBox* group) {
    auto* column = new QVBoxLayout(group);
    PadGroup(column);
    column->setSpacing(6);
    return column;
}

QGridLayout* Grid() {
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    return grid;
}

// A row of widgets from the left, the rest of the line left empty.
QHBoxLayout* Row(std::initializer_list<QWidget*> widgets, int spacing = 6) {
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(spacing);
    for (QWidget* widget : widgets) row->addWidget(widget);
    row->addStretch();
    return row;
}

QLabel* Caption(QWidget* parent, const QString& text) {
    return new QLabel(text, parent);
}

QLineEdit* LineEdit(QWidget* parent, const char* name, int width) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setFixedWidth(width);
    return edit;
}

// A drop-down list filled with the entries the settings model knows for `name`.
QComboBox* Choices(QWidget* parent, const char* name, int width) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    for (const std::string& entry : ComboBoxChoices(name)) box->addItem(QString::fromStdString(entry));
    box->setFixedWidth(width);
    box->setMaxVisibleItems(16);
    return box;
}

QRadioButton* Radio(QWidget* parent, const char* name, const QString& text) {
    auto* radio = new QRadioButton(text, parent);
    radio->setObjectName(QLatin1String(name));
    return radio;
}

QCheckBox* Check(QWidget* parent, const char* name, const QString& text) {
    auto* check = new QCheckBox(text, parent);
    check->setObjectName(QLatin1String(name));
    return check;
}

// A read-only help text of fixed width, broken into lines here rather than by the edit
// so that the lines can later be justified one by one.
QPlainTextEdit* Memo(QWidget* parent, const char* name, const QString& text, int width) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(QLatin1String(name));
    memo->setReadOnly(true);
    memo->setTextInteractionFlags(Qt::NoTextInteraction);
    memo->setFocusPolicy(Qt::NoFocus);
    memo->setFrameShape(QFrame::NoFrame);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo->viewport()->setCursor(Qt::ArrowCursor);
    memo->setContextMenuPolicy(Qt::NoContextMenu);
    QPalette palette = memo->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Text, kHintColour);
    memo->setPalette(palette);
    memo->viewport()->setAutoFillBackground(false);
    // Text flush with the controls above it; the justification keeps its own margin.
    memo->document()->setDocumentMargin(0);
    memo->setFixedWidth(width);
    // An edit wants all the height it can get; this one only the height of its lines.
    memo->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    const TextWidthFn measure = Measure(memo);
    const int lineWidth = width - kMemoInnerMargin - measure(QStringLiteral(" "));
    memo->setPlainText(WrapMemoText(text, lineWidth, measure).join(QLatin1Char('\n')));
    FitMemoHeight(memo);
    return memo;
}

}  // namespace

void TForm1::BuildPages() {
    PageControl1 = new QStackedWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(kNavigationWidth, kHeaderHeight + kToolbarHeight, kPageWidth,
                              kClientHeight - kHeaderHeight - kToolbarHeight);
    // Titles set into the frame line, as on the desktop the owners know; a title above
    // the frame would cost every group a line the pages cannot spare.
    PageControl1->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid #D3D0CD; border-radius: 3px; margin-top: 7px;"
        " padding-top: 8px; font-weight: bold; }"
        "QGroupBox::title { subcontrol-origin: margin; left: 9px; padding: 0 3px; color: #407DA1; }"));
    PageControl1->addWidget(BuildOwnerPage());
    PageControl1->addWidget(BuildMainSettingsPage());
    PageControl1->addWidget(BuildContactPage());
    PageControl1->addWidget(BuildGuardPage());
    PageControl1->addWidget(BuildSensorPage());
    PageControl1->addWidget(BuildGeofencePage());
    PageControl1->addWidget(BuildBalancePage());
    PageControl1->addWidget(BuildFirmwarePage());
    PageControl1->addWidget(BuildSummaryPage());
}

QWidget* TForm1::BuildOwnerPage() {
    QWidget* page = NewPage(PageControl1, "TabSheet1");

    GroupBox1 = Group(page, "GroupBox1", QStringLiteral("Номер телефона владельца"));
    Edit1 = LineEdit(GroupBox1, "Edit1", 190);
    KeyFilter::Install(Edit1, kPhoneCharacters);
    Memo1 = Memo(GroupBox1, "Memo1",
                 QStringLiteral("На этот номер устройство присылает SMS-сообщения с координатами и "
                                "оповещения о срабатывании охраны. Номер вводится в международном "
                                "формате, начиная со знака «+», например +79161234567. Пока номер не "
                                "указан, устройству некуда отправлять SMS-сообщения.\n"),
                 ContentWidth(GroupBox1, kGroupWidth));
    QVBoxLayout* owner = GroupColumn(GroupBox1);
    owner->addLayout(Row({Edit1}));
    owner->addWidget(Memo1);

    GroupBox2 = Group(page, "GroupBox2", QStringLiteral("Пароль"));
    auto* pinCaption = Caption(GroupBox2, QStringLiteral("Назначьте пароль (4 цифры) :"));
    Edit2 = LineEdit(GroupBox2, "Edit2", 60);
    Edit2->setMaxLength(4);
    KeyFilter::Install(Edit2, kDigits);
    pinCaption->setBuddy(Edit2);
    Memo2 = Memo(GroupBox2, "Memo2",
                 QStringLiteral("PIN-код из четырёх цифр защищает устройство от управления посторонними. "
                                "Сообщайте его только тем, кому доверяете управление устройством, и храните "
                                "запись с паролем отдельно от него.\n"),
                 ContentWidth(GroupBox2, kGroupWidth));
    QVBoxLayout* pin = GroupColumn(GroupBox2);
    pin->addLayout(Row({pinCaption, Edit2}));
    pin->addWidget(Memo2);

    PageColumn(page)->addWidget(GroupBox1);
    PageColumn(page)->addWidget(GroupBox2);
    PageColumn(page)->addStretch();
    return page;
}

QWidget* TForm1::BuildMainSettingsPage() {
    QWidget* page = NewPage(PageControl1, "TabSheet2");

    GroupBox3 = Group(page, "GroupBox3", QStringLiteral("Часовой пояс"));
    ComboBox1 = Choices(GroupBox3, "ComboBox1", 190);
    Memo3 = Memo(GroupBox3, "Memo3", QStringLiteral("Пояс, по которому идут часы."),
                 ContentWidth(GroupBox3, kHalfGroupWidth));
    QVBoxLayout* zone = GroupColumn(GroupBox3);
    zone->addLayout(Row({ComboBox1}));
    zone->addWidget(Memo3);

    GroupBox4 = Group(page, "GroupBox4", QStringLiteral("Основное время выхода на связь"));
    ComboBox2 = Choices(GroupBox4, "ComboBox2", 54);
    ComboBox3 = Choices(GroupBox4, "ComboBox3", 54);
    Memo4 = Memo(GroupBox4, "Memo4", QStringLiteral("Ежедневный сеанс связи."),
                 ContentWidth(GroupBox4, kHalfGroupWidth));
    QVBoxLayout* session = GroupColumn(GroupBox4);
    session->addLayout(Row({ComboBox2, Caption(GroupBox4, QStringLiteral(":")), ComboBox3}, 4));
    session->addWidget(Memo4);

    GroupBox5 = Group(page, "GroupBox5", QStringLiteral("Формат присылаемых координат"));
    RadioButton1 = Radio(GroupBox5, "RadioButton1", QStringLiteral("DD,DDDDD°"));
    RadioButton2 = Radio(GroupBox5, "RadioButton2", QStringLiteral("DD° MM,MMM'"));
    RadioButton12 = Radio(GroupBox5, "RadioButton12", QStringLiteral("DD° MM' SS,SS''"));
    RadioButton13 =
        Radio(GroupBox5, "RadioButton13", QStringLiteral("Активная интернет-ссылка ( для смартфонов ) "));
    RadioButton1->setChecked(true);
    Memo5 = Memo(GroupBox5, "Memo5",
                 QStringLiteral("Так координаты записываются в SMS; ссылка открывает карту на смартфоне."),
                 ContentWidth(GroupBox5, kGroupWidth));
    QGridLayout* formats = Grid();
    formats->setVerticalSpacing(2);
    formats->addWidget(RadioButton1, 0, 0);
    formats->addWidget(RadioButton2, 1, 0);
    formats->addWidget(RadioButton12, 0, 1);
    formats->addWidget(RadioButton13, 1, 1);
    formats->setColumnMinimumWidth(0, 150);
    formats->setColumnStretch(2, 1);
    QVBoxLayout* format = GroupColumn(GroupBox5);
    format->addLayout(formats);
    format->addWidget(Memo5);

    GroupBox6 = Group(page, "GroupBox6", QStringLiteral("Способ передачи данных пользователю"));
    ComboBox19 = Choices(GroupBox6, "ComboBox19", 180);
    ComboBox19->setEditable(true);
    Edit7 = LineEdit(GroupBox6, "Edit7", 180);
    Edit8 = LineEdit(GroupBox6, "Edit8", 70);
    KeyFilter::Install(Edit8, kDigits);
    QGridLayout* delivery = Grid();
    delivery->addWidget(Caption(GroupBox6, QStringLiteral("Режим:")), 0, 0);
    delivery->addWidget(ComboBox19, 0, 1);
    delivery->addWidget(Caption(GroupBox6, QStringLiteral("IP или домен:")), 1, 0);
    delivery->addWidget(Edit7, 1, 1);
    delivery->addWidget(Caption(GroupBox6, QStringLiteral("Порт:")), 2, 0);
    delivery->addWidget(Edit8, 2, 1, Qt::AlignLeft);
    const int deliveryWidth = delivery->sizeHint().width();
    Memo6 = Memo(GroupBox6, "Memo6",
                 QStringLiteral("Координаты приходят по SMS на номер владельца, на сервер мониторинга "
                                "ZORT или в оба адреса сразу. Для сервера укажите его IP-адрес или "
                                "доменное имя и порт.\n"),
                 ContentWidth(GroupBox6, kGroupWidth) - deliveryWidth - 2 * kGroupPadding);
    auto* deliveryRow = new QHBoxLayout(GroupBox6);
    PadGroup(deliveryRow);
    deliveryRow->setSpacing(2 * kGroupPadding);
    deliveryRow->addLayout(delivery);
    deliveryRow->addWidget(Memo6, 0, Qt::AlignTop);

    GroupBox7 = Group(page, "GroupBox7",
                      QStringLiteral("Передача данных на дополнительный сервер (протокол WIALON IPS 2.0)"));
    CheckBox3 =
        Check(GroupBox7, "CheckBox3", QStringLiteral("Включить передачу по протоколу Wialon IPS 2.0 "));
    Edit5 = LineEdit(GroupBox7, "Edit5", 140);
    Edit9 = LineEdit(GroupBox7, "Edit9", 60);
    Edit10 = LineEdit(GroupBox7, "Edit10", 140);
    QGridLayout* wialon = Grid();
    wialon->addWidget(CheckBox3, 0, 0, 1, 4);
    wialon->addWidget(Caption(GroupBox7, QStringLiteral("IP/домен сервера")), 1, 0);
    wialon->addWidget(Edit5, 1, 1);
    wialon->addWidget(Caption(GroupBox7, QStringLiteral("Порт сервера")), 1, 2);
    wialon->addWidget(Edit9, 1, 3);
    wialon->addWidget(Caption(GroupBox7, QStringLiteral("Пароль для доступа к серверу")), 2, 0);
    wialon->addWidget(Edit10, 2, 1);
    wialon->setColumnStretch(4, 1);
    Memo7 = Memo(GroupBox7, "Memo7",
                 QStringLiteral("Копия данных уходит на сервер любой системы мониторинга, которая работает "
                                "по протоколу Wialon IPS 2.0. Пароль заполняйте, только если его требует "
                                "сервер.\n"),
                 ContentWidth(GroupBox7, kGroupWidth));
    QVBoxLayout* wialonColumn = GroupColumn(GroupBox7);
    wialonColumn->addLayout(wialon);
    wialonColumn->addWidget(Memo7);

    auto* top = new QHBoxLayout;
    top->setSpacing(kGroupGap);
    top->addWidget(GroupBox3);
    top->addWidget(GroupBox4);
    PageColumn(page)->addLayout(top);
    PageColumn(page)->addWidget(GroupBox5);
    PageColumn(page)->addWidget(GroupBox6);
    PageColumn(page)->addWidget(GroupBox7);
    PageColumn(page)->addStretch();
    return page;
}

QWidget* TForm1::BuildContactPage() {
    QWidget* page = NewPage(PageControl1, "TabSheet3");

    GroupBox8 = Group(page, "GroupBox8", QStringLiteral("Период определения координат"));
    ComboBox16 = Choices(GroupBox8, "ComboBox16", 130);
    Memo8 = Memo(GroupBox8, "Memo8",
                 QStringLiteral("Раз в сколько суток устройство определяет своё местоположение. Чем реже, "
                                "тем дольше работает батарея."),
                 ContentWidth(GroupBox8, kGroupWidth));
    QVBoxLayout* period = GroupColumn(GroupBox8);
    period->addLayout(Row({ComboBox16}));
    period->addWidget(Memo8);

    GroupBox9 = Group(page, "GroupBox9", QStringLiteral("Частота выхода на связь"));
    RadioButton3 = Radio(GroupBox9, "RadioButton3", QStringLiteral("Каждые 24 часа (рекомендуется)"));
    RadioButton4 = Radio(GroupBox9, "RadioButton4", QStringLiteral("Каждые 12 часов"));
    RadioButton5 = Radio(GroupBox9, "RadioButton5", QStringLiteral("Каждые 8 часов"));
    RadioButton3->setChecked(true);
    Memo9 = Memo(GroupBox9, "Memo9",
                 QStringLiteral("Каждый сеанс связи расходует заряд: чем чаще устройство выходит на связь, "
                                "тем быстрее садится батарея."),
                 ContentWidth(GroupBox9, kGroupWidth));
    QVBoxLayout* frequency = GroupColumn(GroupBox9);
    frequency->setSpacing(2);
    frequency->addWidget(RadioButton3);
    frequency->addWidget(RadioButton4);
    frequency->addWidget(RadioButton5);
    frequency->addSpacing(4);
    frequency->addWidget(Memo9);

    PageColumn(page)->addWidget(GroupBox8);
    PageColumn(page)->addWidget(GroupBox9);
    PageColumn(page)->addStretch();
    return page;
}

QWidget* TForm1::BuildGuardPage() {
    QWidget* page = NewPage(PageControl1, "TabSheet4");

    GroupBox10 = Group(page, "GroupBox10", QStringLiteral("Режим работы датчика движения"));
    RadioButton8 = Radio(GroupBox10, "RadioButton8", QStringLiteral("Датчик движения отключен"));
    RadioButton9 = Radio(GroupBox10, "RadioButton9", QStringLiteral("Датчик движения включен всегда"));
    RadioButton10 =
        Radio(GroupBox10, "RadioButton10", QStringLiteral("Датчик движения работает в интервале времени №1"));
    RadioButton11 = Radio(GroupBox10, "RadioButton11",
                          QStringLiteral("Датчик движения работает в интервалах времени №1 и №2 "));
    RadioButton8->setChecked(true);
    Memo24 = Memo(GroupBox10, "Memo24",
                  QStringLiteral("Когда охрана включена, устройство просыпается от датчика движения и "
                                 "сообщает владельцу о перемещении. Охрана может действовать постоянно или "
                                 "только в заданные интервалы времени, например ночью, пока автомобиль "
                                 "стоит на стоянке.\n"),
                  ContentWidth(GroupBox10, kGroupWidth));
    QVBoxLayout* mode = GroupColumn(GroupBox10);
    mode->setSpacing(2);
    for (QRadioButton* radio : {RadioButton8, RadioButton9, RadioButton10, RadioButton11})
        mode->addWidget(radio);
    mode->addSpacing(4);
    mode->addWidget(Memo24);

    struct Interval {
        QGroupBox** group;
        const char* name;
        const char* title;
        std::array<QComboBox**, 4> boxes;
        std::array<const char*, 4> names;
        QPlainTextEdit** memo;
        const char* memoName;
        const char* help;
    };
    const Interval intervals[] = {
        {&GroupBox11,
         "GroupBox11",
         "Интервал времени № 1",
         {&ComboBox4, &ComboBox5, &ComboBox6, &ComboBox7},
         {"ComboBox4", "ComboBox5", "ComboBox6", "ComboBox7"},
         &Memo10,
         "Memo10",
         "Интервал может переходить через полночь."},
        {&GroupBox12,
         "GroupBox12",
         "Интервал времени № 2",
         {&ComboBox8, &ComboBox9, &ComboBox10, &ComboBox11},
         {"ComboBox8", "ComboBox9", "ComboBox10", "ComboBox11"},
         &Memo11,
         "Memo11",
         "Действует в режиме с двумя интервалами."},
    };
    auto* intervalRow = new QHBoxLayout;
    intervalRow->setSpacing(kGroupGap);
    for (const Interval& interval : intervals) {
        QGroupBox* group = Group(page, interval.name, QString::fromUtf8(interval.title));
        *interval.group = group;
        for (size_t i = 0; i < 4; ++i) *interval.boxes[i] = Choices(group, interval.names[i], 54);
        *interval.memo = Memo(group, interval.memoName, QString::fromUtf8(interval.help),
                              ContentWidth(group, kHalfGroupWidth));
        QGridLayout* bounds = Grid();
        bounds->setHorizontalSpacing(4);
        const char* const edges[2] = {"с", "до"};
        for (int edge = 0; edge < 2; ++edge) {
            bounds->addWidget(Caption(group, QString::fromUtf8(edges[edge])), edge, 0);
            bounds->addWidget(*interval.boxes[2 * edge], edge, 1);
            bounds->addWidget(Caption(group, QStringLiteral(":")), edge, 2);
            bounds->addWidget(*interval.boxes[2 * edge + 1], edge, 3);
        }
        bounds->setColumnMinimumWidth(0, 20);
        bounds->setColumnStretch(4, 1);
        QVBoxLayout* column = GroupColumn(group);
        column->addLayout(bounds);
        column->addWidget(*interval.memo);
        intervalRow->addWidget(group);
    }

    PageColumn(page)->addWidget(GroupBox10);
    PageColumn(page)->addLayout(intervalRow);
    PageColumn(page)->addStretch();
    return page;
}

QWidget* TForm1::BuildSensorPage() {
    QWidget* page = NewPage(PageControl1, "TabSheet5");

    GroupBox13 = Group(page, "GroupBox13", QStringLiteral("Тайм-аут датчика движения"));
    ComboBox13 = Choices(GroupBox13, "ComboBox13", 70);
    Memo13 = Memo(GroupBox13, "Memo13",
                  QStringLiteral("Пауза после срабатывания датчика, в течение которой новое движение не "
                                 "вызывает повторного оповещения."),
                  ContentWidth(GroupBox13, kGroupWidth));
    QVBoxLayout* timeout = GroupColumn(GroupBox13);
    timeout->addLayout(Row({ComboBox13}));
    timeout->addWidget(Memo13);

    GroupBox14 = Group(page, "GroupBox14", QStringLiteral("Защита от ложных срабатываний датчика движения"));
    CheckBox2 = Check(GroupBox14, "CheckBox2", QStringLiteral("Включить защиту"));
    Memo14 = Memo(GroupBox14, "Memo14",
                  QStringLiteral("Защита отсеивает случайные толчки и вибрацию: оповещение приходит, только "
                                 "если движение продолжается. Включите её, если устройство находится там, "
                                 "где возможны удары и сотрясения, например в автомобиле на стоянке у "
                                 "оживлённой дороги.\n"),
                  ContentWidth(GroupBox14, kGroupWidth));
    QVBoxLayout* protection = GroupColumn(GroupBox14);
    protection->addWidget(CheckBox2);
    protection->addWidget(Memo14);

    GroupBox15 = Group(page, "GroupBox15", QStringLiteral("Амплитуда воздействия на датчик движения"));
    ComboBox14 = Choices(GroupBox15, "ComboBox14", 250);
    Memo15 = Memo(GroupBox15, "Memo15",
                  QStringLiteral("Сила толчка, на которую откликается датчик: чем меньше число, тем выше "
                                 "чувствительность."),
                  ContentWidth(GroupBox15, kGroupWidth));
    QVBoxLayout* amplitude = GroupColumn(GroupBox15);
    amplitude->addLayout(Row({ComboBox14}));
    amplitude->addWidget(Memo15);

    GroupBox16 = Group(page, "GroupBox16", QStringLiteral("Длительность воздействия на датчик движения "));
    ComboBox15 = Choices(GroupBox16, "ComboBox15", 280);
    Memo16 = Memo(GroupBox16, "Memo16",
                  QStringLiteral("Сколько должно длиться воздействие, чтобы датчик сработал: чем короче, тем "
                                 "выше чувствительность."),
                  ContentWidth(GroupBox16, kGroupWidth));
    QVBoxLayout* duration = GroupColumn(GroupBox16);
    duration->addLayout(Row({ComboBox15}));
    duration->addWidget(Memo16);
    GroupBox16->hide();

    PageColumn(page)->addWidget(GroupBox13);
    PageColumn(page)->addWidget(GroupBox14);
    PageColumn(page)->addWidget(GroupBox15);
    PageColumn(page)->addWidget(GroupBox16);
    PageColumn(page)->addStretch();
    return page;
}

QWidget* TForm1::BuildGeofencePage() {
    QWidget* page = NewPage(PageControl1, "TabSheet6");

    GroupBox17 = Group(page, "GroupBox17", QStringLiteral("Контроль выхода из зоны охраны"));
    ComboBox18 = Choices(GroupBox17, "ComboBox18", 170);
    auto* diameterCaption = Caption(GroupBox17, QStringLiteral("Задайте диаметр зоны охраны (1-999 км)"));
    Edit6 = LineEdit(GroupBox17, "Edit6", 50);
    Edit6->setMaxLength(3);
    KeyFilter::Install(Edit6, kDigits);
    diameterCaption->setBuddy(Edit6);
    Memo17 = Memo(GroupBox17, "Memo17",
                  QStringLiteral("Устройство запоминает место, где включён контроль, и сообщает владельцу, "
                                 "когда оказывается за пределами зоны заданного диаметра. Выберите режим "
                                 "контроля и укажите диаметр зоны от 1 до 999 километров.\n"),
                  ContentWidth(GroupBox17, kGroupWidth));
    QVBoxLayout* geofence = GroupColumn(GroupBox17);
    geofence->addLayout(Row({ComboBox18}));
    geofence->addLayout(Row({diameterCaption, Edit6}));
    geofence->addWidget(Memo17);

    PageColumn(page)->addWidget(GroupBox17);
    PageColumn(page)->addStretch();
    return page;
}

QWidget* TForm1::BuildBalancePage() {
    QWidget* page = NewPage(PageControl1, "TabSheet7");

    GroupBox18 = Group(page, "GroupBox18", QStringLiteral("Порог остатка средств на лицевом счете"));
    Edit3 = LineEdit(GroupBox18, "Edit3", 90);
    Memo18 = Memo(GroupBox18, "Memo18",
                  QStringLiteral("Когда на счёте SIM-карты останется меньше этой суммы, устройство "
                                 "предупредит владельца."),
                  ContentWidth(GroupBox18, kGroupWidth));
    QVBoxLayout* threshold = GroupColumn(GroupBox18);
    threshold->addLayout(Row({Edit3}));
    threshold->addWidget(Memo18);

    GroupBox19 = Group(page, "GroupBox19", QStringLiteral("Код запроса баланса"));
    RadioButton6 = Radio(GroupBox19, "RadioButton6", QStringLiteral("Определять автоматически"));
    RadioButton7 = Radio(GroupBox19, "RadioButton7", QStringLiteral("Задать явно"));
    RadioButton6->setChecked(true);
    Edit4 = LineEdit(GroupBox19, "Edit4", 130);
    Memo19 = Memo(GroupBox19, "Memo19",
                  QStringLiteral("USSD-запрос, которым устройство узнаёт баланс, например *100#. Обычно "
                                 "его можно определять автоматически."),
                  ContentWidth(GroupBox19, kGroupWidth));
    QVBoxLayout* code = GroupColumn(GroupBox19);
    code->setSpacing(2);
    code->addWidget(RadioButton6);
    code->addLayout(Row({RadioButton7, Edit4}, 10));
    code->addSpacing(4);
    code->addWidget(Memo19);

    PageColumn(page)->addWidget(GroupBox18);
    PageColumn(page)->addWidget(GroupBox19);
    PageColumn(page)->addStretch();
    return page;
}

QWidget* TForm1::BuildFirmwarePage() {
    QWidget* page = NewPage(PageControl1, "TabSheet8");

    GroupBox20 = Group(page, "GroupBox20", QStringLiteral("Обновление программного обеспечения"));
    Memo20 = Memo(GroupBox20, "Memo20",
                  QStringLiteral("Выберите файл программного обеспечения (*.fmw), и оно будет записано в "
                                 "устройство. Не отключайте устройство от компьютера до сообщения об "
                                 "успешном обновлении. Если запись прервалась, запустите обновление "
                                 "заново.\n"),
                  ContentWidth(GroupBox20, kGroupWidth));
    SpeedButton6 = new QToolButton(GroupBox20);
    SpeedButton6->setObjectName(QStringLiteral("SpeedButton6"));
    SpeedButton6->setText(QStringLiteral("Обновить программное обеспечение"));
    SpeedButton6->setIcon(FirmwareIcon());
    SpeedButton6->setIconSize(QSize(24, 24));
    SpeedButton6->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    SpeedButton6->setMinimumHeight(34);
    ProgressBar1 = new QProgressBar(GroupBox20);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 10000);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(16);
    // Appearing at the first block must not shift the page.
    QSizePolicy keepRoom = ProgressBar1->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    ProgressBar1->setSizePolicy(keepRoom);
    ProgressBar1->hide();
    QVBoxLayout* update = GroupColumn(GroupBox20);
    update->addWidget(Memo20);
    update->addLayout(Row({SpeedButton6}));
    update->addWidget(ProgressBar1);
    connect(SpeedButton6, &QToolButton::clicked, this, &TForm1::SpeedButton6Click);

    GroupBox21 = Group(page, "GroupBox21", QStringLiteral("Информация об устройстве"));
    Label17 = new QLabel(GroupBox21);
    Label17->setObjectName(QStringLiteral("Label17"));
    Label18 = new QLabel(GroupBox21);
    Label18->setObjectName(QStringLiteral("Label18"));
    Edit11 = LineEdit(GroupBox21, "Edit11", 170);
    Edit11->setReadOnly(true);
    Edit12 = LineEdit(GroupBox21, "Edit12", 170);
    QGridLayout* info = Grid();
    info->addWidget(Caption(GroupBox21, QStringLiteral("Версия ПО:")), 0, 0);
    info->addWidget(Label17, 0, 1);
    info->addWidget(Caption(GroupBox21, QStringLiteral("Версия загрузчика:")), 1, 0);
    info->addWidget(Label18, 1, 1);
    info->addWidget(Caption(GroupBox21, QStringLiteral("IMEI:")), 2, 0);
    info->addWidget(Edit11, 2, 1);
    info->addWidget(Edit12, 3, 1);
    info->setColumnStretch(2, 1);
    Memo21 =
        Memo(GroupBox21, "Memo21", QStringLiteral("Сведения появляются после чтения настроек из устройства."),
             ContentWidth(GroupBox21, kGroupWidth));
    QVBoxLayout* identity = GroupColumn(GroupBox21);
    identity->addLayout(info);
    identity->addWidget(Memo21);

    PageColumn(page)->addWidget(GroupBox20);
    PageColumn(page)->addWidget(GroupBox21);
    PageColumn(page)->addStretch();
    return page;
}

QWidget* TForm1::BuildSummaryPage() {
    QWidget* page = NewPage(PageControl1, "TabSheet9");

    GroupBox22 = Group(page, "GroupBox22", QStringLiteral("Текущие настройки устройства"));
    Memo22 = Memo(GroupBox22, "Memo22",
                  QStringLiteral("Здесь собраны настройки, прочитанные из устройства последними или "
                                 "загруженные из файла. Изменения на страницах попадут в таблицу после "
                                 "записи в устройство и повторного чтения.\n"),
                  ContentWidth(GroupBox22, kGroupWidth));
    StringGrid1 = new QTableWidget(kSummaryRows, 2, GroupBox22);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->horizontalHeader()->hide();
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setMinimumSectionSize(kRowHeight);
    StringGrid1->verticalHeader()->setDefaultSectionSize(kRowHeight);
    StringGrid1->setColumnWidth(0, kSummaryWidths[0]);
    StringGrid1->setColumnWidth(1, kSummaryWidths[1]);
    // The values get whatever the group has to spare beyond their design width: at this
    // font "Включена в периоде №1 и №2" or a server address would not fit in 165 pixels.
    StringGrid1->horizontalHeader()->setStretchLastSection(true);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionMode(QAbstractItemView::NoSelection);
    StringGrid1->setFocusPolicy(Qt::NoFocus);
    StringGrid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid1->setAlternatingRowColors(true);
    for (int row = 0; row < kSummaryRows; ++row) {
        for (int column = 0; column < 2; ++column) {
            auto* cell = new QTableWidgetItem;
            cell->setFlags(Qt::ItemIsEnabled);
            StringGrid1->setItem(row, column, cell);
        }
    }
    const int frame = 2 * StringGrid1->frameWidth();
    StringGrid1->setFixedSize(ContentWidth(GroupBox22, kGroupWidth), kSummaryRows * kRowHeight + frame);
    QVBoxLayout* summary = GroupColumn(GroupBox22);
    summary->addWidget(Memo22);
    summary->addWidget(StringGrid1, 0, Qt::AlignLeft);

    PageColumn(page)->addWidget(GroupBox22);
    PageColumn(page)->addStretch();
    return page;
}

void TForm1::JustifyMemos() {
    for (QPlainTextEdit* memo : {Memo1, Memo2, Memo6, Memo7, Memo14, Memo17, Memo20, Memo22, Memo24}) {
        const QStringList lines = memo->toPlainText().split(QLatin1Char('\n'));
        memo->setPlainText(JustifyMemoLines(lines, memo->width(), Measure(memo)).join(QLatin1Char('\n')));
    }
}

}  // namespace zort
