// AutoVoices: a speaker's voice and pitch, picked by a stable hash of the speaker's key.
#include <algorithm>

#include "speech/speech_engine.h"

namespace {

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
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
  TVoiceCatalog& catalog = SpeechEngine().Catalog();
  const std::vector<TVoiceEntry>& voices = catalog.List();
  if (voices.empty()) return {windowVoice, 0};
  int32_t volume = 0, rate = 0;
  catalog.Clamp(windowVoice, volume, rate);
  const auto own = static_cast<size_t>(windowVoice);
  std::vector<int32_t> alike;
  for (size_t i = 0; i < voices.size(); ++i) {
    if (voices[i].Version == voices[own].Version &&
        catalog.LanguageOf(i) == catalog.LanguageOf(own)) {
      alike.push_back(static_cast<int32_t>(i));
    }
  }
  uint32_t hash = Fnv1a(TextToUtf8(speakerKey));
  auto count = static_cast<uint32_t>(alike.size());
  return {alike[hash % count], static_cast<int32_t>((hash / count) % 9) - 4};
}
