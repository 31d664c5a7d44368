// SAPI XML, the markup the program's greeting and notices use, as espeak-ng reads it. Portable:
// used by the espeak-ng runtime, tested everywhere.
#pragma once

#include <string>

#include "platform/unicode.h"

// SAPI XML as espeak-ng text: the pron element's phones as [[phonemes]], the other SAPI
// elements dropped around their text. Throws SpeechError for markup it cannot translate.
std::string SapiXmlToEspeak(TextView xml);

// Text as SAPI XML character data: "&", "<" and ">" escaped.
Text SapiXmlEscaped(TextView text);

// A text for SAPI at a pitch (-10..10) other than the voice's own: wrapped in SAPI's
// <pitch absmiddle="N"> element, a plain text escaped first; it is SAPI XML then.
Text SapiPitchWrapped(TextView text, bool xml, int32_t pitch);
