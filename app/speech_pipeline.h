// The window's speaking: chat pieces to the queue in their voices, notices, the speaker muted,
// the speech warning, and what the desktop is shown of what is heard.
#pragma once

#include <set>
#include <vector>

#include "app/settings.h"
#include "speech/uSpeechLib.h"
#include "text/uText.h"
#include "ui/ui.h"

inline constexpr char16_t kSapiWarning[] =
    u"Application can't access SAPI.\r\nPlease check Control Panel - Speech Recognition - Text to "
    u"Speech.";

// How much of the text being spoken the media controls show as its title.
inline constexpr size_t kRemoteTitleLength = 80;

// The window's voice, volume and rate as its controls stand when something is said.
struct TWindowVoice {
  int32_t voiceIndex;
  int32_t volume;
  int32_t rate;
};

class TSpeechPipeline {
 public:
  // A tick's pieces, those of the muted speakers left out, consecutive ones of one voice and
  // pitch as one text of lines, under the options' limits.
  void PiecesSend(const std::vector<TSpeechPiece>& pieces, const TWindowVoice& window,
                  const TOptions& options, double now);
  // A notice as markup, as plain text where the voice refuses markup, warning when there is no
  // voice; nothing for an empty notice.
  void NoticeSend(TextView xml, TextView plain, const TWindowVoice& window);
  // The speaker being heard (else the one heard last) silenced until Reset, with a short notice.
  void SpeakerHeardMute(const TWindowVoice& window);
  // START: nobody is muted.
  void Reset() { muted_.clear(); }
  // The speech warning, one box at a time (a box runs a message loop in which speech may fail
  // again).
  void Warn();

 private:
  // Chat lines in a voice; warns when there is no voice.
  void LinesSend(std::vector<TChatLine> lines, TVoiceChoice voice, const TWindowVoice& window,
                 const TOptions& options);
  // A notice as markup, as plain text where the voice refuses markup; false when there is no
  // voice.
  bool NoticeSay(TextView xml, TextView plain, const TWindowVoice& window);

  std::set<Text> muted_;
  bool warningOpen_ = false;
};

// What the desktop's media controls show: whether monitoring runs, speech is paused or busy, and
// the speaker and words being heard.
ui::RemoteState SpeechRemoteState(bool monitoring);
// The tray's tooltip for a state: whether monitoring runs, what it follows (sources: "chat + 1
// IM"; empty for the chat file alone) and whom it reads.
Text TrayTooltipOf(const ui::RemoteState& state, TextView sources = {});
