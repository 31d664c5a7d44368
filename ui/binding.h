// What the bindings share beyond ui.h; for their own files only.
#pragma once

#include "platform/unicode.h"

namespace ui {

// A spin field's text read as a whole number; text that is no number counts as the minimum.
int SpinTextValue(TextView text, int minimum);

}  // namespace ui
