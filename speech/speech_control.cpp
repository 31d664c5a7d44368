// Pause, Resume, Repeat and silencing a speaker, on the one queue.
#include "speech/speech_state.h"

void SpeechPause() {
  TSpeechState& state = Speech();
  state.paused = true;
  if (!state.speaking) return;
  // The cut text is spoken again from its start; its note is in its text already.
  TSpeechEntry cut = state.speaking->entry;
  cut.passedOver = 0;
  SpeakingStop();
  state.queue.PushFront(std::move(cut));
}

void SpeechResume() {
  Speech().paused = false;
  SpeechGoOn();
}

bool SpeechPaused() { return Speech().paused; }

bool SpeechRepeat() {
  TSpeechState& state = Speech();
  if (!state.lastChat) return false;
  TSpeechEntry again = *state.lastChat;
  again.passedOver = 0;
  again.catchUp = 0;
  again.lines = 0;  // said again, not waiting chat the limit may pass over
  again.notice = true;
  state.queue.PushFront(std::move(again));
  SpeechGoOn();
  return true;
}

std::optional<TSpeechEntry> SpeechSpeaking() {
  const TSpeechState& state = Speech();
  if (!state.speaking) return std::nullopt;
  return state.speaking->entry;
}

Text SpeechLastSpeaker() {
  const TSpeechState& state = Speech();
  return state.lastChat ? state.lastChat->speaker : Text();
}

void SpeechSpeakerDrop(TextView speaker) {
  TSpeechState& state = Speech();
  state.queue.SpeakerDrop(speaker);
  if (state.speaking && !state.speaking->entry.notice && state.speaking->entry.speaker == speaker) {
    SpeakingStop();
  }
  SpeechGoOn();
}
