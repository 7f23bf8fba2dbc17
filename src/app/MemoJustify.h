#pragma once
// Line breaking and justification of the help memos beside the settings. Kept apart
// from the widgets so that the arithmetic can be checked without a display: the caller
// supplies the width of a text in the memo's font.

#include <QString>
#include <QStringList>
#include <functional>

namespace zort {

// Width in pixels of a text drawn in the memo's font.
using TextWidthFn = std::function<int(const QString&)>;

// Breaks `text` into the lines a memo shows: every '\n' ends a line, and words are
// gathered greedily into lines no wider than `maxWidth`. A word wider than `maxWidth`
// gets a line of its own rather than being cut. A trailing '\n' yields a trailing empty
// line, as a memo whose text ends with a line break has.
QStringList WrapMemoText(const QString& text, int maxWidth, const TextWidthFn& width);

// Pads the blanks of every line but the last two so that the text reaches the memo's
// right edge. A line is rebuilt with one blank per gap, then blanks are added to the
// gaps in turn, left to right and round again, while the line plus one blank plus the
// memo's 12-pixel inner margin stays narrower than `memoWidth`. Lines of a single word
// are left alone; the last two are left alone because they end the paragraph (the very
// last one is the memo's empty closing line).
QStringList JustifyMemoLines(const QStringList& lines, int memoWidth, const TextWidthFn& width);

}  // namespace zort
