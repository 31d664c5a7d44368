// The voice list: both engines opened, their voices merged, found by name, and released.
#include <algorithm>
#include <thread>

#include "speech/speech_state.h"

std::vector<TVoiceEntry> Voices;

TSpeechState& Speech() {
  static TSpeechState state;
  return state;
}

TEngineSlot* EngineSlotOf(int32_t version) {
  for (TEngineSlot& slot : Speech().engines) {
    if (slot.Version == version) return &slot;
  }
  return nullptr;
}

namespace {

// Creates an engine's voice object, its events going to the inbox, and lists its voices; an
// engine that fails either has no voice object and a count of 0.
int32_t EngineOpen(int engine) {
  TSpeechState& state = Speech();
  TEngineSlot& slot = state.engines[engine];
  slot.tokens.reset();
  slot.voice.reset();
  slot.pitch = 0;
  try {
    slot.voice = SpeechVoiceCreate(
        slot.classId,
        [inbox = state.inbox, engine](const SpeechEvent& event) { inbox->Push(engine, event); });
    slot.tokens = slot.voice->GetVoices(u"", u"");
    return slot.tokens->Count();
  } catch (const std::exception&) {
    slot.tokens.reset();
    slot.voice.reset();
    return 0;
  }
}

// A voice's name without the engine's suffix: "English (America)" of "English (America)
// (espeak-ng)"; the name whole when it has none.
TextView EngineSuffixRemoved(TextView name) {
  size_t open = name.rfind(u" (");
  if (name.empty() || name.back() != u')' || open == TextView::npos) return name;
  return name.substr(0, open);
}

}  // namespace

bool PlatformVoicesList() {
  TEngineSlot& slot = Speech().engines[0];
  std::erase_if(Voices, [](const TVoiceEntry& v) { return v.Version == kSpeechPlatformVersion; });
  std::vector<TVoiceEntry> platform;
  bool complete = true;
  try {
    int32_t count = slot.tokens ? slot.tokens->Count() : 0;
    for (int32_t i = 0; i < count; ++i) {
      platform.push_back({kSpeechPlatformVersion, i, slot.tokens->Item(i)->GetAttribute(u"Name")});
    }
  } catch (const std::exception&) {
    complete = false;
  }
  Voices.insert(Voices.begin(), platform.begin(), platform.end());
  return complete;
}

bool SpeechOpen() {
  TSpeechState& state = Speech();
  int32_t platformCount = EngineOpen(0);
  int32_t sapi5Count = EngineOpen(1);
  Voices.clear();
  state.voiceLanguages.clear();
  state.sapi5TokenReferences.clear();
  Voices.reserve(static_cast<size_t>(platformCount + sapi5Count));
  // A voice whose name cannot be read ends its engine's list there: the voices read so far
  // serve, and the caller is told (SpeechOpenComplete).
  state.openComplete = platformCount == 0 || PlatformVoicesList();
  try {
    for (int32_t j = 0; j < sapi5Count; ++j) {
      SpeechObjectTokens& tokens = *state.engines[1].tokens;
      Voices.push_back({kSapi5Version, j, tokens.Item(j)->GetDescription(0)});
      state.sapi5TokenReferences.push_back(tokens.Item(j));
    }
  } catch (const std::exception&) {
    state.openComplete = false;
  }
  return !Voices.empty();
}

bool SpeechOpenComplete() { return Speech().openComplete; }

bool SpeechVoicesListing() {
  const auto& voice = Speech().engines[0].voice;
  return voice && (voice->VoicesListing() || voice->VoicesChanged());
}

void SpeechVoicesAwait(int32_t milliseconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (SpeechVoicesListing() && std::chrono::steady_clock::now() < deadline) {
    Speech().inbox->Await(
        std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(20)));
    SpeechEventsRun();
  }
}

int32_t VoiceFind(TextView name) {
  Text wanted = AsciiLower(Trim(name));
  if (wanted.empty()) return -1;
  std::vector<Text> names;
  for (const TVoiceEntry& voice : Voices) names.push_back(AsciiLower(voice.name));
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == wanted || EngineSuffixRemoved(names[i]) == wanted) {
      return static_cast<int32_t>(i);
    }
  }
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i].rfind(wanted, 0) == 0) return static_cast<int32_t>(i);
  }
  return -1;
}

void SpeechClose() {
  TSpeechState& state = Speech();
  SpeechPurge();
  state.sapi5TokenReferences.clear();
  state.engines[1].voice.reset();
}

void SpeechRelease() {
  // Also what SpeechClose would have released, had it not run: nothing of COM's is left for
  // after the apartment ends.
  SpeechClose();
  TSpeechState& state = Speech();
  Voices.clear();
  state.voiceLanguages.clear();
  for (TEngineSlot& slot : state.engines) {
    slot.voice.reset();  // its threads stop here: nothing more comes from it
    slot.tokens.reset();
    slot.troubled = false;
  }
  state.watch.reset();
  state.handlers = {};
  state.inbox->WakeSet({});
  bool deadline = false;
  state.inbox->Take(deadline);
  state.troubles.clear();
  state.voicesChanged = false;
  state.paused = false;
  state.lastChat.reset();
}

void SpeechClamp(int32_t& voiceIndex, int32_t& volume, int32_t& rate) {
  if (Voices.empty()) return;
  voiceIndex = std::clamp(voiceIndex, 0, static_cast<int32_t>(Voices.size()) - 1);
  volume = std::clamp(volume, 0, 100);
  rate = std::clamp(rate, -10, 10);
}

namespace {

SpeechVoice* VoiceObjectOf(int32_t voiceIndex) {
  if (Voices.empty()) return nullptr;
  int32_t volume = 0, rate = 0;
  SpeechClamp(voiceIndex, volume, rate);
  TEngineSlot* slot = EngineSlotOf(Voices[static_cast<size_t>(voiceIndex)].Version);
  return slot ? slot->voice.get() : nullptr;
}

}  // namespace

int32_t SpeechGetVolume(int32_t voiceIndex) {
  SpeechVoice* voice = VoiceObjectOf(voiceIndex);
  return voice ? voice->GetVolume() : 0;
}

int32_t SpeechGetRate(int32_t voiceIndex) {
  SpeechVoice* voice = VoiceObjectOf(voiceIndex);
  return voice ? voice->GetRate() : 0;
}
