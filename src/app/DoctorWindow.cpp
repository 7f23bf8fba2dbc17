#include "app/DoctorWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "connect/FixCommands.h"
#include "connect/SystemView.h"
#include "worker/DeviceContext.h"

namespace zort {
namespace {

QString Escaped(const std::string& text) {
    return QString::fromStdString(text).toHtmlEscaped();
}

// A mark a colour-blind reader can tell apart too: the sign, not only its colour.
QString Mark(CheckStatus status) {
    switch (status) {
        case CheckStatus::kOk:
            return QStringLiteral("<span style='color:#2E7D32'>✔</span>");
        case CheckStatus::kProblem:
            return QStringLiteral("<span style='color:#B03030'>✖</span>");
        case CheckStatus::kInfo:
            return QStringLiteral("<span style='color:#407DA1'>ℹ</span>");
    }
    return {};
}

QString ResultsHtml(const std::vector<CheckResult>& results) {
    QString html;
    std::string port = "\n";  // no port has this name: the first one gets its heading
    for (const CheckResult& r : results) {
        if (r.port != port) {
            if (!r.port.empty())
                html += QStringLiteral("<p style='margin-top:4px'><b>%1</b></p>").arg(Escaped(r.port));
            port = r.port;
        }
        html += QStringLiteral("<p style='margin:6px 0 0 8px'>%1&nbsp;&nbsp;%2</p>")
                    .arg(Mark(r.status), Escaped(r.line));
        if (r.fix.empty()) continue;
        html += QStringLiteral(
                    "<p style='margin:2px 0 0 28px; color:#5A5A5E'>Исправить:</p>"
                    "<pre style='margin:0 0 0 28px; background:#F5F2F0; white-space:pre-wrap'>%1</pre>")
                    .arg(Escaped(r.fix));
    }
    return html;
}

}  // namespace

DoctorWindow::DoctorWindow(PortLease& lease, DoctorOptions options, std::function<void()> leaseChanged,
                           QWidget* parent)
    : QDialog(parent), lease(lease), options(std::move(options)), leaseChanged(std::move(leaseChanged)) {
    setWindowTitle(QStringLiteral("Диагностика подключения"));
    resize(640, 420);
    auto* layout = new QVBoxLayout(this);
    summary = new QLabel(this);
    summary->setWordWrap(true);
    layout->addWidget(summary);
    lines = new QTextBrowser(this);
    lines->setOpenLinks(false);
    layout->addWidget(lines, 1);
    auto* buttons = new QHBoxLayout;
    againButton = new QPushButton(QStringLiteral("Проверить снова"), this);
    copyButton = new QPushButton(QStringLiteral("Копировать команды"), this);
    copyButton->setToolTip(QStringLiteral("Команды исправления — для вставки в терминал"));
    auto* closeButton = new QPushButton(QStringLiteral("Закрыть"), this);
    buttons->addWidget(againButton);
    buttons->addStretch(1);
    buttons->addWidget(copyButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    connect(againButton, &QPushButton::clicked, this, &DoctorWindow::Check);
    connect(copyButton, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(Commands()); });
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);
    closeButton->setDefault(true);
}

DoctorWindow::~DoctorWindow() {
    StopChecks();
}

void DoctorWindow::StopChecks() {
    // A result waiting for this thread is dropped; the checks themselves end within the
    // handshake's second.
    if (calls) calls->Detach();
    if (worker.joinable()) {
        worker.request_stop();
        worker.join();
    }
    calls.reset();
}

void DoctorWindow::Check() {
    StopChecks();
    checking = true;
    // The checks wait for an operation that holds the port; say so rather than seem stuck.
    const std::string busy = lease.Activity();
    summary->setText(busy.empty() ? QStringLiteral("Проверка…")
                                  : QStringLiteral("Проверка начнётся, когда освободится порт (%1).")
                                        .arg(QString::fromStdString(busy)));
    copyButton->setEnabled(false);
    againButton->setEnabled(false);
    calls = std::make_unique<MainThreadCalls>();
    worker = std::jthread([this, calls = calls.get()](std::stop_token stop) {
        if (!lease.TakeWhenFree(this, kDoctorActivity, stop)) return;
        calls->Run(leaseChanged);
        std::vector<CheckResult> found = RunDoctor(HostSystem(), options);
        lease.Give(this);
        calls->Run([&] {
            Show(std::move(found));
            leaseChanged();
        });
    });
}

void DoctorWindow::Show(std::vector<CheckResult> found) {
    results = std::move(found);
    checking = false;
    lines->setHtml(ResultsHtml(results));
    summary->setText(AnyProblem(results) ? QStringLiteral("Найдены проблемы; ниже — как их исправить.")
                                         : QStringLiteral("Проблем не найдено."));
    copyButton->setEnabled(!Commands().isEmpty());
    againButton->setEnabled(true);
    Q_EMIT Checked();
}

QString DoctorWindow::Commands() const {
    return QString::fromStdString(FixCommands(results));
}

}  // namespace zort
