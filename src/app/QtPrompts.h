#pragma once
// The settings checks' questions and refusals as message boxes over the main window's
// page that the check concerns.

#include "settings/SettingsPrompts.h"

namespace zort {

class TForm1;

class QtPrompts : public SettingsPrompts {
  public:
    explicit QtPrompts(TForm1& form) : form(form) {}
    bool AskYesNo(std::string_view title, std::string_view text) override;
    void Warn(std::string_view title, std::string_view text) override;
    void PageChanged(int selectedEntry, int shownPage) override;
    void FocusControl(std::string_view control) override;

  private:
    TForm1& form;
};

}  // namespace zort
