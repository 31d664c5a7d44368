// The headless remote control, for tests: what the window last showed the desktop.
#pragma once

#include "ui/ui.h"

namespace ui {

// The state the live RemoteControl was last given (default when there is none).
RemoteState RemoteStateGet();

}  // namespace ui
