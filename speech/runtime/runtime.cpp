#include "speech/runtime/runtime.h"

#include <map>

namespace {

std::map<Text, SpeechVoiceFactory>& Classes() {
  static std::map<Text, SpeechVoiceFactory> classes;
  return classes;
}

}  // namespace

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
