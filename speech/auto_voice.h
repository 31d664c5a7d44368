// AutoVoices' picks for one session: each speaker's own pick from a hash, moved off the picks of
// speakers heard lately where they would sound alike.
#pragma once

#include <map>
#include <vector>

#include "speech/uSpeechLib.h"

class TAutoVoices {
 public:
  // The pick for the speaker among the voices alike (indices into the voice list), heard now.
  TVoiceChoice Pick(TextView key, const std::vector<int32_t>& alike, double now);
  void Clear() { picked_.clear(); }

 private:
  struct Picked {
    TVoiceChoice choice;
    double heard;
  };
  // Whether the choice sounds like a speaker's heard within the last few minutes.
  bool Clashes(const TVoiceChoice& choice, TextView key, double now) const;
  std::map<Text, Picked> picked_;
};

// The speaker's own pick among the voices alike.
TVoiceChoice AutoVoiceOwn(TextView key, const std::vector<int32_t>& alike);
