// Helpers for tests that drive windows from outside, as another program would.
#pragma once

#include "platform/win32.h"

#include <functional>

// The text as the control holds it, also for another process's edit fields (GetWindowTextW
// gives those only their creation text).
Text WindowText(HWND hwnd);

Text WindowClass(HWND hwnd);

// The first child (at any depth) that match accepts; nullptr when none does.
HWND ChildWhere(HWND parent, const std::function<bool(HWND)>& match);
