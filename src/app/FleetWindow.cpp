#include "app/FleetWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "fleet/FleetWatch.h"
#include "fleet/ProvisionReport.h"
#include "worker/DeviceContext.h"

namespace zort {
namespace {

const QString kFileFilter = QStringLiteral("Документ настроек (*.json);;Все файлы (*)");
const QString kTableFilter = QStringLiteral("Таблица CSV (*.csv);;Все файлы (*)");

// The step's place in the run, for the row's bar.
int StepNumber(const std::string& step) {
    if (step == "чтение") return 0;
    if (step == "запись") return 1;
    if (step == "проверка") return 2;
    return 3;
}

QPushButton* ChooseButton(QWidget* parent) {
    return new QPushButton(QStringLiteral("Выбрать…"), parent);
}

}  // namespace

FleetWindow::FleetWindow(PortLease& lease, QWidget* parent) : QDialog(parent), lease(lease) {
    setWindowTitle(QStringLiteral("Групповая настройка"));
    resize(760, 520);
    auto* layout = new QVBoxLayout(this);
    auto* inputs = new QGridLayout;
    pagesChoice = new QRadioButton(QStringLiteral("Настройки на страницах"), this);
    fileChoice = new QRadioButton(QStringLiteral("Файл:"), this);
    pagesChoice->setChecked(true);
    profileFile = new QLineEdit(this);
    devicesFile = new QLineEdit(this);
    devicesFile->setPlaceholderText(QStringLiteral("необязательно: imei и ключи настроек по столбцам"));
    devicesOnly = new QCheckBox(QStringLiteral("Только трекеры из таблицы"), this);
    reportFile = new QLineEdit(this);
    reportFile->setPlaceholderText(QStringLiteral("необязательно: строка на каждый трекер"));
    QPushButton* chooseProfile = ChooseButton(this);
    QPushButton* chooseDevices = ChooseButton(this);
    QPushButton* chooseReport = ChooseButton(this);
    inputs->addWidget(new QLabel(QStringLiteral("Профиль:"), this), 0, 0);
    inputs->addWidget(pagesChoice, 0, 1, 1, 2);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(fileChoice);
    fileRow->addWidget(profileFile, 1);
    inputs->addLayout(fileRow, 1, 1, 1, 2);
    inputs->addWidget(chooseProfile, 1, 3);
    inputs->addWidget(new QLabel(QStringLiteral("Таблица устройств:"), this), 2, 0);
    inputs->addWidget(devicesFile, 2, 1, 1, 2);
    inputs->addWidget(chooseDevices, 2, 3);
    inputs->addWidget(devicesOnly, 3, 1, 1, 2);
    inputs->addWidget(new QLabel(QStringLiteral("Отчёт:"), this), 4, 0);
    inputs->addWidget(reportFile, 4, 1, 1, 2);
    inputs->addWidget(chooseReport, 4, 3);
    inputs->setColumnStretch(2, 1);
    layout->addLayout(inputs);

    table = new QTableWidget(0, kColumns, this);
    table->setHorizontalHeaderLabels({QStringLiteral("Порт"), QStringLiteral("IMEI"),
                                      QStringLiteral("Трекер"), QStringLiteral("Ход"),
                                      QStringLiteral("Результат")});
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
    table->setColumnWidth(kPortColumn, 110);
    table->setColumnWidth(kImeiColumn, 130);
    table->setColumnWidth(kTrackerColumn, 70);
    table->setColumnWidth(kProgressColumn, 150);
    layout->addWidget(table, 1);
    status = new QLabel(
        QStringLiteral("Выберите профиль и нажмите «Начать», затем подключайте трекеры по одному."), this);
    status->setWordWrap(true);
    layout->addWidget(status);

    auto* buttons = new QHBoxLayout;
    startButton = new QPushButton(QStringLiteral("Начать"), this);
    stopButton = new QPushButton(QStringLiteral("Остановить"), this);
    stopButton->setEnabled(false);
    auto* closeButton = new QPushButton(QStringLiteral("Закрыть"), this);
    buttons->addWidget(startButton);
    buttons->addWidget(stopButton);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);

    showError = [this](const QString& text, const QString& detail) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Групповая настройка"), text, QMessageBox::Ok,
                        this);
        box.setInformativeText(detail);
        box.exec();
    };
    askOpenFile = [this](const QString& caption, const QString& filter) {
        return QFileDialog::getOpenFileName(this, caption, QString(), filter);
    };
    askSaveFile = [this](const QString& caption, const QString& filter) {
        return QFileDialog::getSaveFileName(this, caption, QStringLiteral("отчёт.csv"), filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
    const auto choose = [this](QLineEdit* edit, const QString& caption, const QString& filter, bool save) {
        const QString file = save ? askSaveFile(caption, filter) : askOpenFile(caption, filter);
        if (!file.isEmpty()) edit->setText(file);
    };
    connect(chooseProfile, &QPushButton::clicked, this, [=, this] {
        choose(profileFile, QStringLiteral("Профиль"), kFileFilter, false);
        if (!profileFile->text().isEmpty()) fileChoice->setChecked(true);
    });
    connect(chooseDevices, &QPushButton::clicked, this,
            [=, this] { choose(devicesFile, QStringLiteral("Таблица устройств"), kTableFilter, false); });
    connect(chooseReport, &QPushButton::clicked, this,
            [=, this] { choose(reportFile, QStringLiteral("Отчёт"), kTableFilter, true); });
    connect(startButton, &QPushButton::clicked, this, &FleetWindow::Start);
    connect(stopButton, &QPushButton::clicked, this, &FleetWindow::Stop);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
}

FleetWindow::~FleetWindow() {
    // The trackers under way end before what they report into goes; a stop already
    // under way is waited for rather than run twice.
    stopping = {};
    if (watch) watch->Stop();
    lease.Give(this);
}

bool FleetWindow::BuildPlan(ProvisionPlan& plan) {
    if (pagesChoice->isChecked()) {
        const std::optional<std::string> pages = pagesProfile ? pagesProfile() : std::nullopt;
        if (!pages) return false;
        plan.profile = *pages;
        plan.profileSource = "настройки на страницах";
    } else {
        QFile file(profileFile->text());
        if (profileFile->text().isEmpty() || !file.open(QIODevice::ReadOnly)) {
            showError(QStringLiteral("Профиль не прочитан"), profileFile->text().isEmpty()
                                                                 ? QStringLiteral("Выберите файл профиля")
                                                                 : file.errorString());
            return false;
        }
        plan.profile = file.readAll().toStdString();
        plan.profileSource = profileFile->text().toStdString();
    }
    if (!devicesFile->text().isEmpty()) {
        plan.devices = LoadDeviceTable(devicesFile->text().toStdString());
        if (!plan.devices.ok) {
            showError(QString::fromStdString(plan.devices.message),
                      QString::fromStdString(plan.devices.detail));
            return false;
        }
    }
    plan.devicesOnly = devicesOnly->isChecked();
    // Nobody is at hand to answer for each tracker: the user's start is the answer.
    plan.yes = true;
    plan.backupRoot = backupRoot;
    plan.sessionLog = sessionLog;
    if (const DocumentResult fits = CheckPlan(plan); !fits) {
        showError(QString::fromStdString(fits.message), QString::fromStdString(fits.detail));
        return false;
    }
    return true;
}

bool FleetWindow::Start() {
    if (watch || stopping.joinable()) return false;
    ProvisionPlan plan;
    if (!BuildPlan(plan)) return false;
    auto opened = std::make_unique<ProvisionReport>();
    if (std::string error;
        !reportFile->text().isEmpty() && !opened->Open(reportFile->text().toStdString(), error)) {
        showError(QStringLiteral("Отчёт не открыт"), QString::fromStdString(error));
        return false;
    }
    if (!lease.TryTake(this, kFleetActivity)) {
        showError(QStringLiteral("Порт занят: ") + QString::fromStdString(lease.Activity()),
                  QStringLiteral("Дождитесь окончания и нажмите «Начать» ещё раз."));
        return false;
    }
    report = std::move(opened);
    steps = plan.firmwareFile.empty() ? 3 : 4;
    FleetWatch::Events events;
    events.started = [this](const std::string& port) { calls.Post([this, port] { ShowStarted(port); }); };
    events.step = [this](const std::string& port, const std::string& step) {
        calls.Post([this, port, step] { ShowStep(port, step); });
    };
    events.done = [this](const TrackerReport& tracker) {
        if (report->IsOpen()) report->Append(tracker);
        calls.Post([this, tracker] { ShowDone(tracker); });
    };
    watch = std::make_unique<FleetWatch>(plan, CandidateOptions{false, namedPorts}, 0, std::move(events));
    watch->Start();
    for (QWidget* input : std::initializer_list<QWidget*>{pagesChoice, fileChoice, profileFile, devicesFile,
                                                          devicesOnly, reportFile, startButton}) {
        input->setEnabled(false);
    }
    stopButton->setEnabled(true);
    status->setText(QStringLiteral("Подключайте трекеры: каждый настраивается, как только подключён."));
    if (leaseChanged) leaseChanged();
    return true;
}

void FleetWindow::Stop() {
    if (!watch || stopping.joinable()) return;
    stopButton->setEnabled(false);
    status->setText(QStringLiteral("Остановка: новые трекеры не настраиваются, начатые заканчиваются…"));
    // Those under way take up to a few seconds: the window stays responsive meanwhile.
    stopping = std::jthread([this] {
        watch->Stop();
        calls.Post([this] { Ended(); });
    });
}

void FleetWindow::Ended() {
    stopping = {};
    watch.reset();
    report.reset();
    lease.Give(this);
    for (QWidget* input : std::initializer_list<QWidget*>{pagesChoice, fileChoice, profileFile, devicesFile,
                                                          devicesOnly, reportFile, startButton}) {
        input->setEnabled(true);
    }
    ShowCounts();
    if (leaseChanged) leaseChanged();
}

void FleetWindow::closeEvent(QCloseEvent* event) {
    // Closing is stopping: what runs finishes, nothing new starts.
    Stop();
    event->accept();
}

int FleetWindow::RowOf(const std::string& port) {
    const QString name = QString::fromStdString(port);
    for (int r = 0; r < table->rowCount(); ++r) {
        if (table->item(r, kPortColumn)->text() == name) return r;
    }
    const int r = table->rowCount();
    table->insertRow(r);
    for (int c = 0; c < kColumns; ++c) table->setItem(r, c, new QTableWidgetItem);
    table->item(r, kPortColumn)->setText(name);
    auto* bar = new QProgressBar(table);
    bar->setMaximum(steps);
    table->setCellWidget(r, kProgressColumn, bar);
    return r;
}

void FleetWindow::ShowStarted(const std::string& port) {
    const int r = RowOf(port);
    // A tracker plugged in again starts its row afresh.
    for (const int c : {kImeiColumn, kTrackerColumn, kResultColumn}) table->item(r, c)->setText(QString());
    auto* bar = static_cast<QProgressBar*>(table->cellWidget(r, kProgressColumn));
    bar->setPalette(QPalette());
    bar->setValue(0);
    bar->setFormat(QStringLiteral("подключён"));
}

void FleetWindow::ShowStep(const std::string& port, const std::string& step) {
    auto* bar = static_cast<QProgressBar*>(table->cellWidget(RowOf(port), kProgressColumn));
    bar->setValue(StepNumber(step));
    bar->setFormat(QString::fromStdString(step));
}

void FleetWindow::ShowDone(const TrackerReport& tracker) {
    const int r = RowOf(tracker.port);
    table->item(r, kImeiColumn)->setText(QString::fromStdString(tracker.imei));
    const std::string version = tracker.versionAfter.empty() ? tracker.versionBefore : tracker.versionAfter;
    table->item(r, kTrackerColumn)->setText(QString::fromStdString(version.substr(0, version.find(' '))));
    auto* bar = static_cast<QProgressBar*>(table->cellWidget(r, kProgressColumn));
    bar->setValue(steps);
    const double seconds = static_cast<double>(tracker.duration.count()) / 1000.0;
    if (tracker.ok) {
        bar->setFormat(QStringLiteral("готово за %1 с").arg(seconds, 0, 'f', 1));
        table->item(r, kResultColumn)
            ->setText(QStringLiteral("Изменено настроек: %1").arg(tracker.changes.size()));
        ++succeeded;
    } else {
        QPalette red = bar->palette();
        red.setColor(QPalette::Highlight, QColor(0xC0, 0x30, 0x30));
        bar->setPalette(red);
        bar->setFormat(QStringLiteral("ошибка"));
        table->item(r, kResultColumn)->setText(QString::fromStdString(tracker.message));
        QApplication::beep();
        ++failed;
    }
    table->item(r, kResultColumn)->setToolTip(table->item(r, kResultColumn)->text());
    ShowCounts();
}

void FleetWindow::ShowCounts() {
    const QString counts = QStringLiteral("Настроено: %1, с ошибкой: %2.").arg(succeeded).arg(failed);
    status->setText(watch ? counts + QStringLiteral(" Подключайте следующий трекер.")
                          : counts + QStringLiteral(" Групповая настройка остановлена."));
}

}  // namespace zort
