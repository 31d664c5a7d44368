// What a listener can do from anywhere, in one table: each action's verb, its place in the tray's
// menu, its hotkey, the media-control methods that ask for it, and who may ask for it. The tray,
// the hotkeys, `kelvora VERB`, the session bus and WM_COPYDATA all read it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/settings.h"
#include "ui/ui.h"

enum class TControlAction {
  kSkip,
  kPause,
  kResume,
  kPlayPause,
  kRepeat,
  kMute,
  kOptions,
  kToggle,
  kRaise,
  kQuit
};

struct TActionRow {
  TControlAction action;
  std::string_view verb;
  const char16_t* trayCaption;                    // nullptr: not in the tray's menu
  bool trayBreakBefore;                           // a separator before it in the menu
  Text TOptions::*hotkey;                         // the option holding its key; nullptr: none
  std::array<std::string_view, 2> mediaControls;  // MPRIS methods asking for it
  bool commandLine;  // `kelvora VERB` (and so another process) may ask for it
};

// Every action, in the tray menu's order.
const std::vector<TActionRow>& ActionTable();
// The action of a verb the program itself gives (the tray, a hotkey); none for another.
std::optional<TControlAction> ActionOfVerb(std::string_view verb);
// The action another process asks for: a command the command line offers, or a media-control
// method; none for anything else (quit and the options never come from outside).
std::optional<TControlAction> ActionOfRequest(const ui::RemoteRequest& request);
// Whether `kelvora VERB` hands the verb to the running window.
bool IsCommandLineVerb(std::string_view verb);
// The tray's menu: each item's caption and verb, separators as empty captions.
std::vector<std::pair<Text, std::string>> TrayMenuItems();
// The hotkeys the options ask for, in the table's order: each key and its verb, and the texts
// that name no key (an empty text asks for none).
struct THotkeysWanted {
  std::vector<std::pair<ui::KeyChord, std::string>> keys;
  std::vector<Text> unusable;
};
THotkeysWanted HotkeysWanted(const TOptions& options);
// The warning for hotkeys that cannot work (not a key, or another program holds them); empty
// when every one works.
Text HotkeysUnusableText(const std::vector<Text>& unusable);
