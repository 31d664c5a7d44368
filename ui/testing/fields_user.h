// Tests of the dialog of fields act in it as its user would, through the binding's own controls.
#pragma once

#include <optional>
#include <vector>

#include "platform/unicode.h"

namespace ui {

// In the open dialog of fields: types the values into its fields (a check box takes "1" or "0",
// a key field has the chord pressed in it) and presses OK; presses Cancel for none. False when
// no such dialog is open.
bool FieldsDialogAnswer(const std::optional<std::vector<Text>>& values);
// The texts the open dialog shows beside its fields: labels, group titles, notes.
std::vector<Text> FieldsDialogTexts();
// Whether every label and field of the open dialog shows its text whole.
bool FieldsDialogTextFits();

}  // namespace ui
