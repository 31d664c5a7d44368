// AutoVoices: a speaker's voice and pitch, picked by a stable hash of the speaker's key.
#include <algorithm>

#include "speech/speech_state.h"

namespace {

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// A voice's "Language", read once; empty where the runtime has none.
const Text& VoiceLanguageOf(size_t index) {
  std::map<std::pair<int32_t, Text>, Text>& read = Speech().voiceLanguages;
  const TVoiceEntry& voice = Voices[index];
  auto key = std::make_pair(voice.Version, voice.name);
  auto found = read.find(key);
  if (found != read.end()) return found->second;
  Text language;
  TEngineSlot* slot = EngineSlotOf(voice.Version);
  try {
    if (slot && slot->tokens) language = slot->tokens->Item(voice.index)->GetAttribute(u"Language");
  } catch (const std::exception&) {
  }
  return read.emplace(key, LanguageBaseOf(language)).first->second;
}

}  // namespace

uint32_t Fnv1a(std::string_view bytes) {
  uint32_t hash = 2166136261u;
  for (unsigned char byte : bytes) {
    hash ^= byte;
    hash *= 16777619u;
  }
  return hash;
}

Text LanguageBaseOf(TextView language) {
  TextView first = language.substr(0, language.find(u';'));
  bool digit =
      std::any_of(first.begin(), first.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
  if (!first.empty() && digit && std::all_of(first.begin(), first.end(), IsHexDigit)) {
    uint32_t id = std::stoul(TextToUtf8(first), nullptr, 16);
    return u"lcid:" + AsciiToText(std::to_string(id & 0x3FF));
  }
  Text base = AsciiLower(first.substr(0, first.find_first_of(u"-_")));
  return base;
}

TVoiceChoice SpeechAutoVoice(TextView speakerKey, int32_t windowVoice) {
  if (Voices.empty()) return {windowVoice, 0};
  int32_t volume = 0, rate = 0;
  SpeechClamp(windowVoice, volume, rate);
  const auto own = static_cast<size_t>(windowVoice);
  std::vector<int32_t> alike;
  for (size_t i = 0; i < Voices.size(); ++i) {
    if (Voices[i].Version == Voices[own].Version && VoiceLanguageOf(i) == VoiceLanguageOf(own)) {
      alike.push_back(static_cast<int32_t>(i));
    }
  }
  uint32_t hash = Fnv1a(TextToUtf8(speakerKey));
  auto count = static_cast<uint32_t>(alike.size());
  return {alike[hash % count], static_cast<int32_t>((hash / count) % 9) - 4};
}
