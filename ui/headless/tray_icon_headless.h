// The headless tray icon, for tests: its menu and tooltip, and a choice made in its menu.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ui/ui.h"

namespace ui {

std::vector<std::pair<Text, std::string>> TrayMenuGet();
Text TrayTooltipGet();
// The item of that action chosen in the live tray icon's menu.
void TrayMenuChoose(const std::string& action);

}  // namespace ui
