// The Linux speech runtimes.
#pragma once

#include <string>

#include "speech/runtime/runtime.h"

// espeak-ng, embedded: synthesises on its own thread into the sound device, or into one WAV
// file per text when KELVORA_WAV_DIR names a folder.
std::shared_ptr<SpeechVoice> EspeakVoiceCreate();
// speech-dispatcher, when a server can be reached (it is started when it is installed).
std::shared_ptr<SpeechVoice> SpeechdVoiceCreate();

// SAPI XML as espeak-ng text: the pron element's phones as [[phonemes]], the other SAPI
// elements dropped around their text. Throws SpeechError for markup it cannot translate.
std::string SapiXmlToEspeak(TextView xml);
// Words per minute for a SAPI rate (-10..10): 175 at 0, each step about 1.1 times the last.
int EspeakWordsPerMinute(int32_t rate);
