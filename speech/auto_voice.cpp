#include "speech/auto_voice.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>


uint32_t Fnv1a(std::string_view bytes) {
  uint32_t hash = 2166136261u;
  for (unsigned char byte : bytes) {
    hash ^= byte;
    hash *= 16777619u;
  }
  return hash;
}

uint32_t Fmix32(uint32_t h) {
  h ^= h >> 16;
  h *= 0x85ebca6bu;
  h ^= h >> 13;
  h *= 0xc2b2ae35u;
  h ^= h >> 16;
  return h;
}

namespace {

constexpr int32_t kPitches = 9;       // -4..4
constexpr int32_t kPitchesApart = 3;  // steps that tell two speakers of one voice apart

// A hash's share of count: its high bits, which the mixing spread over every input bit.
uint32_t Share(uint32_t hash, uint32_t count) {
  return static_cast<uint32_t>((static_cast<uint64_t>(hash) * count) >> 32);
}

}  // namespace

TVoiceChoice AutoVoiceOwn(TextView key, const std::vector<int32_t>& alike) {
  uint32_t hash = Fmix32(Fnv1a(TextToUtf8(key)));
  auto voices = static_cast<uint32_t>(alike.size());
  int32_t voice = alike[Share(hash, voices)];
  auto pitch = static_cast<int32_t>(Share(Fmix32(hash ^ 0x9e3779b9u), kPitches)) - kPitches / 2;
  return {voice, pitch};
}

bool TAutoVoices::Clashes(const TVoiceChoice& choice, TextView key, double now) const {
  for (const auto& [other, picked] : picked_) {
    if (other == key || now - picked.heard > kAutoVoiceRecentSeconds) continue;
    if (picked.choice.voiceIndex == choice.voiceIndex &&
        std::abs(picked.choice.pitch - choice.pitch) < kPitchesApart) {
      return true;
    }
  }
  return false;
}

TVoiceChoice TAutoVoices::Pick(TextView key, const std::vector<int32_t>& alike, double now) {
  auto found = picked_.find(Text(key));
  if (found != picked_.end() &&
      std::find(alike.begin(), alike.end(), found->second.choice.voiceIndex) != alike.end()) {
    found->second.heard = now;
    return found->second.choice;
  }
  TVoiceChoice own = AutoVoiceOwn(key, alike);
  TVoiceChoice choice = own;
  if (Clashes(own, key, now)) {
    // Another voice at the own pitch first, then pitches further and further from it.
    auto first = std::find(alike.begin(), alike.end(), own.voiceIndex) - alike.begin();
    bool found = false;
    for (int32_t step = 0; step < kPitches && !found; ++step) {
      int32_t pitch = own.pitch + (step % 2 ? (step + 1) / 2 : -(step / 2));
      if (pitch < -kPitches / 2 || pitch > kPitches / 2) continue;
      for (size_t j = 0; j < alike.size() && !found; ++j) {
        TVoiceChoice candidate{alike[(static_cast<size_t>(first) + j) % alike.size()], pitch};
        if (!Clashes(candidate, key, now)) choice = candidate, found = true;
      }
    }
  }
  picked_[Text(key)] = {choice, now};
  return choice;
}
