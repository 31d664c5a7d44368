// The headless remote control, for tests: what the window last showed the desktop.
#pragma once

#include "ui/ui.h"

namespace ui {

// The state the live RemoteControl was last given (default when there is none).
RemoteState RemoteStateGet();
// A request as the desktop or another process makes it; false when it is refused or no
// RemoteControl lives.
bool MediaControlRequest(const RemoteRequest& request);

}  // namespace ui
