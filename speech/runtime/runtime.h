// The speech runtimes behind the voice engine, seen through the few automation calls it makes:
// a voice object created by class identifier, its voice tokens, and Speak with SAPI's flags.
// On Windows these are the real COM objects; elsewhere runtimes of our own take their place.
// Every failing call throws SpeechError.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/unicode.h"

class SpeechError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// SAPI's SpeechVoiceSpeakFlags (SVSFlagsAsync, SVSFPurgeBeforeSpeak, SVSFIsXML, SVSFIsNotXML).
inline constexpr int32_t kFlagAsync = 1;
inline constexpr int32_t kFlagPurgeBeforeSpeak = 2;
inline constexpr int32_t kFlagIsXml = 8;
inline constexpr int32_t kFlagIsNotXml = 16;

// The two engines' voice classes (SpVoice).
inline constexpr char16_t kSpeechPlatformClassId[] = u"{D941651C-44E6-4C17-BADF-C36826FC3424}";
inline constexpr char16_t kSapi5ClassId[] = u"{96749377-3391-11D2-9EE3-00C04F797396}";
// SAPI 5's voice class listing the voices of the OneCore token category instead of its own (no
// class of its own: the name under which a runtime registers that voice object).
inline constexpr char16_t kOneCoreVoicesId[] = u"OneCore voices";
// The OneCore voices' token category.
inline constexpr char16_t kOneCoreCategory[] =
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech_OneCore\\Voices";

// ISpeechObjectToken: one voice. Attributes: "Name", and "Language" (SAPI's hexadecimal language
// ids, "409;9"; our runtimes' language tags, "en-us").
class SpeechObjectToken {
 public:
  virtual ~SpeechObjectToken() = default;
  virtual Text GetAttribute(TextView name) = 0;
  virtual Text GetDescription(int32_t locale) = 0;
};

// ISpeechObjectTokens: the voices of an engine.
class SpeechObjectTokens {
 public:
  virtual ~SpeechObjectTokens() = default;
  virtual int32_t Count() = 0;
  virtual std::shared_ptr<SpeechObjectToken> Item(int32_t index) = 0;
};

// What a runtime tells about the texts Speak took, from any thread of its own (or from inside
// Speak): each text ends exactly once, spoken to its end, purged, or failed (failure says why).
// A runtime that lists its voices in the background also tells when its listing has ended, and
// whether the list changed.
struct SpeechEvent {
  enum class Kind { kTextEnded, kVoicesChanged, kVoicesListed };
  Kind kind = Kind::kTextEnded;
  int32_t stream = 0;   // what Speak returned for the text
  std::string failure;  // empty when the text was spoken or purged
};
using SpeechEventHandler = std::function<void(const SpeechEvent&)>;

// ISpeechVoice: one engine's voice object. Every call returns at once: connecting, listing,
// synthesis and the sound device belong to threads the runtime owns.
class SpeechVoice {
 public:
  virtual ~SpeechVoice() = default;
  virtual std::shared_ptr<SpeechObjectTokens> GetVoices(TextView required, TextView optional) = 0;
  virtual void SetVoice(const std::shared_ptr<SpeechObjectToken>& token) = 0;
  virtual int32_t GetVolume() = 0;
  virtual void SetVolume(int32_t volume) = 0;
  virtual int32_t GetRate() = 0;
  virtual void SetRate(int32_t rate) = 0;
  // Pitch -10..10 around the voice's own (0), for the texts spoken next.
  virtual void SetPitch(int32_t pitch) = 0;
  // Queues the text; its stream number (> 0) is what its end will carry. A purge whose text is
  // "." only stops: it returns 0 and no end is told for it.
  virtual int32_t Speak(TextView text, int32_t flags) = 0;
  // Texts taken by Speak whose end has not been told yet: 0 when the voice is silent.
  virtual int32_t Pending() = 0;
  // How far the voice has got in the text of that stream: the UTF-16 offset, in the text Speak
  // took, of the word being said; nothing when the runtime cannot tell.
  virtual std::optional<int32_t> SpokenPosition(int32_t /*stream*/) { return std::nullopt; }
  // A runtime that lists its voices in the background: whether the list GetVoices gave has
  // changed since, and whether the listing is still going on.
  virtual bool VoicesChanged() { return false; }
  virtual bool VoicesListing() { return false; }
};

// The language a voice's "Language" attribute names, as far as voices are told apart by it:
// "en" for "en-us" and "en-GB", the primary language of a SAPI language id ("409;9" and "809"
// alike).
Text LanguageBaseOf(TextView language);

// Makes a voice object that tells its events to the handler.
using SpeechVoiceFactory = std::function<std::shared_ptr<SpeechVoice>(SpeechEventHandler)>;

// Makes the class identifier create its voice objects with factory (replacing any earlier one).
void SpeechClassRegister(TextView classId, SpeechVoiceFactory factory);
// Registers the platform's own runtimes (COM on Windows; espeak-ng and speech-dispatcher on
// Linux).
void SpeechPlatformClassesRegister();
// A new voice object of the class; throws SpeechError when no runtime serves it.
std::shared_ptr<SpeechVoice> SpeechVoiceCreate(TextView classId, SpeechEventHandler events);
