// The voice engine's functions: forwards to the module's one engine.
#include "speech/uSpeechLib.h"

#include <algorithm>
#include <cmath>

#include "speech/speech_engine.h"

namespace {

// Characters a voice says in a second at rate 0; each rate step is about a tenth faster.
constexpr double kCharactersPerSecond = 14;

TSpeechEntry EntryOf(TextView text, int32_t volume, int32_t rate) {
  TSpeechEntry entry{};
  entry.text = Text(text);
  entry.volume = volume;
  entry.rate = rate;
  return entry;
}

}  // namespace

const std::vector<TVoiceEntry>& Voices() { return SpeechEngine().Catalog().List(); }

void SpeechHandlersSet(TSpeechHandlers handlers) {
  SpeechEngine().HandlersSet(std::move(handlers));
}

void SpeechEventsRun() { SpeechEngine().EventsRun(); }

bool SpeechOpen() { return SpeechEngine().Open(); }

bool SpeechOpenComplete() { return SpeechEngine().Catalog().Complete(); }

bool SpeechVoicesListing() { return SpeechEngine().Catalog().Listing(); }

void SpeechVoicesAwait(int32_t milliseconds) { SpeechEngine().VoicesAwait(milliseconds); }

int32_t VoiceFind(TextView name) { return SpeechEngine().Catalog().Find(name); }

void SpeechClose() { SpeechEngine().Close(); }

void SpeechRelease() { SpeechEngine().Release(); }

bool SpeechSayLines(std::vector<TChatLine> lines, int32_t voiceIndex, int32_t volume, int32_t rate,
                    TQueueLimits limits, int32_t pitch) {
  if (lines.empty()) return !Voices().empty();
  TSpeechEntry entry = EntryOf({}, volume, rate);
  entry.lines = std::move(lines);
  entry.catchUp = std::max(limits.catchUp, 0);
  entry.nameRepeat = std::max(limits.nameRepeat, 0);
  entry.pitch = std::clamp(pitch, -10, 10);
  return SpeechEngine().Add(std::move(entry), voiceIndex, limits.maxWaiting);
}

bool SpeechSay(TextView text, int32_t voiceIndex, int32_t volume, int32_t rate, TQueueLimits limits,
               int32_t pitch) {
  std::vector<TChatLine> lines;
  if (!text.empty()) {
    for (Text& line : LinesSplit(text)) lines.push_back({{}, {}, std::move(line), {}});
  }
  return SpeechSayLines(std::move(lines), voiceIndex, volume, rate, limits, pitch);
}

bool SpeechSayNotice(TextView xml, TextView plain, int32_t voiceIndex, int32_t volume,
                     int32_t rate) {
  TSpeechEntry entry = EntryOf(xml, volume, rate);
  entry.plain = Text(plain);
  entry.notice = entry.xml = true;
  return SpeechEngine().Add(std::move(entry), voiceIndex, 0);
}

bool SpeechBusy() { return SpeechEngine().Busy(); }

void SpeechPurge() { SpeechEngine().Purge(); }

void SpeechPause() { SpeechEngine().Pause(); }

void SpeechResume() { SpeechEngine().Resume(); }

bool SpeechPaused() { return SpeechEngine().Paused(); }

bool SpeechRepeat() { return SpeechEngine().Repeat(); }

std::optional<TChatLine> SpeechHeard() { return SpeechEngine().Heard(); }

Text SpeechSpeakerHeard() { return SpeechEngine().SpeakerHeard(); }

void SpeechSpeakerDrop(TextView speaker) { SpeechEngine().SpeakerDrop(speaker); }

int32_t SpeechGetVolume(int32_t voiceIndex) {
  SpeechVoice* voice = SpeechEngine().Catalog().VoiceObjectOf(voiceIndex);
  return voice ? voice->GetVolume() : 0;
}

int32_t SpeechGetRate(int32_t voiceIndex) {
  SpeechVoice* voice = SpeechEngine().Catalog().VoiceObjectOf(voiceIndex);
  return voice ? voice->GetRate() : 0;
}

bool SpeechWait(int32_t milliseconds) { return SpeechEngine().Wait(milliseconds); }

TVoiceChoice SpeechAutoVoice(TextView speakerKey, int32_t windowVoice, double now) {
  return SpeechEngine().AutoVoice(speakerKey, windowVoice, now);
}

TVoiceChoice SpeechAutoVoiceOwn(TextView speakerKey, int32_t windowVoice) {
  if (Voices().empty()) return {windowVoice, 0};
  return AutoVoiceOwn(speakerKey, SpeechEngine().VoicesAlike(windowVoice));
}

void SpeechClamp(int32_t& voiceIndex, int32_t& volume, int32_t& rate) {
  SpeechEngine().Catalog().Clamp(voiceIndex, volume, rate);
}

Text SpeechVoiceLanguage(int32_t voiceIndex) {
  if (voiceIndex < 0 || static_cast<size_t>(voiceIndex) >= Voices().size()) return {};
  return SpeechEngine().Catalog().LanguageOf(static_cast<size_t>(voiceIndex));
}

int32_t SpeechCatchUpRate(int32_t rate, int32_t catchUp, int32_t waitingLines) {
  return std::min(rate + std::min(catchUp, waitingLines), std::max(rate, 10));
}

double SpeechSteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

double SpeechCharactersPerSecond(int32_t rate) {
  return kCharactersPerSecond * std::pow(1.1, rate);
}

std::chrono::milliseconds SpeechExpectedDuration(TextView text, int32_t rate) {
  double seconds = static_cast<double>(text.size()) / SpeechCharactersPerSecond(rate);
  return std::chrono::milliseconds(std::lround(seconds * 1000));
}
