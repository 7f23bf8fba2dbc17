#pragma once
// The reply log: a window that collects dumps of the tracker's replies for whoever is
// debugging an exchange.

#include <QWidget>
#include <memory>
#include <string_view>

namespace Ui {
class TForm6;
}

namespace zort {

class TForm6 : public QWidget {
    Q_OBJECT
  public:
    explicit TForm6(QWidget* parent = nullptr);
    ~TForm6() override;

    // Adds the dump of the start of `reply` (raw Windows-1251 bytes) and the empty lines
    // that part it from the next one.
    void LogReply(std::string_view reply);
    // Adds the session log's line for an operation that ended, between the dumps, so that
    // they read as the story of the exchange.
    void LogSessionLine(const QString& line);

    std::unique_ptr<Ui::TForm6> ui;
};

}  // namespace zort
