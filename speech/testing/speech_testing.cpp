#include "speech/testing/speech_testing.h"

#include "speech/speech_engine.h"

int32_t SpeechQueueLength() { return SpeechEngine().WaitingLines(); }
