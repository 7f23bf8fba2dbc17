#pragma once
// The service window: the engineering commands of the tracker's modem, GNSS receiver and
// SIM card, the NMEA relay, and the update of the receiver's firmware, each reporting
// into one log. It keeps its folder, paths and phone number in "config.ini".
//
// The window works on the main window's channel and port, and its workers are owned by
// the main window's DeviceContext, so that closing the main window ends them too. It
// must therefore not outlive the main window.

#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "service/IniProfile.h"
#include "service/SoundFileList.h"
#include "service/StreamLines.h"

class QLineEdit;
class QTimer;

namespace Ui {
class TForm5;
}

namespace zort {

class DeviceContext;
class GnssUpdateSink;
class NmeaRelay;
class ServiceSink;
class TForm1;
class Worker;

class TForm5 : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kClientWidth = 704;
    static constexpr int kClientHeight = 563;
    // Between closing the channel and the update's opening it at 9600 baud again: the
    // tracker finishes what it was sending to the relay and its port settles.
    static constexpr int kGnssSettleMs = 2000;

    // Reads its fields from `profile` and writes every change back there.
    TForm5(TForm1& mainWindow, IniProfile profile);
    ~TForm5() override;

    // Shows the window (it is created hidden) and brings it to the front.
    void Open();
    // The main window is closing: nothing may report after this, the relay stops, an
    // update still waiting for its start is dropped, and the window goes.
    void Shutdown();

    // The log. A line always starts on a line of its own and ends with a line break;
    // stream text goes in by whole lines (without their carriage returns, which the view
    // cannot show): a sentence cut by a poll waits for its end, one the receiver never
    // finished is dropped, and bytes that are no text never show.
    void AppendLogLine(const QString& line);
    void AppendStream(const QString& text);

    // The receiver's update is waiting for the channel to settle: it holds the channel
    // though no worker runs yet.
    bool GnssUpdatePending() const;
    // Enables the actions that open the port only while `busy` (what holds it) is empty;
    // the relay's box stays usable while the relay itself holds it.
    void RefreshPortActions(const QString& busy);
    // An operation of this window has ended.
    void PortFreed();

    // The sound files of the chosen folder, handed to the next upload.
    const SoundFileList& SoundFiles() const { return soundFiles; }
    bool RelayRunning() const;
    // Runs started from this window that have not reported their end yet.
    int RunsInFlight() const;

    // How a worker's final message is shown (statusKind 3 or 4). By default as the main
    // window shows its own; tests record instead.
    std::function<void(int statusKind, const QString& text, const QString& detail)> showMessage;
    // How a folder and a file are asked for; an empty answer is a cancel. Tests replace
    // them.
    std::function<QString(const QString& caption, const QString& start)> askFolder;
    std::function<QString(const QString& caption, const QString& start)> askOpenFile;

    std::unique_ptr<Ui::TForm5> ui;

  public Q_SLOTS:
    void Button1Click();    // start the modem
    void Button2Click();    // stop the modem
    void Button3Click();    // start the GNSS receiver
    void Button4Click();    // stop the GNSS receiver
    void Button5Click();    // choose the sound file folder
    void Button6Click();    // upload the sound files
    void Button7Click();    // update the receiver's firmware
    void Button8Click();    // choose the loader
    void Button9Click();    // choose the firmware
    void Button10Click();   // create the test phone-book entry
    void Button11Click();   // blank the test phone-book entry
    void Button12Click();   // SMS with the IMEI
    void Button13Click();   // call
    void Button14Click();   // hang up
    void Button15Click();   // clear the log
    void CheckBox1Click();  // relay on or off, as the box now stands
    void Edit4Change();

  private:
    void FormCreate();
    void BuildSoundFiles(const QString& folder);
    void StartService(int mode, const QString& phone = {});
    void StartGnssUpdate();
    bool StartWorker(std::unique_ptr<Worker> worker, ServiceSink& sink);
    void UsePort();
    void SaveKey(const char* key, const QString& value);
    void ChooseFile(QLineEdit* edit, const char* key, const QString& caption);
    // Waits, serving the workers' calls into this window, until every run started here
    // has reported its end.
    void WaitForRuns();
    // True, after logging what holds the channel, when an action must wait.
    bool RefusedWhileBusy();
    // Only the relay holds the channel: the update may stop it and go on.
    bool OnlyRelayHoldsPort() const;

    TForm1& mainWindow;
    DeviceContext& context;
    IniProfile profile;
    SoundFileList soundFiles;
    StreamLines stream;
    QString lastSaveProblem;
    QTimer* gnssDelay;
    // The relay reports through serviceSink: declared after it, it is destroyed first.
    std::unique_ptr<ServiceSink> serviceSink;
    std::unique_ptr<GnssUpdateSink> gnssSink;
    std::unique_ptr<NmeaRelay> relay;
};

}  // namespace zort
