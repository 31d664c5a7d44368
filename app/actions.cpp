// Skip, Pause/Resume, Repeat and Mute last speaker: one set of functions on the window.
#include "app/actions.h"

#include <utility>

#include "app/uMainFrm.h"
#include "speech/runtime/sapi_markup.h"
#include "speech/uSpeechLib.h"
#include "text/speaker_key.h"

std::optional<TControlAction> ControlActionNamed(std::string_view name) {
  constexpr std::pair<std::string_view, TControlAction> kNames[] = {
      {"skip", TControlAction::kSkip},     {"pause", TControlAction::kPause},
      {"resume", TControlAction::kResume}, {"repeat", TControlAction::kRepeat},
      {"mute", TControlAction::kMute},     {"playpause", TControlAction::kPlayPause},
  };
  for (const auto& [named, action] : kNames) {
    if (named == name) return action;
  }
  return std::nullopt;
}

void TMainFrm::ControlActionRun(TControlAction action) {
  switch (action) {
    case TControlAction::kSkip:
      ASAPISkip();
      break;
    case TControlAction::kPause:
      SpeechPause();
      break;
    case TControlAction::kResume:
      SpeechResume();
      break;
    case TControlAction::kPlayPause:
      SpeechPaused() ? SpeechResume() : SpeechPause();
      break;
    case TControlAction::kRepeat:
      SpeechRepeat();
      break;
    case TControlAction::kMute:
      SpeakerHeardMute();
      break;
  }
}

void TMainFrm::SpeakerHeardMute() {
  Text speaker = SpeechSpeakerHeard();
  if (speaker.empty() || !MutedSpeakers.insert(speaker).second) return;
  SpeechSpeakerDrop(speaker);
  Text notice = SpokenUserName(speaker) + u" muted.";
  NoticeSend(SapiXmlEscaped(notice), notice);
}

void TMainFrm::RemoteActionTake(const std::string& action) {
  if (action == "raise") {
    MainFrm.Raise();
    return;
  }
  if (action == "toggle" && !MainFrm.Visible()) {
    MainFrm.Show();
    return;
  }
  if (action == "toggle") {
    MainFrm.Hide();
    return;
  }
  if (action == "quit") {
    MainFrm.Close();
    return;
  }
  if (action == "options") {
    OptionsDialogRun();
    return;
  }
  if (std::optional<TControlAction> named = ControlActionNamed(action)) ControlActionRun(*named);
}

namespace {

// The words of a line without the name said with it ("Ann : hi", "Ann waves").
Text MessageOf(const TChatLine& line) {
  if (!line.bare.empty()) return line.bare;
  TextView text = line.text;
  if (text.rfind(line.name, 0) == 0) text.remove_prefix(line.name.size());
  return Trim(text);
}

// A text with its line breaks and other control characters as blanks, for a title.
Text ControlsRemoved(Text text) {
  for (char16_t& c : text) {
    if (c < u' ' || c == u'\x7F') c = u' ';
  }
  return text;
}

}  // namespace

ui::RemoteState TMainFrm::RemoteStateGet() const {
  ui::RemoteState state{Timer1.Enabled(), SpeechPaused(), SpeechBusy(), {}, {}};
  if (std::optional<TChatLine> heard = SpeechHeard()) {
    state.speaker = heard->name;
    state.title = ControlsRemoved(heard->speaker.empty() ? heard->text : MessageOf(*heard));
    state.title = state.title.substr(0, kRemoteTitleLength);
  }
  return state;
}

void TMainFrm::HotkeysRegister() {
  const std::pair<const Text*, const char*> wanted[] = {{&Options.HotkeySkip, "skip"},
                                                        {&Options.HotkeyPause, "playpause"},
                                                        {&Options.HotkeyRepeat, "repeat"},
                                                        {&Options.HotkeyMute, "mute"}};
  std::vector<std::pair<ui::KeyChord, std::string>> keys;
  Text unusable;
  for (const auto& [text, action] : wanted) {
    if (Trim(*text).empty()) continue;
    if (std::optional<ui::KeyChord> chord = ui::KeyChordParse(*text)) {
      keys.push_back({*chord, action});
    } else {
      unusable += (unusable.empty() ? u"" : u", ") + *text;
    }
  }
  for (const ui::KeyChord& held : Keys.Register(keys)) {
    unusable += (unusable.empty() ? u"" : u", ") + ui::KeyChordText(held);
  }
  if (unusable.empty()) return;
  ui::MessageShow(
      u"These hotkeys cannot be used (not a key, or another program has them): " + unusable + u".",
      ui::MessageKind::kWarning);
}

Text TMainFrm::TrayTooltipOf(const ui::RemoteState& state) {
  Text tip = kApplicationTitle;
  if (!state.monitoring) return tip + u": not monitoring";
  if (state.paused) return tip + u": monitoring, paused";
  if (state.title.empty()) return tip + u": monitoring";
  return tip + u": reading " + (state.speaker.empty() ? state.title : state.speaker);
}
