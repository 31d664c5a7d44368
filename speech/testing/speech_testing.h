// What tests read of the voice engine beyond what the window needs.
#pragma once

#include <cstdint>

// Chat lines waiting in the queue, not yet begun.
int32_t SpeechQueueLength();
