#include "app/KeyFilter.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>

namespace zort {

KeyFilter::KeyFilter(QString allowed, QObject* parent) : QObject(parent), allowed(std::move(allowed)) {}

void KeyFilter::Install(QLineEdit* edit, const QString& allowed) {
    edit->installEventFilter(new KeyFilter(allowed, edit));
}

bool KeyFilter::Accepts(const QString& typed) const {
    for (const QChar c : typed) {
        if (!allowed.contains(c)) return false;
    }
    return true;
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->matches(QKeySequence::Paste)) {
        return !Accepts(QGuiApplication::clipboard()->text());
    }
    const QString text = key->text();
    // Control characters (backspace, tab, Ctrl+C ...) are commands, not typing.
    if (text.isEmpty() || !text.front().isPrint()) return false;
    return !Accepts(text);
}

}  // namespace zort
