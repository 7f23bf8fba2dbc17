#pragma once
// Copies the main window's settings controls into the toolkit-free page model and
// back. All checking lives in the model (settings/SettingsBinding.h); this only moves
// values.

#include "settings/SettingsPages.h"

namespace zort {

class TForm1;

void ControlsToModel(const TForm1& form, SettingsPages& pages);
// Also applies the model's navigation (entry and page), as validation may have moved it.
void ModelToControls(const SettingsPages& pages, TForm1& form);

}  // namespace zort
