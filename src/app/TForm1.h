#pragma once
// The main window: header, navigation column, toolbar, settings pages and port chooser.
// Widgets carry the names the rest of the program knows them by (as members and as
// object names), so that the binding to the settings model and the workers can reach
// every control directly.

#include <QPoint>
#include <QPointer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "settings/SettingsPages.h"
#include "settings/SettingsPrompts.h"
#include "settings/SummaryTable.h"
#include "worker/DeviceContext.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class QTableWidget;
class QToolButton;

namespace zort {

namespace sim {
class TrackerSimulator;
class PtyTransport;
}  // namespace sim
class SettingsSink;
class FirmwareSink;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;

class TForm1 : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kClientWidth = 748;
    static constexpr int kClientHeight = 576;
    static constexpr int kNavigationEntries = 9;
    static constexpr int kHeaderHeight = 50;
    static constexpr int kNavigationWidth = 210;
    static constexpr int kToolbarHeight = 44;

    explicit TForm1(QWidget* parent = nullptr);

    // Marks navigation entry `entry` (1..9) and shows its page, as a click on it does.
    void SelectNavigation(int entry);
    // Marks entry `entry` without changing the page shown.
    void HighlightNavigation(int entry);
    int SelectedEntry() const { return selectedEntry; }

    // Shows the toolbar buttons the shipped layout hides: file load and save, the
    // command file and the engineering window.
    void SetExpertMode(bool on);
    // Puts `port` first in the port chooser and selects it; an entry of the same name
    // further down is dropped.
    void PreferPort(const QString& port);

    // The other windows, created at start-up after this one.
    TForm2* form2 = nullptr;
    TForm3* form3 = nullptr;
    // The engineering windows; they may go before this one.
    QPointer<TForm4> form4;
    QPointer<TForm5> form5;
    TForm6* form6 = nullptr;
    // Run against the built-in simulated tracker instead of a serial port.
    bool demoMode = false;

    ~TForm1() override;

    // Starts the built-in simulated tracker on a pseudo-terminal and offers it in the
    // port chooser (selected when no real port was found). False when it cannot start.
    bool StartDemo();
    QString DemoPort() const;

    // The port, the settings image and the worker slots, for the whole run.
    DeviceContext context;
    // The summary table's texts (a value with no wording keeps the previous cell).
    SummaryTable summary;

    // How questions and refusals of the settings checks reach the user; tests replace
    // it with scripted answers.
    std::unique_ptr<SettingsPrompts> prompts;
    // How the final message of an operation is shown (statusKind 3 or 4); tests
    // replace it to record instead of opening a box.
    std::function<void(int statusKind, const QString& text, const QString& detail)> showMessage;
    // How a file name is asked for; tests replace them.
    std::function<QString(const QString& caption, const QString& filter)> askOpenFile;
    std::function<QString(const QString& caption, const QString& defaultName, const QString& filter)> askSaveFile;

    // Shows the image in the pages; `refreshSummary` also rebuilds the summary table.
    void ShowImage(bool refreshSummary);
    // The save handler of TForm2: asks for the name and writes the command file.
    void SaveCommandFile();

    // Header.
    QFrame* Panel5;
    QLabel* Label34;
    QLabel* Label35;
    QLabel* Label21;

    // Navigation column: Label1..Label9, each filling one of Panel8..Panel16.
    std::array<QFrame*, kNavigationEntries> navigationPanels{};
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7, *Label8, *Label9;

    // Toolbar.
    QFrame* Panel17;
    QToolButton *SpeedButton3, *SpeedButton4, *SpeedButton5;
    QToolButton *SpeedButton1, *SpeedButton2, *SpeedButton7, *SpeedButton8;

    // Port chooser.
    QFrame* Panel4;
    QComboBox* ComboBox12;
    QPushButton* Button8;
    QCheckBox* CheckBox1;

    QStackedWidget* PageControl1;

    // Page 0: owner's phone number and PIN.
    QGroupBox *GroupBox1, *GroupBox2;
    QLineEdit *Edit1, *Edit2;
    QPlainTextEdit *Memo1, *Memo2;

    // Page 1: time zone, contact time, coordinate format, delivery, Wialon server.
    QGroupBox *GroupBox3, *GroupBox4, *GroupBox5, *GroupBox6, *GroupBox7;
    QComboBox *ComboBox1, *ComboBox2, *ComboBox3, *ComboBox19;
    QRadioButton *RadioButton1, *RadioButton2, *RadioButton12, *RadioButton13;
    QLineEdit *Edit7, *Edit8;
    QCheckBox* CheckBox3;
    QLineEdit *Edit5, *Edit9, *Edit10;
    QPlainTextEdit *Memo3, *Memo4, *Memo5, *Memo6, *Memo7;

    // Page 2: fix period and wake-up frequency.
    QGroupBox *GroupBox8, *GroupBox9;
    QComboBox* ComboBox16;
    QRadioButton *RadioButton3, *RadioButton4, *RadioButton5;
    QPlainTextEdit *Memo8, *Memo9;

    // Page 3: motion-sensor guard mode and its two intervals.
    QGroupBox *GroupBox10, *GroupBox11, *GroupBox12;
    QRadioButton *RadioButton8, *RadioButton9, *RadioButton10, *RadioButton11;
    QComboBox *ComboBox4, *ComboBox5, *ComboBox6, *ComboBox7;
    QComboBox *ComboBox8, *ComboBox9, *ComboBox10, *ComboBox11;
    QPlainTextEdit *Memo24, *Memo10, *Memo11;

    // Page 4: motion-sensor time-out, false-trigger protection, thresholds.
    QGroupBox *GroupBox13, *GroupBox14, *GroupBox15, *GroupBox16;
    QComboBox *ComboBox13, *ComboBox14, *ComboBox15;
    QCheckBox* CheckBox2;
    QPlainTextEdit *Memo13, *Memo14, *Memo15, *Memo16;

    // Page 5: geofence.
    QGroupBox* GroupBox17;
    QComboBox* ComboBox18;
    QLineEdit* Edit6;
    QPlainTextEdit* Memo17;

    // Page 6: balance threshold and balance request code.
    QGroupBox *GroupBox18, *GroupBox19;
    QLineEdit* Edit3;
    QRadioButton *RadioButton6, *RadioButton7;
    QLineEdit* Edit4;
    QPlainTextEdit *Memo18, *Memo19;

    // Page 7: device firmware update and device information.
    QGroupBox *GroupBox20, *GroupBox21;
    QToolButton* SpeedButton6;
    QProgressBar* ProgressBar1;
    QLabel *Label17, *Label18;
    QLineEdit *Edit11, *Edit12;
    QPlainTextEdit *Memo20, *Memo21;

    // Page 8: summary of the settings last read.
    QGroupBox* GroupBox22;
    QTableWidget* StringGrid1;
    QPlainTextEdit* Memo22;

  public Q_SLOTS:
    void Label1Click();
    void Label2Click();
    void Label3Click();
    void Label4Click();
    void Label5Click();
    void Label6Click();
    void Label7Click();
    void Label8Click();
    void Label21Click();

    void SpeedButton3Click();  // write settings
    void SpeedButton4Click();  // read settings
    void SpeedButton5Click();  // restore defaults
    void SpeedButton1Click();  // load a settings file
    void SpeedButton2Click();  // save a settings file
    void SpeedButton7Click();  // command file window
    void SpeedButton8Click();  // engineering window
    void SpeedButton6Click();  // device firmware update
    void Button8Click();       // list the ports

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void InitActions();
    void FormCreate();
    void BuildHeader();
    void BuildNavigation();
    void BuildToolbar();
    void BuildPortPanel();
    void BuildPages();
    QWidget* BuildOwnerPage();
    QWidget* BuildMainSettingsPage();
    QWidget* BuildContactPage();
    QWidget* BuildGuardPage();
    QWidget* BuildSensorPage();
    QWidget* BuildGeofencePage();
    QWidget* BuildBalancePage();
    QWidget* BuildFirmwarePage();
    QWidget* BuildSummaryPage();
    void JustifyMemos();
    void SetNavigationHover(QLabel* label, bool hovered);
    bool HeaderMouseEvent(QEvent* event);
    QLabel* NavigationLabel(int entry) const;

    // A worker's owner: the window keeps it until it has ended.
    void StartWorker(std::unique_ptr<Worker> worker);
    void ShowFileError(const QString& text);

    std::unique_ptr<SettingsSink> settingsSink;
    std::unique_ptr<FirmwareSink> firmwareSink;
    std::unique_ptr<sim::TrackerSimulator> demoSimulator;
    std::unique_ptr<sim::PtyTransport> demoTransport;
    QString preferredPort;

    int selectedEntry = 1;
    bool draggingByHand = false;
    QPoint dragOffset;
};

}  // namespace zort
