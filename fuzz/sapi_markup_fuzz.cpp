// SAPI XML as the espeak-ng runtime translates it: a SpeechError or a text, never a crash.
#include "fuzz/fuzz_input.h"
#include "speech/runtime/runtime.h"
#include "speech/runtime/sapi_markup.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  try {
    SapiXmlToEspeak(Utf8ToText(input.Rest()));
  } catch (const SpeechError&) {
  }
  return 0;
}
