#include "app/LookAndFeel.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QWidget>

namespace zort {

QFont BaseFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    return font;
}

void ApplyLookAndFeel(QApplication& app) {
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    app.setFont(BaseFont());
    QPalette palette = app.style()->standardPalette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, kTextColour);
    palette.setColor(QPalette::Highlight, kSelectedColour);
    app.setPalette(palette);
}

void Paint(QWidget* widget, const QColor& ground, const QColor& text) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, ground);
    if (text.isValid()) palette.setColor(QPalette::WindowText, text);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

}  // namespace zort
