#pragma once
// The house colours and the one font every window is laid out for. The main window has
// a fixed size, so its layout is only right for the font it was measured with; the
// font is therefore fixed in pixels, independent of the desktop's scaling.

#include <QColor>

class QApplication;
class QFont;
class QWidget;

namespace zort {

inline const QColor kNavigationPanelColour(0x44, 0x44, 0x44);
inline const QColor kPanelColour(0xF5, 0xF2, 0xF0);     // header and port panel
inline const QColor kSelectedColour(0x40, 0x7D, 0xA1);  // a selected entry's ground
inline const QColor kTextColour(0x40, 0x40, 0x42);
inline const QColor kExitHoverColour(0xFF, 0x00, 0x00);
inline const QColor kHintColour(0x5A, 0x5A, 0x5E);  // help memos

// The font of all windows: DejaVu Sans at 11 px.
QFont BaseFont();

// Fusion style, the base font and a white window ground for the whole application.
void ApplyLookAndFeel(QApplication& app);

// Gives `widget` a filled ground of `ground` and, when valid, text of `text`.
void Paint(QWidget* widget, const QColor& ground, const QColor& text = QColor());

}  // namespace zort
