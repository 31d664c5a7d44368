// The headless hotkeys, for tests: a key pressed anywhere, and keys another program holds.
#pragma once

#include <vector>

#include "ui/ui.h"

namespace ui {

// Presses the chord: the live Hotkeys that registered it tells its action.
void HotkeyPress(const KeyChord& chord);
// From now on these chords cannot be registered.
void HotkeysHeldSet(std::vector<KeyChord> held);

}  // namespace ui
