#include "app/StatusWindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/SkyPlot.h"
#include "app/StatusGauges.h"
#include "status/StatusThread.h"
#include "worker/DeviceContext.h"

namespace zort {
namespace {

constexpr int kRefreshMs = 1000;
const QString kChecking = QStringLiteral("Проверка модулей трекера…");

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

QString Fixed(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

QString LegendHtml() {
    QString html;
    for (int s = 0; s < kGnssSystemCount; ++s) {
        const auto system = static_cast<GnssSystem>(s);
        html += QStringLiteral("<span style='color:%1'>●</span>&nbsp;%2&nbsp;&nbsp; ")
                    .arg(SystemColour(system).name(), QString::fromUtf8(SystemName(system)));
    }
    return html + QStringLiteral("<br>закрашен — используется в решении");
}

}  // namespace

StatusWindow::StatusWindow(DeviceContext& context, QWidget* parent) : QDialog(parent), context(context) {
    setWindowTitle(QStringLiteral("Состояние трекера"));
    resize(820, 600);
    auto* layout = new QVBoxLayout(this);

    auto* gnssBox = new QGroupBox(QStringLiteral("GPS/ГЛОНАСС"), this);
    auto* gnssLayout = new QGridLayout(gnssBox);
    sky = new SkyPlot(gnssBox);
    legend = new QLabel(LegendHtml(), gnssBox);
    legend->setTextFormat(Qt::RichText);
    fixLine = new QLabel(gnssBox);
    // The one line an installer reads from across the room; the program's style sheet
    // sets fonts, so this does too.
    fixLine->setStyleSheet(QStringLiteral("font-size: 17pt; font-weight: bold;"));
    detailLine = new QLabel(gnssBox);
    detailLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    detailLine->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    snr = new SnrChart(gnssBox);
    auto* summary = new QVBoxLayout;
    summary->addWidget(fixLine);
    summary->addWidget(detailLine, 1);
    summary->addWidget(legend);
    gnssLayout->addWidget(sky, 0, 0);
    gnssLayout->addLayout(summary, 0, 1);
    gnssLayout->addWidget(snr, 1, 0, 1, 2);
    gnssLayout->setColumnStretch(0, 1);
    gnssLayout->setColumnStretch(1, 1);
    gnssLayout->setRowStretch(0, 3);
    gnssLayout->setRowStretch(1, 1);
    layout->addWidget(gnssBox, 1);

    auto* gsmBox = new QGroupBox(QStringLiteral("GSM"), this);
    auto* gsmLayout = new QGridLayout(gsmBox);
    signalBars = new SignalBars(gsmBox);
    signalLine = new QLabel(gsmBox);
    networkLine = new QLabel(gsmBox);
    simLine = new QLabel(gsmBox);
    simLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    balanceLine = new QLabel(gsmBox);
    balanceLine->setWordWrap(true);
    balanceLine->setTextInteractionFlags(Qt::TextSelectableByMouse);
    balanceButton = new QPushButton(QStringLiteral("Запросить баланс"), gsmBox);
    gsmLayout->addWidget(signalBars, 0, 0, 2, 1, Qt::AlignVCenter);
    gsmLayout->addWidget(signalLine, 0, 1);
    gsmLayout->addWidget(networkLine, 1, 1);
    gsmLayout->addWidget(simLine, 2, 1);
    gsmLayout->addWidget(balanceButton, 0, 2);
    gsmLayout->addWidget(balanceLine, 1, 2, 2, 1);
    gsmLayout->setColumnStretch(1, 1);
    gsmLayout->setColumnStretch(2, 1);
    layout->addWidget(gsmBox);

    auto* bottom = new QHBoxLayout;
    stateLine = new QLabel(this);
    stateLine->setWordWrap(true);
    closeButton = new QPushButton(QStringLiteral("Закрыть"), this);
    closeButton->setDefault(true);
    bottom->addWidget(stateLine, 1);
    bottom->addWidget(closeButton);
    layout->addLayout(bottom);

    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(balanceButton, &QPushButton::clicked, this, [this] {
        if (worker) worker->RequestBalance();
        balanceButton->setEnabled(false);
        balanceLine->setText(QStringLiteral("Запрос баланса…"));
    });
    refresh.setInterval(kRefreshMs);
    connect(&refresh, &QTimer::timeout, this, &StatusWindow::Refresh);
    Show(TrackerStatus{});
}

StatusWindow::~StatusWindow() {
    // The main window joins every worker before its children go; this only covers a
    // window destroyed on its own.
    End();
}

void StatusWindow::Begin() {
    if (worker && !worker->Finished()) return;
    End();
    stateLine->setText(kChecking);
    auto started = std::make_unique<StatusThread>(context, sink);
    if (!started->Start()) {
        const std::string activity = context.portLease.Activity();
        stateLine->setText(activity.empty() ? QStringLiteral("Порт занят.")
                                            : QStringLiteral("Порт занят: ") + Text(activity));
        return;
    }
    worker = std::move(started);
    refresh.start();
    Refresh();
    if (leaseChanged) leaseChanged();
}

bool StatusWindow::Watching() const {
    return worker && !worker->Finished();
}

void StatusWindow::End() {
    refresh.stop();
    if (!worker) return;
    worker->RequestStop();
    // It ends by itself once what it switched on is off; the context joins it.
    context.Adopt(std::move(worker));
}

void StatusWindow::closeEvent(QCloseEvent* event) {
    End();
    QDialog::closeEvent(event);
}

void StatusWindow::done(int result) {
    End();
    QDialog::done(result);
}

void StatusWindow::Refresh() {
    if (worker) Show(worker->Snapshot());
}

void StatusWindow::Show(const TrackerStatus& status) {
    // Both modules were on already: nothing was switched, and nothing needs saying.
    if (status.ready && stateLine->text() == kChecking) stateLine->clear();
    ShowGnss(status.gnss);
    ShowGsm(status);
}

void StatusWindow::ShowGnss(const GnssStatus& g) {
    sky->SetSatellites(g.satellites);
    snr->SetSatellites(g.satellites);
    if (!g.anySentence) {
        fixLine->setText(QStringLiteral("Нет данных"));
        detailLine->setText(QStringLiteral("Поток NMEA от модуля ещё не пришёл."));
        return;
    }
    const QString fix = g.fix == FixKind::kNone
                            ? QStringLiteral("Нет решения")
                            : QStringLiteral("Решение %1").arg(QString::fromUtf8(FixName(g.fix)));
    fixLine->setText(
        QStringLiteral("%1 · %2 из %3 спутников").arg(fix).arg(g.satellitesUsed).arg(g.satellitesInView));
    QStringList lines;
    if (g.latitude && g.longitude) {
        lines << QStringLiteral("Координаты: %1, %2").arg(Fixed(*g.latitude, 6), Fixed(*g.longitude, 6));
    }
    if (g.altitude) lines << QStringLiteral("Высота: %1 м").arg(Fixed(*g.altitude, 0));
    QStringList dops;
    if (g.hdop) dops << QStringLiteral("HDOP %1").arg(Fixed(*g.hdop, 1));
    if (g.pdop) dops << QStringLiteral("PDOP %1").arg(Fixed(*g.pdop, 1));
    if (!dops.isEmpty()) lines << dops.join(QStringLiteral(", "));
    if (g.speedKmh) {
        QString speed = QStringLiteral("Скорость: %1 км/ч").arg(Fixed(*g.speedKmh, 1));
        if (g.courseDeg) speed += QStringLiteral(", курс %1°").arg(Fixed(*g.courseDeg, 0));
        lines << speed;
    }
    if (!g.utcTime.empty()) {
        lines << QStringLiteral("Время UTC: %1 %2").arg(Text(g.utcDate), Text(g.utcTime)).trimmed();
    }
    if (g.fixAgeSeconds && *g.fixAgeSeconds >= 3) {
        lines << QStringLiteral("Последнее решение %1 с назад").arg(Fixed(*g.fixAgeSeconds, 0));
    }
    detailLine->setText(lines.join(QLatin1Char('\n')));
}

void StatusWindow::ShowGsm(const TrackerStatus& status) {
    const GsmStatus& m = status.gsm;
    const QString noData = QString::fromUtf8(kNoData);
    if (!m.modemAnswers) {
        signalBars->SetBars(std::nullopt);
        signalLine->setText(status.ready ? QStringLiteral("Модем не отвечает") : noData);
        networkLine->clear();
        simLine->clear();
    } else {
        signalBars->SetBars(m.signal ? std::optional<int>(m.signal->bars) : std::nullopt);
        signalLine->setText(
            m.signal ? QStringLiteral("Сигнал: %1 дБм (%2 из 5)").arg(m.signal->dbm).arg(m.signal->bars)
                     : QStringLiteral("Сигнал: ") + noData);
        QString operatorText = noData;
        if (m.operatorName)
            operatorText = m.operatorName->empty() ? QStringLiteral("нет") : Text(*m.operatorName);
        networkLine->setText(QStringLiteral("Сеть: %1, оператор: %2")
                                 .arg(QString::fromUtf8(RegistrationText(m.registration)), operatorText));
        QString sim = QStringLiteral("SIM-карта: ") + QString::fromUtf8(SimStateText(m.sim));
        if (m.iccid) sim += QStringLiteral(", ICCID ") + Text(*m.iccid);
        simLine->setText(sim);
    }
    balanceButton->setEnabled(worker && status.ready && m.modemAnswers && !m.balanceAsked);
    if (m.balance) {
        // The operator's own words: they name the balance and often more.
        balanceLine->setText(Text(*m.balance));
    } else if (!m.balanceAsked && m.balanceRequestsEnded > 0) {
        balanceLine->setText(QStringLiteral("Баланс: ") + noData);
    }
}

void StatusWindow::Sink::ShowMessage(int statusKind, const std::string& message, const std::string& detail) {
    if (statusKind != kStatusError) return;
    // In the window rather than a box: the window is there to show what is wrong.
    const QString text = Text(message) + (detail.empty() ? QString() : QStringLiteral(": ") + Text(detail));
    window.posted.Post([w = &window, text] { w->stateLine->setText(text); });
}

void StatusWindow::Sink::LogLine(const std::string& line) {
    window.posted.Post([w = &window, text = Text(line)] { w->stateLine->setText(text); });
}

void StatusWindow::Sink::WorkerEnded() {
    window.posted.Post([w = &window] {
        if (w->leaseChanged) w->leaseChanged();
    });
}

}  // namespace zort
