#pragma once
// The engineering password dialog, the only way into the service window. It asks for a
// short fixed password: the point is to keep owners out of tools that can leave the
// tracker's modem or receiver in a state they cannot recover from, not security.

#include <QWidget>
#include <functional>
#include <memory>

namespace Ui {
class TForm4;
}

namespace zort {

class TForm5;

// Service technicians know it; it is not printed anywhere in the program's windows.
inline constexpr char kEngineeringPassword[] = "73";

class TForm4 : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kClientWidth = 290;
    static constexpr int kClientHeight = 152;

    // `mainWindow` is the window it stays above and is centred on.
    explicit TForm4(QWidget* mainWindow = nullptr);
    ~TForm4() override;

    // Shows the dialog centred on the main window, with an empty field that has the
    // focus.
    void Open();

    // The window a right password opens.
    TForm5* form5 = nullptr;
    // How a wrong password is told; tests record it instead of opening a box.
    std::function<void(const QString& text)> showWarning;

    std::unique_ptr<Ui::TForm4> ui;

  public Q_SLOTS:
    void Button1Click();  // "Вход", also Enter in the field
    void Button2Click();  // "Отмена"
};

}  // namespace zort
