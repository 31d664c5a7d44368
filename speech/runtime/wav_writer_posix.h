// One WAV file per text, for espeak-ng's samples when KELVORA_WAV_DIR names a folder: 16-bit
// mono, the sizes patched in when the text ends.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/unicode.h"

class WavWriter {
 public:
  // The next free kelvora-NNNNNN.wav in the folder.
  WavWriter(const Text& folder, int sampleRate);
  ~WavWriter();
  WavWriter(const WavWriter&) = delete;
  WavWriter& operator=(const WavWriter&) = delete;

  void Write(const short* samples, int count);

 private:
  static std::string Sequence();
  void Put32(uint32_t v);
  void Put16(uint16_t v);
  void Header(int rate, uint32_t samples);

  FILE* file_ = nullptr;
  int sampleRate_ = 0;
  uint32_t samples_ = 0;
};
