// The voices of every engine merged into one list: each engine's voice object and tokens, the
// voices found by name, their languages.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "speech/uSpeechLib.h"

// What the voice box shows after a OneCore voice's name: the group it comes from.
inline constexpr char16_t kOneCoreSuffix[] = u" (OneCore)";

// One engine: its voice object, its tokens, and what the queue keeps about it.
struct TEngineSlot {
  int32_t Version;
  const char16_t* classId;
  std::shared_ptr<SpeechVoice> voice;
  std::shared_ptr<SpeechObjectTokens> tokens;
  bool troubled = false;  // a failure was told; silent until a text of it is spoken again
  int32_t pitch = 0;      // what the voice object was last given
};

class TVoiceCatalog {
 public:
  // What an engine's voice object reports, with the engine's index in Slots().
  using Events = std::function<void(int engine, const SpeechEvent&)>;

  // Opens the engines; true when at least one voice was found. An engine that cannot be created
  // or listed adds no voices; a voice whose name cannot be read ends its engine's list there. A
  // OneCore voice that another engine lists by the same name is left out.
  bool Open(const Events& events);
  // False when the last Open could not read every voice's name.
  bool Complete() const { return complete_; }
  // Whether an engine still lists its voices in the background.
  bool Listing() const;
  // The Speech Platform's voices listed anew, after its listing changed them.
  void PlatformRelist();
  // Gives back the SAPI 5 tokens' extra references and destroys the SAPI 5 voice objects (the
  // OneCore voices' too).
  void Close();
  // Releases every voice object; their threads stop.
  void Release();

  const std::vector<TVoiceEntry>& List() const { return voices_; }
  // VoiceFind's rule.
  int32_t Find(TextView name) const;
  // The index in List() of the voice of that name (any case); -1 for none.
  int32_t IndexOfName(TextView name) const;
  // The voice's index in List(); -1 when its engine no longer lists it.
  int32_t IndexOf(const TVoiceId& voice) const;
  // Brings the voice index, the volume (0..100) and the rate (-10..10) into range.
  void Clamp(int32_t& voiceIndex, int32_t& volume, int32_t& rate) const;
  // The voice object that speaks the voice at that index; nullptr when there is none.
  SpeechVoice* VoiceObjectOf(int32_t voiceIndex);
  // The engine of a Version; nullptr for another.
  TEngineSlot* SlotOf(int32_t version);
  std::span<TEngineSlot> Slots() { return engines_; }
  // The base of the voice's "Language" as AutoVoices compares them, read once; empty where the
  // runtime has none.
  const Text& LanguageOf(size_t index);

 private:
  int32_t EngineOpen(int engine, const Events& events);
  bool PlatformVoicesList();
  // A SAPI 5 voice object's voices, by their descriptions; false when one could not be read.
  bool SapiVoicesList(int engine, int32_t count);

  TEngineSlot engines_[3] = {{kSpeechPlatformVersion, kSpeechPlatformClassId, {}, {}},
                             {kSapi5Version, kSapi5ClassId, {}, {}},
                             {kOneCoreVersion, kOneCoreVoicesId, {}, {}}};
  std::vector<TVoiceEntry> voices_;
  bool complete_ = true;
  // The extra reference held on each SAPI 5 (and OneCore) token from Open to Close.
  std::vector<std::shared_ptr<SpeechObjectToken>> sapi5TokenReferences_;
  std::map<std::pair<int32_t, Text>, Text> languages_;  // (engine, name): language base
};
