#pragma once
// How the settings validation talks to the user: the GUI shows message boxes (warning
// icon), the CLI answers from --yes and prints, tests script the answers. Texts are
// UTF-8; a title is "конфигуратор" or "Конфигуратор" as each message requires.

#include <string_view>

namespace zort {

class SettingsPrompts {
  public:
    virtual ~SettingsPrompts() = default;

    // A Yes/No question; true means Yes.
    virtual bool AskYesNo(std::string_view title, std::string_view text) = 0;
    // A refusal the user acknowledges with OK.
    virtual void Warn(std::string_view title, std::string_view text) = 0;
    // Validation moved the navigation to another entry (1..9) or page (0..8) before
    // asking or warning; the GUI shows it first so the box appears over the field.
    virtual void PageChanged(int selectedEntry, int shownPage) {
        (void)selectedEntry;
        (void)shownPage;
    }
    // After a refusal, or "No" to a question, the control the check was about, by the
    // name the pages know it by ("Edit8", "ComboBox4"); the GUI gives it the focus.
    virtual void FocusControl(std::string_view control) { (void)control; }
};

}  // namespace zort
