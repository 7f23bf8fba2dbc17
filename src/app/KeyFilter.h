#pragma once
// Restricts what can be typed into an edit: characters outside a fixed set are dropped
// before the edit sees them. Editing and navigation keys (backspace, delete, arrows,
// tab, clipboard shortcuts) keep working; a paste goes through only when everything it
// would insert is allowed.

#include <QObject>
#include <QString>

class QLineEdit;

namespace zort {

class KeyFilter : public QObject {
    Q_OBJECT
  public:
    // `allowed` lists the characters that may be typed.
    KeyFilter(QString allowed, QObject* parent);

    // Filters typing into `edit`; the filter belongs to the edit.
    static void Install(QLineEdit* edit, const QString& allowed);

    bool Accepts(const QString& typed) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QString allowed;
};

inline const QString kDigits = QStringLiteral("0123456789");
inline const QString kPhoneCharacters = QStringLiteral("0123456789+");

}  // namespace zort
