#include "cli/CliPrompts.h"

namespace zort::cli {

bool CliPrompts::AskYesNo(std::string_view, std::string_view text) {
    if (answerYes) {
        std::fprintf(out, "%.*s\nДа (--yes)\n", static_cast<int>(text.size()), text.data());
        std::fflush(out);
        return true;
    }
    refusal = text;
    hint = "Ответ: Нет. Чтобы ответить «Да», добавьте --yes";
    return false;
}

void CliPrompts::Warn(std::string_view, std::string_view text) {
    refusal = text;
    hint.clear();
}

}  // namespace zort::cli
