#include "speech/runtime/runtime.h"

#include <algorithm>
#include <map>
#include <string>

namespace {

std::map<Text, SpeechVoiceFactory>& Classes() {
  static std::map<Text, SpeechVoiceFactory> classes;
  return classes;
}

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

}  // namespace

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

void SpeechClassRegister(TextView classId, SpeechVoiceFactory factory) {
  Classes()[Text(classId)] = std::move(factory);
}

std::shared_ptr<SpeechVoice> SpeechVoiceCreate(TextView classId, SpeechEventHandler events) {
  auto found = Classes().find(Text(classId));
  if (found == Classes().end() || !found->second) {
    throw SpeechError("Class not registered: " + TextToUtf8(classId));
  }
  return found->second(std::move(events));
}
