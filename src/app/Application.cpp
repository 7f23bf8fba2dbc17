#include "app/Application.h"

#include <QPointer>

#include "app/LineRelay.h"
#include "app/PortFinder.h"
#include "app/TForm1.h"
#include "app/TForm2.h"
#include "app/TForm3.h"
#include "app/TForm4.h"
#include "app/TForm5.h"
#include "app/TForm6.h"
#include "history/SessionLog.h"
#include "service/ServiceProfile.h"
#include "sim/PtyTransport.h"
#include "sim/TrackerSimulator.h"
#include "worker/Worker.h"

namespace zort {
namespace {

constexpr int kDemoBaud = 9600;  // the tracker's own line speed, so the demo feels real

}  // namespace

Application::~Application() {
    if (form1) form1->searchAgain = nullptr;
}

std::unique_ptr<Application> StartApplication(IniProfile serviceProfile) {
    auto app = std::make_unique<Application>();
    app->sessionLines = std::make_unique<LineRelay>();
    LogOperations(app->context, DefaultSessionLogFile(),
                  [relay = app->sessionLines.get()](const std::string& line) { relay->Post(line); });
    app->form1 = std::make_unique<TForm1>(app->context);
    TForm1& form1 = *app->form1;
    form1.profile = serviceProfile;
    app->form2 = std::make_unique<TForm2>();
    app->form3 = std::make_unique<TForm3>(&form1);
    app->form4 = std::make_unique<TForm4>(&form1);
    app->form5 = std::make_unique<TForm5>(form1, std::move(serviceProfile));
    app->form6 = std::make_unique<TForm6>();
    form1.form2 = app->form2.get();
    form1.form3 = app->form3.get();
    form1.form4 = app->form4.get();
    form1.form5 = app->form5.get();
    form1.form6 = app->form6.get();
    app->sessionLines->deliver = [form6 = QPointer<TForm6>(app->form6.get())](const QString& line) {
        if (form6) form6->LogSessionLine(line);
    };
    app->form4->form5 = app->form5.get();
    QObject::connect(app->form2.get(), &TForm2::SaveRequested, &form1, &TForm1::SaveCommandFile);
    QObject::connect(app->form3.get(), &TForm3::CancelRequested, &form1, &TForm1::CancelSettings);
    return app;
}

std::unique_ptr<Application> StartApplication() {
    return StartApplication(OpenConfigIni());
}

bool Application::StartDemo() {
    if (demoTransport) return true;
    demoSimulator = std::make_unique<sim::TrackerSimulator>();
    demoTransport =
        std::make_unique<sim::PtyTransport>(*demoSimulator, sim::PtyTransport::Options{kDemoBaud});
    std::string error;
    if (!demoTransport->Start(error)) {
        demoTransport.reset();
        demoSimulator.reset();
        return false;
    }
    form1->demoPort = DemoPort();
    form1->Button8Click();
    return true;
}

void Application::StartPortSearch(const QString& namedPort) {
    if (portFinder) return;
    TForm1& form = *form1;
    PortFinder::Receivers receivers;
    receivers.report = [&form](const PortReport& report) { form.ShowPortReport(report); };
    receivers.leaseChanged = [&form] { form.RefreshPortActions(); };
    portFinder = std::make_unique<PortFinder>(context.portLease, std::move(receivers));
    if (demoTransport) portFinder->Announce(demoTransport->SlavePath());
    if (!namedPort.isEmpty()) portFinder->Announce(namedPort.toStdString());
    form.searchAgain = [finder = portFinder.get()] { finder->SearchAgain(); };
    portFinder->Start();
}

QString Application::DemoPort() const {
    return demoTransport ? QString::fromStdString(demoTransport->SlavePath()) : QString();
}

}  // namespace zort
