// SAPI XML, the markup the program's greeting and notices use, as espeak-ng reads it. Portable:
// used by the espeak-ng runtime, tested everywhere.
#pragma once

#include <string>

#include "platform/unicode.h"

// SAPI XML as espeak-ng text: the pron element's phones as [[phonemes]], the other SAPI
// elements dropped around their text. Throws SpeechError for markup it cannot translate.
std::string SapiXmlToEspeak(TextView xml);
