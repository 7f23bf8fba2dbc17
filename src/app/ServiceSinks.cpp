#include "app/ServiceSinks.h"

#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/TForm5.h"
#include "ui_TForm5.h"

namespace zort {

void ServiceSink::ShowMessage(int statusKind, const std::string& message, const std::string& detail) {
    OnMainThread([&] {
        if (form.showMessage)
            form.showMessage(statusKind, QString::fromStdString(message), QString::fromStdString(detail));
    });
}

void ServiceSink::LogLine(const std::string& line) {
    OnMainThread([&] { form.AppendLogLine(QString::fromStdString(line)); });
}

void ServiceSink::AppendText(const std::string& text) {
    OnMainThread([&] { form.AppendStream(QString::fromStdString(text)); });
}

void ServiceSink::WorkerEnded() {
    OnMainThread([&] { form.PortFreed(); });
    // Last: once the count drops, the window may go away under the worker.
    --runs;
}

void GnssUpdateSink::SetProgress(int maximum, int position) {
    OnMainThread([&] {
        form.ui->ProgressBar1->setMaximum(maximum);
        form.ui->ProgressBar1->setValue(position);
    });
}

}  // namespace zort
