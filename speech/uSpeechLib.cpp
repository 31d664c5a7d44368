#include "speech/uSpeechLib.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <thread>

#include "speech/runtime/runtime.h"

std::vector<TVoiceEntry> Voices;

namespace {

std::shared_ptr<SpeechVoice> PlatformVoice;
std::shared_ptr<SpeechObjectTokens> PlatformTokens;
std::shared_ptr<SpeechVoice> Sapi5Voice;
std::shared_ptr<SpeechObjectTokens> Sapi5Tokens;
int32_t Sapi5Count = 0;
bool OpenComplete = true;
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

// A plain text waiting for its engine to fall silent.
struct HeldText {
  Text text;
  int32_t voiceIndex, volume, rate;
  int32_t lines;       // the chat lines it speaks
  int32_t passedOver;  // lines dropped before it, which its note will count
};

std::deque<HeldText> PlatformHeld;
std::deque<HeldText> Sapi5Held;

struct Engine {
  SpeechVoice* voice;
  SpeechObjectTokens* tokens;
  std::deque<HeldText>* held;
};

Engine PlatformEngine() { return {PlatformVoice.get(), PlatformTokens.get(), &PlatformHeld}; }
Engine Sapi5Engine() { return {Sapi5Voice.get(), Sapi5Tokens.get(), &Sapi5Held}; }

// The engine of a voice entry; voice is null for an entry of no known engine.
Engine EngineOf(const TVoiceEntry& entry) {
  if (entry.Version == kSpeechPlatformVersion) return PlatformEngine();
  if (entry.Version == kSapi5Version) return Sapi5Engine();
  return {nullptr, nullptr, nullptr};
}

int32_t LinesOf(TextView text) {
  int32_t lines = 1;
  for (size_t at = text.find(u"\r\n"); at != TextView::npos; at = text.find(u"\r\n", at + 2)) {
    ++lines;
  }
  return lines;
}

int32_t IndexClamp(int32_t voiceIndex) {
  return std::clamp(voiceIndex, 0, static_cast<int32_t>(Voices.size()) - 1);
}

// Speaks at once. Taking the voice and setting volume and rate may fail to the caller; only
// Speak is guarded.
bool SpeakNow(const Engine& engine, const TVoiceEntry& entry, TextView text, int32_t volume,
              int32_t rate, int32_t flags) {
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

bool Say(TextView text, int32_t voiceIndex, int32_t volume, int32_t rate, int32_t flags) {
  if (Voices.empty()) return false;
  SpeechClamp(voiceIndex, volume, rate);
  const TVoiceEntry& entry = Voices[voiceIndex];
  Engine engine = EngineOf(entry);
  if (!engine.voice || !engine.tokens) return false;
  return SpeakNow(engine, entry, text, volume, rate, flags);
}

// What the runtime has still to say; a runtime that cannot tell counts as silent, so texts go
// to it at once as they did before anything was held.
int32_t PendingOf(const Engine& engine) {
  try {
    return engine.voice->Pending();
  } catch (const std::exception&) {
    return 0;
  }
}

// Texts the runtime queued behind the one it speaks.
int32_t RuntimeWaiting(const Engine& engine) { return std::max(PendingOf(engine) - 1, 0); }

// Hands the engine the next held line once it is silent, a line at a time, so the limit can pass
// over any line still waiting; false when the runtime refused it.
bool EnginePump(const Engine& engine) {
  if (!engine.voice || engine.held->empty() || PendingOf(engine) > 0) return true;
  HeldText& front = engine.held->front();
  size_t end = front.text.find(u"\r\n");
  Text line = front.text.substr(0, end);
  if (front.passedOver > 0) line = PassedOverNote(front.passedOver) + u" " + line;
  HeldText next{std::move(line), front.voiceIndex, front.volume, front.rate, 1, 0};
  if (end == Text::npos) {
    engine.held->pop_front();
  } else {
    front.text.erase(0, end + 2);
    --front.lines;
    front.passedOver = 0;
  }
  return Say(next.text, next.voiceIndex, next.volume, next.rate, kSpeakPlain);
}

Engine EngineOfVoice(int32_t voiceIndex) { return EngineOf(Voices[IndexClamp(voiceIndex)]); }

int32_t HeldLines(const std::deque<HeldText>& held) {
  int32_t lines = 0;
  for (const HeldText& text : held) lines += text.lines;
  return lines;
}

// Passes over the oldest waiting line; the text after it, or added when there is none, will
// say how many were.
void OldestLineDrop(std::deque<HeldText>& held, HeldText& added) {
  HeldText& oldest = held.front();
  size_t end = oldest.text.find(u"\r\n");
  ++oldest.passedOver;
  if (end != Text::npos) {
    oldest.text.erase(0, end + 2);
    --oldest.lines;
    return;
  }
  int32_t passedOver = oldest.passedOver;
  held.pop_front();
  (held.empty() ? added : held.front()).passedOver += passedOver;
}

// The Speech Platform's voices at the front of the list; false when one's name could not be
// read (those before it are listed).
bool PlatformVoicesList(int32_t count) {
  std::erase_if(Voices, [](const TVoiceEntry& v) { return v.Version == kSpeechPlatformVersion; });
  std::vector<TVoiceEntry> platform;
  bool complete = true;
  try {
    for (int32_t i = 0; i < count; ++i) {
      platform.push_back(
          {kSpeechPlatformVersion, i, PlatformTokens->Item(i)->GetAttribute(u"Name")});
    }
  } catch (const std::exception&) {
    complete = false;
  }
  Voices.insert(Voices.begin(), platform.begin(), platform.end());
  return complete;
}

}  // namespace

bool SpeechVoicesRefresh() {
  if (!PlatformVoice || !PlatformVoice->VoicesChanged()) return false;
  try {
    PlatformTokens = PlatformVoice->GetVoices(u"", u"");
    PlatformHeld.clear();  // their voice indexes are the old list's
    PlatformVoicesList(PlatformTokens->Count());
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool SpeechVoicesListing() {
  return PlatformVoice && (PlatformVoice->VoicesListing() || PlatformVoice->VoicesChanged());
}

void SpeechVoicesAwait(int32_t milliseconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (SpeechVoicesListing() && std::chrono::steady_clock::now() < deadline) {
    if (!SpeechVoicesRefresh()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  SpeechVoicesRefresh();
}

bool SpeechOpen() {
  int32_t platformCount = EngineOpen(kSpeechPlatformClassId, PlatformVoice, PlatformTokens);
  Sapi5Count = EngineOpen(kSapi5ClassId, Sapi5Voice, Sapi5Tokens);
  Voices.clear();
  Sapi5TokenReferences.clear();
  OpenComplete = true;
  Voices.reserve(static_cast<size_t>(platformCount + Sapi5Count));
  // A voice whose name cannot be read ends its engine's list there: the voices read so far
  // serve, and the caller is told (SpeechOpenComplete).
  OpenComplete = PlatformVoicesList(platformCount);
  try {
    for (int32_t j = 0; j < Sapi5Count; ++j) {
      Voices.push_back({kSapi5Version, j, Sapi5Tokens->Item(j)->GetDescription(0)});
      Sapi5TokenReferences.push_back(Sapi5Tokens->Item(j));
    }
  } catch (const std::exception&) {
    OpenComplete = false;
  }
  return !Voices.empty();
}

bool SpeechOpenComplete() { return OpenComplete; }

namespace {

// A voice's name without the engine's suffix: "English (America)" of "English (America)
// (espeak-ng)"; the name whole when it has none.
TextView EngineSuffixRemoved(TextView name) {
  size_t open = name.rfind(u" (");
  if (name.empty() || name.back() != u')' || open == TextView::npos) return name;
  return name.substr(0, open);
}

}  // namespace

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
  PlatformHeld.clear();
  Sapi5Held.clear();
  Sapi5TokenReferences.clear();
  Sapi5Voice.reset();
}

void SpeechRelease() {
  // Also what SpeechClose would have released, had it not run: nothing of COM's is left for
  // after the apartment ends.
  SpeechClose();
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

bool SpeechSay(TextView text, int32_t voiceIndex, int32_t volume, int32_t rate,
               int32_t maxWaiting) {
  if (Voices.empty()) return false;
  Engine engine = EngineOfVoice(voiceIndex);
  if (!engine.voice) return false;
  if (engine.held->empty() && PendingOf(engine) == 0) {
    return Say(text, voiceIndex, volume, rate, kSpeakPlain);
  }
  HeldText added{Text(text), voiceIndex, volume, rate, LinesOf(text), 0};
  if (maxWaiting > 0) {
    int32_t waiting = HeldLines(*engine.held) + RuntimeWaiting(engine);
    while (!engine.held->empty() && waiting + added.lines > maxWaiting) {
      OldestLineDrop(*engine.held, added);
      --waiting;
    }
  }
  engine.held->push_back(std::move(added));
  return true;
}

int32_t SpeechQueueLength(int32_t voiceIndex) {
  if (Voices.empty()) return 0;
  Engine engine = EngineOfVoice(voiceIndex);
  if (!engine.voice) return 0;
  return HeldLines(*engine.held) + RuntimeWaiting(engine);
}

bool SpeechPump() {
  bool platform = EnginePump(PlatformEngine());
  bool sapi5 = EnginePump(Sapi5Engine());
  return platform && sapi5;
}

bool SpeechHolding() { return !PlatformHeld.empty() || !Sapi5Held.empty(); }

Text PassedOverNote(int32_t lines) {
  return AsciiToText(std::to_string(lines)) + (lines == 1 ? u" line" : u" lines") +
         u" passed over.";
}

bool SpeechSayXml(TextView text, int32_t voiceIndex, int32_t volume, int32_t rate) {
  return Say(text, voiceIndex, volume, rate, kSpeakXml);
}

void SpeechPurge(int32_t voiceIndex) {
  if (Voices.empty()) return;
  Engine engine = EngineOfVoice(voiceIndex);
  if (engine.held) engine.held->clear();
  try {
    if (engine.voice) engine.voice->Speak(u".", kSpeakPurge);
  } catch (const std::exception&) {
  }
}

int32_t SpeechGetVolume(int32_t voiceIndex) {
  if (Voices.empty()) return 0;
  Engine engine = EngineOfVoice(voiceIndex);
  return engine.voice ? engine.voice->GetVolume() : 0;
}

int32_t SpeechGetRate(int32_t voiceIndex) {
  if (Voices.empty()) return 0;
  Engine engine = EngineOfVoice(voiceIndex);
  return engine.voice ? engine.voice->GetRate() : 0;
}

bool SpeechWait(int32_t voiceIndex, int32_t milliseconds) {
  if (Voices.empty()) return true;
  Engine engine = EngineOfVoice(voiceIndex);
  if (!engine.voice) return true;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  // Held texts are handed on as the runtime falls silent; then the runtime's own wait.
  while (!engine.held->empty()) {
    EnginePump(engine);
    if (milliseconds >= 0 && std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (milliseconds < 0) return engine.voice->WaitUntilDone(-1);
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
      deadline - std::chrono::steady_clock::now());
  return engine.voice->WaitUntilDone(static_cast<int32_t>(std::max<int64_t>(left.count(), 0)));
}
