#pragma once
// SettingsPrompts that answers from a script and records every call in order, with the
// navigation of the pages at the moment the box would appear.

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsPages.h"
#include "settings/SettingsPrompts.h"

namespace zort::test {

struct PromptCall {
    enum Kind { kAsk, kWarn } kind;
    std::string title;
    std::string text;
    int entry;  // navigation when the box appeared
    int page;
};

class ScriptedPrompts : public SettingsPrompts {
  public:
    explicit ScriptedPrompts(const SettingsPages& pages) : pages_(pages) {}

    std::deque<bool> answers;  // for AskYesNo, in order; an unscripted question is "No"
    std::vector<PromptCall> calls;
    std::vector<std::string> focused;  // FocusControl, in order

    bool AskYesNo(std::string_view title, std::string_view text) override {
        calls.push_back({PromptCall::kAsk, std::string(title), std::string(text), pages_.selectedEntry,
                         pages_.shownPage});
        if (answers.empty()) return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Warn(std::string_view title, std::string_view text) override {
        calls.push_back({PromptCall::kWarn, std::string(title), std::string(text), pages_.selectedEntry,
                         pages_.shownPage});
    }
    // The notice must carry what the pages now hold, or the GUI would show another page.
    void PageChanged(int selectedEntry, int shownPage) override {
        EXPECT_EQ(selectedEntry, pages_.selectedEntry);
        EXPECT_EQ(shownPage, pages_.shownPage);
    }

    void FocusControl(std::string_view control) override { focused.emplace_back(control); }

  private:
    const SettingsPages& pages_;
};

}  // namespace zort::test
