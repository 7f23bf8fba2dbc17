#include "app/MemoJustify.h"

#include <vector>

namespace zort {
namespace {

// Horizontal room the memo keeps for its frame and inner margins.
constexpr int kMemoMargin = 12;

QStringList Words(const QString& line) {
    return line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString Join(const QStringList& words, const std::vector<int>& gaps) {
    QString out = words.front();
    for (qsizetype i = 1; i < words.size(); ++i) {
        out += QString(gaps[static_cast<size_t>(i - 1)], QLatin1Char(' '));
        out += words[i];
    }
    return out;
}

}  // namespace

QStringList WrapMemoText(const QString& text, int maxWidth, const TextWidthFn& width) {
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString& word : Words(paragraph)) {
            if (line.isEmpty()) {
                line = word;
                continue;
            }
            const QString longer = line + QLatin1Char(' ') + word;
            if (width(longer) <= maxWidth) {
                line = longer;
            } else {
                lines << line;
                line = word;
            }
        }
        lines << line;
    }
    return lines;
}

QStringList JustifyMemoLines(const QStringList& lines, int memoWidth, const TextWidthFn& width) {
    QStringList out = lines;
    const int blank = width(QStringLiteral(" "));
    for (qsizetype i = 0; i + 2 < out.size(); ++i) {
        const QStringList words = Words(out[i]);
        if (words.size() < 2) continue;
        std::vector<int> gaps(static_cast<size_t>(words.size() - 1), 1);
        QString current = Join(words, gaps);
        int currentWidth = width(current);
        for (size_t next = 0;; next = (next + 1) % gaps.size()) {
            ++gaps[next];
            const QString wider = Join(words, gaps);
            const int widerWidth = width(wider);
            // A font whose blank measures nothing would never reach the edge.
            if (widerWidth + blank + kMemoMargin >= memoWidth || widerWidth <= currentWidth) break;
            current = wider;
            currentWidth = widerWidth;
        }
        out[i] = current;
    }
    return out;
}

}  // namespace zort
