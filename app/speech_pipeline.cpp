#include "app/speech_pipeline.h"

#include "app/speech_lines.h"
#include "speech/runtime/sapi_markup.h"
#include "text/speaker_key.h"

void TSpeechPipeline::PiecesSend(const std::vector<TSpeechPiece>& pieces,
                                 const TWindowVoice& window, const TOptions& options, double now) {
  auto voiceOf = [&](const TSpeechPiece& piece) {
    return PieceVoice(piece, window.voiceIndex, options.AutoVoices != 0, now);
  };
  for (TVoicedLines& text : PiecesVoiced(pieces, muted_, voiceOf)) {
    LinesSend(std::move(text.lines), text.voice, window, options);
  }
}

void TSpeechPipeline::LinesSend(std::vector<TChatLine> lines, TVoiceChoice voice,
                                const TWindowVoice& window, const TOptions& options) {
  bool taken = SpeechSayLines(std::move(lines), voice.voiceIndex, window.volume, window.rate,
                              {options.MaxQueue, options.CatchUp, options.NameRepeat}, voice.pitch);
  if (!taken) Warn();
}

bool TSpeechPipeline::NoticeSay(TextView xml, TextView plain, const TWindowVoice& window) {
  return SpeechSayNotice(xml, plain, window.voiceIndex, window.volume, window.rate);
}

void TSpeechPipeline::NoticeSend(TextView xml, TextView plain, const TWindowVoice& window) {
  if (!plain.empty() && !NoticeSay(xml, plain, window)) Warn();
}

void TSpeechPipeline::SpeakerHeardMute(const TWindowVoice& window) {
  Text speaker = SpeechSpeakerHeard();
  if (speaker.empty() || !muted_.insert(speaker).second) return;
  SpeechSpeakerDrop(speaker);
  Text notice = SpokenUserName(speaker) + u" muted.";
  NoticeSend(SapiXmlEscaped(notice), notice, window);
}

void TSpeechPipeline::Warn() {
  if (warningOpen_) return;
  warningOpen_ = true;
  ui::MessageShow(kSapiWarning, ui::MessageKind::kWarning);
  warningOpen_ = false;
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

ui::RemoteState SpeechRemoteState(bool monitoring) {
  ui::RemoteState state{monitoring, SpeechPaused(), SpeechBusy(), {}, {}};
  if (std::optional<TChatLine> heard = SpeechHeard()) {
    state.speaker = heard->name;
    // The media controls show the cue of a line for you as it is heard.
    state.title = (heard->forYou ? kForYouCue : u"") +
                  ControlsRemoved(heard->speaker.empty() ? heard->text : MessageOf(*heard));
    state.title = state.title.substr(0, kRemoteTitleLength);
    state.forYou = heard->forYou;
  }
  return state;
}

Text TrayTooltipOf(const ui::RemoteState& state, TextView sources) {
  Text tip = ui::Application::Title();
  if (!state.monitoring) return tip + u": not monitoring";
  Text monitoring = tip + u": monitoring";
  if (!sources.empty()) monitoring.append(u" ").append(sources);
  if (state.paused) return monitoring + u", paused";
  if (state.title.empty()) return monitoring;
  Text reading = tip + u": reading " + (state.speaker.empty() ? state.title : state.speaker);
  return state.forYou ? reading + u", for you" : reading;
}
