// A speech runtime for tests: voices, refusals and failures to order, every call recorded.
#pragma once

#include <string>
#include <vector>

#include "speech/runtime/runtime.h"

struct ScriptedEngine {
  std::vector<Text> voiceNames;
  bool createFails = false;
  bool getVoicesFails = false;
  int nameFailsAt = -1;  // the voice whose name cannot be read
  bool setVoiceFails = false;
  // Speak throws for texts (and flags) this answers true for.
  std::function<bool(TextView text, int32_t flags)> refuses;
  std::vector<Text> voiceLanguages;  // the voices' "Language"; none: the attribute fails
  int32_t volume = 100;
  int32_t rate = 0;
  int32_t pitch = 0;
  // "SetVoice 1", "SetVolume 40", "SetRate -2", "SetPitch 3", "Speak 17 hello", in call order.
  std::vector<std::string> calls;
  // The tokens handed out, to count the references others hold.
  std::vector<std::shared_ptr<SpeechObjectToken>> tokens;
  // Speech that takes time: with a clock (seconds) and a time per character, each text is
  // spoken after the ones before it, its end told by ClockAdvanced once the clock has passed it.
  // Without, every text ends at once.
  std::function<double()> clock;
  double secondsPerCharacter = 0;
  // With a clock, SpokenPosition tells how far the clock has got in a text.
  // Speech gets shorter with the rate, as the engines' does: each step a tenth faster.
  bool rateShortens = false;
  // A synthesiser that hangs: no text ever ends, not even a purged one.
  bool neverEnds = false;
  struct Spoken {
    std::string text;
    double start, end;
    int32_t stream;
    bool told;  // its end has been told
  };
  std::vector<Spoken> spoken;  // every text with its time, purged ones cut short
  SpeechEventHandler events;   // the last voice object's

  // Calls beginning with prefix.
  std::vector<std::string> CallsOf(const std::string& prefix) const;
  // Tells the end of every text the clock has passed.
  void ClockAdvanced();
};

// A Speak call as calls records it.
std::string SpeakCall(int32_t flags, std::string_view text);

// Serves the class identifier from engine from now on.
void ScriptedClassRegister(TextView classId, std::shared_ptr<ScriptedEngine> engine);
