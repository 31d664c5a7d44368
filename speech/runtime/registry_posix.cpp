#include "speech/runtime/posix_runtimes.h"

void SpeechPlatformClassesRegister() {
  SpeechClassRegister(kSpeechPlatformClassId, SpeechdVoiceCreate);
  SpeechClassRegister(kSapi5ClassId, EspeakVoiceCreate);
}
