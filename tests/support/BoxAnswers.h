#pragma once
// Answers the program's own message boxes in window tests, as a user would: the box is
// really shown and its button really pressed, so whatever happens to the focus and the
// active window afterwards is what a user gets.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTimer>

namespace zort::test {

class BoxAnswers : public QObject {
  public:
    // Presses `button` on every box that opens while this object lives.
    explicit BoxAnswers(QMessageBox::StandardButton button) : BoxAnswers(button, QString()) {}
    // Presses the button captioned `text`, one the program added to the box.
    explicit BoxAnswers(const QString& text) : BoxAnswers(QMessageBox::NoButton, text) {}

  private:
    BoxAnswers(QMessageBox::StandardButton button, const QString& text) : button(button), buttonText(text) {
        // Polled: a box runs its own event loop, where only timers reach us.
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, this, [this] { AnswerOpenBox(); });
        timer.start();
    }

  public:
    // Title and text of every box answered, in order.
    QStringList titles;
    QStringList texts;
    // The buttons the boxes offered, as shown.
    QStringList buttonTexts;
    // The button a box had as its default.
    QStringList defaults;

  private:
    void AnswerOpenBox() {
        for (QWidget* window : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(window);
            if (box == nullptr || !box->isVisible()) continue;
            titles << box->windowTitle();
            texts << box->text();
            for (QAbstractButton* offered : box->buttons()) buttonTexts << offered->text();
            if (box->defaultButton() != nullptr) defaults << box->defaultButton()->text();
            for (QAbstractButton* offered : box->buttons()) {
                if (!buttonText.isEmpty() && offered->text() == buttonText) {
                    offered->click();
                    return;
                }
            }
            if (QAbstractButton* pressed = box->button(button)) pressed->click();
            return;
        }
    }

    QMessageBox::StandardButton button;
    QString buttonText;
    QTimer timer;
};

}  // namespace zort::test
