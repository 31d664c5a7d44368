// The queue in front of the runtimes: one text at a time, whichever engine speaks it; the next
// when the runtime reports the end of the last, or when that end is overdue.
#include <algorithm>
#include <cmath>
#include <utility>

#include "speech/speech_state.h"

namespace {

using Clock = std::chrono::steady_clock;

// Characters a voice says in a second at rate 0; each rate step is about a tenth faster.
constexpr double kCharactersPerSecond = 14;

// The index in Voices of a queued voice; -1 when its engine no longer lists it.
int32_t VoiceIndexOf(const TVoiceId& voice) {
  for (size_t i = 0; i < Voices.size(); ++i) {
    if (Voices[i].Version == voice.Version && Voices[i].name == voice.name) {
      return static_cast<int32_t>(i);
    }
  }
  return -1;
}

// Hands the entry to the runtime of its engine; throws SpeechError (or the runtime's error)
// when it cannot.
void Start(const TSpeechEntry& entry, const TVoiceEntry& listed, TEngineSlot& slot) {
  TSpeechState& state = Speech();
  if (!slot.voice || !slot.tokens) throw SpeechError("no runtime for the voice");
  slot.voice->SetVoice(slot.tokens->Item(listed.index));
  // Behind (lines were passed over before it), the lines after a text's first wait too.
  int32_t waiting =
      state.queue.WaitingLines() + (entry.passedOver > 0 ? std::max(entry.lines - 1, 0) : 0);
  int32_t rate = SpeechCatchUpRate(entry.rate, entry.catchUp, waiting);
  slot.voice->SetVolume(entry.volume);
  slot.voice->SetRate(rate);
  if (slot.pitch != entry.pitch) {
    slot.voice->SetPitch(entry.pitch);
    slot.pitch = entry.pitch;
  }
  int32_t stream = 0;
  Text spoken = entry.text;
  try {
    stream = slot.voice->Speak(entry.text, entry.xml ? kSpeakXml : kSpeakPlain);
  } catch (const SpeechError&) {
    if (!entry.xml || entry.plain.empty()) throw;
    spoken = entry.plain;
    stream = slot.voice->Speak(entry.plain, kSpeakPlain);
  }
  auto engine = static_cast<int>(&slot - state.engines);
  Clock::time_point deadline =
      Clock::now() + 2 * SpeechExpectedDuration(spoken, rate) + state.handlers.endGrace;
  state.speaking = TSpeaking{engine, stream, deadline, entry};
  if (!entry.notice) state.lastChat = entry;
  if (!state.watch) state.watch = std::make_unique<TDeadlineWatch>(state.inbox);
  state.watch->Arm(deadline);
}

// Stops what the runtime speaks and holds.
void RuntimePurge(TEngineSlot& slot) {
  try {
    if (slot.voice) slot.voice->Speak(u".", kSpeakPurge);
  } catch (const std::exception&) {
    // a runtime that cannot stop has nothing of ours left to say either
  }
}

void Trouble(TEngineSlot& slot, const std::string& reason) {
  if (slot.troubled) return;
  slot.troubled = true;
  Speech().troubles.push_back(reason);
}

}  // namespace

// A text that cannot be spoken is dropped.
void SpeechPump() {
  TSpeechState& state = Speech();
  while (!state.speaking && !state.paused) {
    std::optional<TSpeechEntry> next = state.queue.Next();
    if (!next) return;
    int32_t index = VoiceIndexOf(next->voice);
    TEngineSlot* slot = index < 0 ? nullptr : EngineSlotOf(next->voice.Version);
    if (!slot) {
      state.troubles.push_back("the voice " + TextToUtf8(next->voice.name) + " is gone");
      continue;
    }
    try {
      Start(*next, Voices[static_cast<size_t>(index)], *slot);
    } catch (const std::exception& e) {
      Trouble(*slot, e.what());
    }
  }
}

namespace {

void TextEnded(int engine, const SpeechEvent& event) {
  TSpeechState& state = Speech();
  if (!state.speaking || state.speaking->engine != engine ||
      state.speaking->stream != event.stream) {
    return;  // a text purged earlier
  }
  state.speaking.reset();
  state.watch->Disarm();
  TEngineSlot& slot = state.engines[engine];
  if (event.failure.empty()) {
    slot.troubled = false;
  } else {
    Trouble(slot, event.failure);
  }
}

// A text whose end is overdue: stopped, and the queue goes on.
void OverdueEnd() {
  TSpeechState& state = Speech();
  if (!state.speaking || Clock::now() < state.speaking->deadline) return;
  TEngineSlot& slot = state.engines[state.speaking->engine];
  SpeakingStop();
  Trouble(slot, "a text did not end in time");
}

TSpeechEntry EntryFor(TextView text, int32_t voiceIndex, int32_t volume, int32_t rate) {
  SpeechClamp(voiceIndex, volume, rate);
  const TVoiceEntry& voice = Voices[static_cast<size_t>(voiceIndex)];
  return {Text(text), {}, false, false, {voice.Version, voice.name}, volume, rate};
}

void Enqueue(TSpeechEntry entry, int32_t maxWaiting) {
  Speech().queue.Add(std::move(entry), maxWaiting);
  SpeechGoOn();
}

}  // namespace

void SpeechHandlersSet(TSpeechHandlers handlers) {
  TSpeechState& state = Speech();
  state.inbox->WakeSet(handlers.wake);
  state.handlers = std::move(handlers);
}

void SpeechNewsTell() {
  TSpeechState& state = Speech();
  std::vector<std::string> troubles;
  troubles.swap(state.troubles);
  bool voicesChanged = std::exchange(state.voicesChanged, false);
  // The handlers may run a message loop, in which this is called again: the state is settled.
  if (voicesChanged && state.handlers.voicesChanged) state.handlers.voicesChanged();
  for (const std::string& reason : troubles) {
    if (state.handlers.trouble) state.handlers.trouble(reason);
  }
}

void SpeechEventsRun() {
  TSpeechState& state = Speech();
  bool deadlinePassed = false;
  for (const TSpeechInbox::Item& item : state.inbox->Take(deadlinePassed)) {
    if (item.event.kind == SpeechEvent::Kind::kTextEnded) {
      TextEnded(item.engine, item.event);
    } else if (item.engine == 0 && state.engines[0].voice) {
      state.engines[0].tokens = state.engines[0].voice->GetVoices(u"", u"");
      PlatformVoicesList();
      state.voicesChanged = true;
    }
  }
  OverdueEnd();
  SpeechGoOn();
}

void SpeechGoOn() {
  SpeechPump();
  SpeechNewsTell();
}

void SpeakingStop() {
  TSpeechState& state = Speech();
  if (!state.speaking) return;
  TEngineSlot& slot = state.engines[state.speaking->engine];
  state.speaking.reset();
  if (state.watch) state.watch->Disarm();
  RuntimePurge(slot);
}

bool SpeechSay(TextView text, int32_t voiceIndex, int32_t volume, int32_t rate, TQueueLimits limits,
               int32_t pitch, TextView speaker) {
  if (Voices.empty() || text.empty()) return !Voices.empty();
  SpeechEventsRun();  // what has ended is taken in before the limit counts
  TSpeechEntry entry = EntryFor(text, voiceIndex, volume, rate);
  entry.catchUp = std::max(limits.catchUp, 0);
  entry.pitch = std::clamp(pitch, -10, 10);
  entry.speaker = Text(speaker);
  Enqueue(std::move(entry), limits.maxWaiting);
  return true;
}

bool SpeechSayNotice(TextView xml, TextView plain, int32_t voiceIndex, int32_t volume,
                     int32_t rate) {
  if (Voices.empty()) return false;
  SpeechEventsRun();
  TSpeechEntry entry = EntryFor(xml, voiceIndex, volume, rate);
  entry.plain = Text(plain);
  entry.notice = entry.xml = true;
  Enqueue(std::move(entry), 0);
  return true;
}

int32_t SpeechQueueLength() { return Speech().queue.WaitingLines(); }

bool SpeechBusy() { return Speech().speaking || !Speech().queue.Empty(); }

void SpeechPurge() {
  TSpeechState& state = Speech();
  state.queue.Clear();
  state.speaking.reset();
  if (state.watch) state.watch->Disarm();
  for (TEngineSlot& slot : state.engines) RuntimePurge(slot);
}

bool SpeechWait(int32_t milliseconds) {
  auto until = milliseconds < 0 ? Clock::time_point::max()
                                : Clock::now() + std::chrono::milliseconds(milliseconds);
  SpeechEventsRun();
  while (SpeechBusy()) {
    if (Clock::now() >= until) return false;
    Clock::time_point next = until;
    if (Speech().speaking) next = std::min(next, Speech().speaking->deadline);
    Speech().inbox->Await(next);
    SpeechEventsRun();
  }
  return true;
}

int32_t SpeechCatchUpRate(int32_t rate, int32_t catchUp, int32_t waitingLines) {
  return std::min(rate + std::min(catchUp, waitingLines), std::max(rate, 10));
}

std::chrono::milliseconds SpeechExpectedDuration(TextView text, int32_t rate) {
  double seconds = static_cast<double>(text.size()) / (kCharactersPerSecond * std::pow(1.1, rate));
  return std::chrono::milliseconds(std::lround(seconds * 1000));
}
