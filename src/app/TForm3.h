#pragma once
// The progress window of device operations: a small tool window over the main window
// with the step under way, one progress bar and "Отмена".

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

    // Titles the window after `caption` (the worker's, "Чтение настроек...") and shows it
    // centred on the main window, with "Отмена" ready.
    void ShowProgress(const QString& caption);
    // The bar, and the step as "Чтение настроек: 17 из 30".
    void SetProgress(int maximum, int position);
    void HideProgress();

    std::unique_ptr<Ui::TForm3> ui;

  Q_SIGNALS:
    // "Отмена": the operation should stop before its next step.
    void CancelRequested();

  private:
    QString caption;
};

}  // namespace zort
