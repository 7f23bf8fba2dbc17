#pragma once
// The write button's questions and refusals on the command line. Without --yes every
// Yes/No question is answered "No" (a script must not agree to write a tracker without
// its owner's number by accident); with --yes the question is printed as a log line and
// answered "Yes". A refusal or a "No" is kept for the command's error message.

#include <cstdio>
#include <string>
#include <string_view>

#include "settings/SettingsPrompts.h"

namespace zort::cli {

class CliPrompts : public SettingsPrompts {
  public:
    explicit CliPrompts(bool answerYes, std::FILE* out = stdout) : answerYes(answerYes), out(out) {}

    bool AskYesNo(std::string_view title, std::string_view text) override;
    void Warn(std::string_view title, std::string_view text) override;

    // The text of the refusal, or of the question answered "No"; empty when none.
    const std::string& Refusal() const { return refusal; }
    // What to add to the refusal so the user knows how to answer otherwise.
    const std::string& Hint() const { return hint; }

  private:
    const bool answerYes;
    std::FILE* out;
    std::string refusal;
    std::string hint;
};

}  // namespace zort::cli
