#include "app/QtSinks.h"

#include "app/TForm1.h"
#include "app/TForm3.h"
#include "app/TForm6.h"
#include "ui_TForm1.h"

namespace zort {

void QtSink::ShowMessage(int statusKind, const std::string& message, const std::string& detail) {
    OnMainThread([&] {
        if (form.showMessage)
            form.showMessage(statusKind, QString::fromStdString(message), QString::fromStdString(detail));
    });
}

void SettingsSink::ShowProgress(const std::string& caption) {
    OnMainThread([&] {
        if (form.form3) form.form3->ShowProgress(QString::fromStdString(caption));
    });
}

void SettingsSink::SetProgress(int maximum, int position) {
    OnMainThread([&] {
        if (form.form3) form.form3->SetProgress(maximum, position);
    });
}

void SettingsSink::HideProgress() {
    OnMainThread([&] {
        if (form.form3) form.form3->HideProgress();
    });
}

void SettingsSink::WorkerEnded() {
    OnMainThread([&] { form.SettingsWorkerEnded(); });
}

void SettingsSink::LogReply(const uint8_t* reply32) {
    OnMainThread([&] {
        if (form.form6) form.form6->LogReply(std::string_view(reinterpret_cast<const char*>(reply32), 32));
    });
}

void SettingsSink::ImageRead() {
    OnMainThread([&] { form.TrackerRead(); });
}

void FirmwareSink::SetProgress(int maximum, int position) {
    OnMainThread([&] { form.ShowFirmwareProgress(maximum, position); });
}

void FirmwareSink::ShowMessage(int statusKind, const std::string& message, const std::string& detail) {
    // The bar first: it keeps saying how the update ended once the box is closed.
    OnMainThread(
        [&] { form.ShowFirmwareEnd(statusKind == kStatusSuccess, QString::fromStdString(message)); });
    QtSink::ShowMessage(statusKind, message, detail);
}

void FirmwareSink::WorkerEnded() {
    OnMainThread([&] { form.RefreshPortActions(); });
}

}  // namespace zort
