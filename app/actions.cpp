#include "app/actions.h"

#include <algorithm>

const std::vector<TActionRow>& ActionTable() {
  static const std::vector<TActionRow> table = {
      {TControlAction::kSkip,
       "skip",
       u"Skip",
       false,
       &TOptions::HotkeySkip,
       {"Next", "Stop"},
       true},
      {TControlAction::kPause, "pause", nullptr, false, nullptr, {"Pause"}, true},
      {TControlAction::kResume, "resume", nullptr, false, nullptr, {"Play"}, true},
      {TControlAction::kPlayPause,
       "playpause",
       u"Pause / Resume",
       false,
       &TOptions::HotkeyPause,
       {"PlayPause"},
       false},
      {TControlAction::kRepeat,
       "repeat",
       u"Repeat",
       false,
       &TOptions::HotkeyRepeat,
       {"Previous"},
       true},
      {TControlAction::kMute, "mute", u"Mute last speaker", false, &TOptions::HotkeyMute, {}, true},
      {TControlAction::kOptions, "options", u"Options...", true, nullptr, {}, false},
      {TControlAction::kToggle, "toggle", u"Show / Hide window", false, nullptr, {}, false},
      {TControlAction::kRaise, "raise", nullptr, false, nullptr, {"Raise"}, false},
      {TControlAction::kQuit, "quit", u"Quit", false, nullptr, {}, false},
  };
  return table;
}

namespace {

const TActionRow* RowOfVerb(std::string_view verb) {
  const std::vector<TActionRow>& table = ActionTable();
  auto row =
      std::find_if(table.begin(), table.end(), [&](const TActionRow& r) { return r.verb == verb; });
  return row == table.end() ? nullptr : &*row;
}

}  // namespace

std::optional<TControlAction> ActionOfVerb(std::string_view verb) {
  const TActionRow* row = RowOfVerb(verb);
  return row ? std::optional(row->action) : std::nullopt;
}

bool IsCommandLineVerb(std::string_view verb) {
  const TActionRow* row = RowOfVerb(verb);
  return row && row->commandLine;
}

std::optional<TControlAction> ActionOfRequest(const ui::RemoteRequest& request) {
  if (request.kind == ui::RemoteRequest::Kind::kCommand) {
    return IsCommandLineVerb(request.name) ? ActionOfVerb(request.name) : std::nullopt;
  }
  for (const TActionRow& row : ActionTable()) {
    for (std::string_view method : row.mediaControls) {
      if (!method.empty() && method == request.name) return row.action;
    }
  }
  return std::nullopt;
}

std::vector<std::pair<Text, std::string>> TrayMenuItems() {
  std::vector<std::pair<Text, std::string>> items;
  for (const TActionRow& row : ActionTable()) {
    if (!row.trayCaption) continue;
    if (row.trayBreakBefore) items.push_back({u"", ""});
    items.push_back({row.trayCaption, std::string(row.verb)});
  }
  return items;
}

THotkeysWanted HotkeysWanted(const TOptions& options) {
  THotkeysWanted wanted;
  for (const TActionRow& row : ActionTable()) {
    if (!row.hotkey || Trim(options.*row.hotkey).empty()) continue;
    if (std::optional<ui::KeyChord> chord = ui::KeyChordParse(options.*row.hotkey)) {
      wanted.keys.push_back({*chord, std::string(row.verb)});
    } else {
      wanted.unusable.push_back(options.*row.hotkey);
    }
  }
  return wanted;
}

Text HotkeysUnusableText(const std::vector<Text>& unusable) {
  if (unusable.empty()) return {};
  Text keys;
  for (const Text& key : unusable) keys += (keys.empty() ? u"" : u", ") + key;
  return u"These hotkeys cannot be used (not a key, or another program has them): " + keys + u".";
}
