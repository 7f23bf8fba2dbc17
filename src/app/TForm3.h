#pragma once
// The progress window of device operations: a small tool window over the main window
// with one progress bar, titled after the step under way.

#include <QWidget>
#include <memory>

namespace Ui {
class TForm3;
}

namespace zort {

class TForm3 : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kClientWidth = 263;
    static constexpr int kClientHeight = 133;

    // `mainWindow` is the window it stays above and is centred on.
    explicit TForm3(QWidget* mainWindow = nullptr);
    ~TForm3() override;

    // Titles the window `caption` and shows it centred on the main window.
    void ShowProgress(const QString& caption);
    void SetProgress(int maximum, int position);
    void HideProgress();

    std::unique_ptr<Ui::TForm3> ui;
};

}  // namespace zort
