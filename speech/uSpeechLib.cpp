#include "speech/uSpeechLib.h"

#include <algorithm>

#include "speech/runtime/runtime.h"

std::vector<TVoiceEntry> Voices;

namespace {

std::shared_ptr<SpeechVoice> PlatformVoice;
std::shared_ptr<SpeechObjectTokens> PlatformTokens;
std::shared_ptr<SpeechVoice> Sapi5Voice;
std::shared_ptr<SpeechObjectTokens> Sapi5Tokens;
int32_t Sapi5Count = 0;
// The extra reference held on each SAPI 5 token from SpeechOpen to SpeechClose.
std::vector<std::shared_ptr<SpeechObjectToken>> Sapi5TokenReferences;

// Creates an engine's voice object and lists its voices; a failure leaves the count at 0 and
// keeps what was obtained before it.
int32_t EngineOpen(TextView classId, std::shared_ptr<SpeechVoice>& voice,
                   std::shared_ptr<SpeechObjectTokens>& tokens) {
  try {
    voice = SpeechVoiceCreate(classId);
    tokens = voice->GetVoices(u"", u"");
    return tokens->Count();
  } catch (const std::exception&) {
    return 0;
  }
}

struct Engine {
  SpeechVoice* voice;
  SpeechObjectTokens* tokens;
};

// The engine of a voice entry; voice is null for an entry of no known engine.
Engine EngineOf(const TVoiceEntry& entry) {
  if (entry.Version == kSpeechPlatformVersion) return {PlatformVoice.get(), PlatformTokens.get()};
  if (entry.Version == kSapi5Version) return {Sapi5Voice.get(), Sapi5Tokens.get()};
  return {nullptr, nullptr};
}

int32_t IndexClamp(int32_t voiceIndex) {
  return std::clamp(voiceIndex, 0, static_cast<int32_t>(Voices.size()) - 1);
}

bool Say(TextView text, int32_t voiceIndex, int32_t volume, int32_t rate, int32_t flags) {
  if (Voices.empty()) return false;
  SpeechClamp(voiceIndex, volume, rate);
  const TVoiceEntry& entry = Voices[voiceIndex];
  Engine engine = EngineOf(entry);
  if (!engine.voice || !engine.tokens) return false;
  // Taking the voice and setting volume and rate may fail to the caller; only Speak is guarded.
  engine.voice->SetVoice(engine.tokens->Item(entry.index));
  engine.voice->SetVolume(volume);
  engine.voice->SetRate(rate);
  try {
    engine.voice->Speak(text, flags);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

bool SpeechOpen() {
  int32_t platformCount = EngineOpen(kSpeechPlatformClassId, PlatformVoice, PlatformTokens);
  Sapi5Count = EngineOpen(kSapi5ClassId, Sapi5Voice, Sapi5Tokens);
  Voices.clear();
  Sapi5TokenReferences.clear();
  Voices.reserve(static_cast<size_t>(platformCount + Sapi5Count));
  for (int32_t i = 0; i < platformCount; ++i) {
    Voices.push_back({kSpeechPlatformVersion, i, PlatformTokens->Item(i)->GetAttribute(u"Name")});
  }
  for (int32_t j = 0; j < Sapi5Count; ++j) {
    Voices.push_back({kSapi5Version, j, Sapi5Tokens->Item(j)->GetDescription(0)});
    Sapi5TokenReferences.push_back(Sapi5Tokens->Item(j));
  }
  return !Voices.empty();
}

void SpeechClose() {
  Sapi5TokenReferences.clear();
  Sapi5Voice.reset();
}

void SpeechRelease() {
  Voices.clear();
  PlatformVoice.reset();
  PlatformTokens.reset();
  Sapi5Tokens.reset();
}

void SpeechClamp(int32_t& voiceIndex, int32_t& volume, int32_t& rate) {
  if (Voices.empty()) return;
  voiceIndex = IndexClamp(voiceIndex);
  volume = std::clamp(volume, 0, 100);
  rate = std::clamp(rate, -10, 10);
}

bool SpeechSay(TextView text, int32_t voiceIndex, int32_t volume, int32_t rate) {
  return Say(text, voiceIndex, volume, rate, kSpeakPlain);
}

bool SpeechSayXml(TextView text, int32_t voiceIndex, int32_t volume, int32_t rate) {
  return Say(text, voiceIndex, volume, rate, kSpeakXml);
}

void SpeechPurge(int32_t voiceIndex) {
  if (Voices.empty()) return;
  Engine engine = EngineOf(Voices[IndexClamp(voiceIndex)]);
  try {
    if (engine.voice) engine.voice->Speak(u".", kSpeakPurge);
  } catch (const std::exception&) {
  }
}

int32_t SpeechGetVolume(int32_t voiceIndex) {
  if (Voices.empty()) return 0;
  Engine engine = EngineOf(Voices[IndexClamp(voiceIndex)]);
  return engine.voice ? engine.voice->GetVolume() : 0;
}

int32_t SpeechGetRate(int32_t voiceIndex) {
  if (Voices.empty()) return 0;
  Engine engine = EngineOf(Voices[IndexClamp(voiceIndex)]);
  return engine.voice ? engine.voice->GetRate() : 0;
}

bool SpeechWait(int32_t voiceIndex, int32_t milliseconds) {
  if (Voices.empty()) return true;
  Engine engine = EngineOf(Voices[IndexClamp(voiceIndex)]);
  return !engine.voice || engine.voice->WaitUntilDone(milliseconds);
}
