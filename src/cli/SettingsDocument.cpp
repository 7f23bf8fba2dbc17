#include "cli/SettingsDocument.h"

namespace zort::cli {
namespace {

Outcome FromDocument(const DocumentResult& result) {
    return result ? Outcome::Success() : Outcome::BadInput(result.message, result.detail);
}

}  // namespace

Outcome ApplySettingsJson(std::string_view text, const std::string& source, SettingsImage& image) {
    return FromDocument(zort::ApplySettingsDocument(text, source, image));
}

Outcome ApplySettingAssignments(const std::vector<std::string>& assignments, SettingsImage& image) {
    return FromDocument(zort::ApplySettingsAssignments(assignments, image));
}

}  // namespace zort::cli
