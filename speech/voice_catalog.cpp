#include "speech/voice_catalog.h"

#include <algorithm>

namespace {

// A voice's name without the engine's suffix: "English (America)" of "English (America)
// (espeak-ng)"; the name whole when it has none.
TextView EngineSuffixRemoved(TextView name) {
  size_t open = name.rfind(u" (");
  if (name.empty() || name.back() != u')' || open == TextView::npos) return name;
  return name.substr(0, open);
}

}  // namespace

// An engine that fails to be created or listed has no voice object and a count of 0.
int32_t TVoiceCatalog::EngineOpen(int engine, const Events& events) {
  TEngineSlot& slot = engines_[engine];
  slot.tokens.reset();
  slot.voice.reset();
  slot.pitch = 0;
  try {
    slot.voice = SpeechVoiceCreate(
        slot.classId, [events, engine](const SpeechEvent& event) { events(engine, event); });
    slot.tokens = slot.voice->GetVoices(u"", u"");
    return slot.tokens->Count();
  } catch (const std::exception&) {
    slot.tokens.reset();
    slot.voice.reset();
    return 0;
  }
}

bool TVoiceCatalog::PlatformVoicesList() {
  TEngineSlot& slot = engines_[0];
  std::erase_if(voices_, [](const TVoiceEntry& v) { return v.Version == kSpeechPlatformVersion; });
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
  voices_.insert(voices_.begin(), platform.begin(), platform.end());
  return complete;
}

bool TVoiceCatalog::SapiVoicesList(int engine, int32_t count) {
  TEngineSlot& slot = engines_[engine];
  bool oneCore = slot.Version == kOneCoreVersion;
  try {
    for (int32_t j = 0; j < count; ++j) {
      std::shared_ptr<SpeechObjectToken> token = slot.tokens->Item(j);
      Text name = token->GetDescription(0);
      if (oneCore) {
        if (IndexOfName(name) >= 0) continue;  // the same voice, listed by SAPI 5 too
        name += kOneCoreSuffix;
      }
      voices_.push_back({slot.Version, j, std::move(name)});
      sapi5TokenReferences_.push_back(std::move(token));
    }
  } catch (const std::exception&) {
    return false;
  }
  return true;
}

bool TVoiceCatalog::Open(const Events& events) {
  int32_t platformCount = EngineOpen(0, events);
  int32_t sapi5Count = EngineOpen(1, events);
  int32_t oneCoreCount = EngineOpen(2, events);
  voices_.clear();
  languages_.clear();
  sapi5TokenReferences_.clear();
  voices_.reserve(static_cast<size_t>(platformCount + sapi5Count + oneCoreCount));
  // A voice whose name cannot be read ends its engine's list there: the voices read so far
  // serve, and the caller is told (Complete).
  complete_ = platformCount == 0 || PlatformVoicesList();
  complete_ = SapiVoicesList(1, sapi5Count) && complete_;
  complete_ = SapiVoicesList(2, oneCoreCount) && complete_;
  return !voices_.empty();
}

int32_t TVoiceCatalog::IndexOfName(TextView name) const {
  for (size_t i = 0; i < voices_.size(); ++i) {
    if (AsciiLower(voices_[i].name) == AsciiLower(name)) return static_cast<int32_t>(i);
  }
  return -1;
}

bool TVoiceCatalog::Listing() const {
  const auto& voice = engines_[0].voice;
  return voice && (voice->VoicesListing() || voice->VoicesChanged());
}

void TVoiceCatalog::PlatformRelist() {
  TEngineSlot& slot = engines_[0];
  if (!slot.voice) return;
  slot.tokens = slot.voice->GetVoices(u"", u"");
  PlatformVoicesList();
}

void TVoiceCatalog::Close() {
  sapi5TokenReferences_.clear();
  engines_[1].voice.reset();
  engines_[2].voice.reset();
}

void TVoiceCatalog::Release() {
  Close();
  voices_.clear();
  languages_.clear();
  for (TEngineSlot& slot : engines_) {
    slot.voice.reset();  // its threads stop here: nothing more comes from it
    slot.tokens.reset();
    slot.troubled = false;
  }
}

int32_t TVoiceCatalog::Find(TextView name) const {
  Text wanted = AsciiLower(Trim(name));
  if (wanted.empty()) return -1;
  std::vector<Text> names;
  for (const TVoiceEntry& voice : voices_) names.push_back(AsciiLower(voice.name));
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

int32_t TVoiceCatalog::IndexOf(const TVoiceId& voice) const {
  for (size_t i = 0; i < voices_.size(); ++i) {
    if (voices_[i].Version == voice.Version && voices_[i].name == voice.name) {
      return static_cast<int32_t>(i);
    }
  }
  return -1;
}

void TVoiceCatalog::Clamp(int32_t& voiceIndex, int32_t& volume, int32_t& rate) const {
  if (voices_.empty()) return;
  voiceIndex = std::clamp(voiceIndex, 0, static_cast<int32_t>(voices_.size()) - 1);
  volume = std::clamp(volume, 0, 100);
  rate = std::clamp(rate, -10, 10);
}

SpeechVoice* TVoiceCatalog::VoiceObjectOf(int32_t voiceIndex) {
  if (voices_.empty()) return nullptr;
  int32_t volume = 0, rate = 0;
  Clamp(voiceIndex, volume, rate);
  TEngineSlot* slot = SlotOf(voices_[static_cast<size_t>(voiceIndex)].Version);
  return slot ? slot->voice.get() : nullptr;
}

TEngineSlot* TVoiceCatalog::SlotOf(int32_t version) {
  for (TEngineSlot& slot : engines_) {
    if (slot.Version == version) return &slot;
  }
  return nullptr;
}

const Text& TVoiceCatalog::LanguageOf(size_t index) {
  const TVoiceEntry& voice = voices_[index];
  auto key = std::make_pair(voice.Version, voice.name);
  auto found = languages_.find(key);
  if (found != languages_.end()) return found->second;
  Text language;
  TEngineSlot* slot = SlotOf(voice.Version);
  try {
    if (slot && slot->tokens) language = slot->tokens->Item(voice.index)->GetAttribute(u"Language");
  } catch (const std::exception&) {
  }
  return languages_.emplace(key, LanguageBaseOf(language)).first->second;
}
