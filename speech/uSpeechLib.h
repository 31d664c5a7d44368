// The voice engine: the voices of the Speech Platform and SAPI 5 engines merged into one list,
// and one queue of texts in front of both, spoken one at a time with a volume and a rate.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unicode.h"
#include "speech/runtime/runtime.h"
#include "speech/speech_queue.h"

// The runtime a voice belongs to, as TVoiceEntry::Version names it.
inline constexpr int32_t kSpeechPlatformVersion = 11;  // Microsoft Speech Platform 11
inline constexpr int32_t kSapi5Version = 5;            // Microsoft SAPI 5
// The voices Windows 10 and 11 ship for every installed language (the OneCore category), spoken
// through SAPI 5's voice object.
inline constexpr int32_t kOneCoreVersion = 10;

struct TVoiceEntry {
  int32_t Version;  // kSpeechPlatformVersion, kSapi5Version or kOneCoreVersion
  int32_t index;    // position of the voice's token in its engine's collection
  Text name;        // shown in the voice box
};

// The merged voice list: Speech Platform voices first, then SAPI 5 voices, each in their
// engine's order.
const std::vector<TVoiceEntry>& Voices();

// The flags the engine speaks with: chat text never parsed as markup, markup, and the purge.
inline constexpr int32_t kSpeakPlain = kFlagAsync | kFlagIsNotXml;
inline constexpr int32_t kSpeakXml = kFlagAsync | kFlagIsXml;
inline constexpr int32_t kSpeakPurge = kFlagAsync | kFlagPurgeBeforeSpeak;

// Seconds on the steady clock.
double SpeechSteadySeconds();

// How the engine reaches its owner. The runtimes report from threads of their own; wake brings
// that to the owner's thread, which then calls SpeechEventsRun.
struct TSpeechHandlers {
  // Any thread: SpeechEventsRun has work (the binding's thread-safe post). Unset, SpeechWait and
  // SpeechVoicesAwait take the work in themselves.
  std::function<void()> wake;
  // A text could not be spoken (refused, a server lost, an end that never came): told once for
  // an engine until a text of it is spoken again.
  std::function<void(const std::string& reason)> trouble;
  // Voices changed (a listing came in late): whatever shows them refills.
  std::function<void()> voicesChanged;
  // A text whose end does not come counts as done after twice its expected time and this.
  std::chrono::milliseconds endGrace{5000};
  // The clock NameRepeat reads, in seconds (steady unless a test sets its own).
  std::function<double()> seconds = SpeechSteadySeconds;
};
void SpeechHandlersSet(TSpeechHandlers handlers);
// On the owner's thread: takes in what the runtimes reported and speaks the next text.
void SpeechEventsRun();

// Opens both engines; true when at least one voice was found. An engine that cannot be created
// or listed adds no voices; a voice whose name cannot be read ends its engine's list there.
bool SpeechOpen();
// False when the last SpeechOpen could not read every voice's name.
bool SpeechOpenComplete();
// Whether a runtime is still listing its voices in the background (speech-dispatcher).
bool SpeechVoicesListing();
// Waits (up to milliseconds) for the listing to end and takes in what it found, for commands
// that want the whole list at once; the runtime tells the listing's end, so the wait ends then.
void SpeechVoicesAwait(int32_t milliseconds);
// The voice a user names (Voices.txt), ASCII case ignored: the voice of that name, with or
// without the engine's suffix in parentheses ("English (America)" for "English (America)
// (espeak-ng)"), else the first voice whose name begins with it; -1 when there is none.
int32_t VoiceFind(TextView name);
// Stops speech, gives back the SAPI 5 tokens' extra references and destroys the SAPI 5 voice
// object.
void SpeechClose();
// Program end: releases every speech object (what SpeechClose releases too); the runtimes stop
// within a second whatever their servers do.
void SpeechRelease();

// The note of chat lines passed over is said at most once in this many seconds, the count
// carried on to the next one.
inline constexpr double kPassedOverNoteInterval = 10;

// How chat keeps up at a busy place.
struct TQueueLimits {
  // With maxWaiting > 0, no more than that many chat lines wait: the oldest are passed over, and
  // the line spoken next begins with a short note of how many.
  int32_t maxWaiting = 0;
  // While chat lines wait, a chat text is spoken a rate step faster per waiting line, up to this
  // many steps (never above the fastest rate); 0: never faster.
  int32_t catchUp = 0;
  // Seconds: a line whose speaker is the one heard last, within this time, is said without the
  // name (decided when it is spoken, after the limit has passed lines over); 0: always named.
  int32_t nameRepeat = 0;
};
// Queues chat (never parsed as markup) for the voice at that index of Voices, at a pitch
// (-10..10) around the voice's own: its lines, each with its speaker. False when there is no
// voice.
bool SpeechSayLines(std::vector<TChatLine> lines, int32_t voiceIndex, int32_t volume, int32_t rate,
                    TQueueLimits limits = {}, int32_t pitch = 0);
// The same for a text of no speaker, its CR LF lines as lines.
bool SpeechSay(TextView text, int32_t voiceIndex, int32_t volume, int32_t rate,
               TQueueLimits limits = {}, int32_t pitch = 0);
// Queues a notice, never passed over: the markup, or the plain text when the voice refuses
// markup; false when there is no voice.
bool SpeechSayNotice(TextView xml, TextView plain, int32_t voiceIndex, int32_t volume,
                     int32_t rate);
// Whether a text is being spoken or waits.
bool SpeechBusy();
// Skip: stops the text being spoken and empties the queue and every runtime.
void SpeechPurge();
// Pause stops speech at once; what comes meanwhile waits under the queue limit. Resume speaks on,
// the text that was cut first, from its start.
void SpeechPause();
void SpeechResume();
bool SpeechPaused();
// Repeat: the chat text spoken last is spoken again, next, its lines named and without a note of
// lines passed over; false when there is none.
bool SpeechRepeat();
// What is being heard now: the line of the chat text being spoken that the runtime has got to
// (reported by the runtime, else reckoned from the time and the rate), a notice as one line of no
// speaker; nothing when nothing is spoken.
std::optional<TChatLine> SpeechHeard();
// The speaker being heard now, else the one heard last; empty when none.
Text SpeechSpeakerHeard();
// Drops the speaker's lines from the queue and from the text being spoken (which goes on with the
// others' lines after the one being heard).
void SpeechSpeakerDrop(TextView speaker);
// What the engine of that voice holds now; 0 when there are no voices.
int32_t SpeechGetVolume(int32_t voiceIndex);
int32_t SpeechGetRate(int32_t voiceIndex);
// Speaks on until the queue is empty (for commands without a window); false on time-out
// (milliseconds < 0: no limit but the texts' own).
bool SpeechWait(int32_t milliseconds);
// Brings the voice index, the volume (0..100) and the rate (-10..10) into range.
void SpeechClamp(int32_t& voiceIndex, int32_t& volume, int32_t& rate);
// The base of a voice's language (LanguageBaseOf: "en", "lcid:9"); empty where it has none or
// there is no such voice.
Text SpeechVoiceLanguage(int32_t voiceIndex);
struct TVoiceChoice {
  int32_t voiceIndex;
  int32_t pitch;
  bool operator==(const TVoiceChoice&) const = default;
};
// How long a speaker counts as heard for AutoVoices' clashes.
inline constexpr double kAutoVoiceRecentSeconds = 300;
// A voice for a speaker of their own (AutoVoices): one of the voices of the window voice's engine
// and language, and a pitch (-4..4). The speaker's own pick comes from a stable hash of their key
// (the same on every run and platform); when it would sound like the pick of a speaker heard in
// the last few minutes (the same voice, pitches less than 3 steps apart) and another choice is
// free, the speaker gets the first free one instead, for the rest of the session. A speaker keeps
// the pick the session gave them. now: seconds on the caller's clock, when the speaker is heard.
TVoiceChoice SpeechAutoVoice(TextView speakerKey, int32_t windowVoice, double now);
// The speaker's own pick, before any clash: what every run gives them.
TVoiceChoice SpeechAutoVoiceOwn(TextView speakerKey, int32_t windowVoice);
// The 32-bit FNV-1a hash of the bytes.
uint32_t Fnv1a(std::string_view bytes);
// murmur3's finaliser: every bit of the result depends on every bit of h.
uint32_t Fmix32(uint32_t h);

// Characters a voice says in a second at a rate.
double SpeechCharactersPerSecond(int32_t rate);
// How long a text is expected to take at a rate: what its end is waited for is reckoned from.
std::chrono::milliseconds SpeechExpectedDuration(TextView text, int32_t rate);
// The rate a text is spoken at: its own, a step faster per waiting chat line up to catchUp
// steps, never above 10.
int32_t SpeechCatchUpRate(int32_t rate, int32_t catchUp, int32_t waitingLines);
