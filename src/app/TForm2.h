#pragma once
// The command file window: picks one of the tracker's three modes and saves the command
// that switches to it.

#include <QWidget>
#include <memory>

namespace Ui {
class TForm2;
}

namespace zort {

class TForm2 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    std::unique_ptr<Ui::TForm2> ui;

  Q_SIGNALS:
    // The user asked to save the chosen command; whoever owns the command file format
    // asks for the file name, writes it and hides this window.
    void SaveRequested();

  public Q_SLOTS:
    void SpeedButton1Click();
};

}  // namespace zort
