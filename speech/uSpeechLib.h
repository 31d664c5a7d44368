// The voice engine: the voices of the Speech Platform and SAPI 5 engines merged into one list,
// and speech by list position with a volume and a rate.
#pragma once

#include <vector>

#include "platform/unicode.h"
#include "speech/runtime/runtime.h"

// The runtime a voice belongs to, as TVoiceEntry::Version names it.
inline constexpr int32_t kSpeechPlatformVersion = 11;  // Microsoft Speech Platform 11
inline constexpr int32_t kSapi5Version = 5;            // Microsoft SAPI 5

struct TVoiceEntry {
  int32_t Version;  // kSpeechPlatformVersion or kSapi5Version
  int32_t index;    // position of the voice's token in its engine's collection
  Text name;        // shown in the voice box
};

// Speech Platform voices first, then SAPI 5 voices, each in their engine's order.
extern std::vector<TVoiceEntry> Voices;

// The flags the engine speaks with: chat text never parsed as markup, markup, and the purge.
inline constexpr int32_t kSpeakPlain = kFlagAsync | kFlagIsNotXml;
inline constexpr int32_t kSpeakXml = kFlagAsync | kFlagIsXml;
inline constexpr int32_t kSpeakPurge = kFlagAsync | kFlagPurgeBeforeSpeak;

// Opens both engines; true when at least one voice was found. An engine that cannot be created
// or listed adds no voices; a voice whose name cannot be read ends its engine's list there.
bool SpeechOpen();
// False when the last SpeechOpen could not read every voice's name.
bool SpeechOpenComplete();
// A runtime that lists its voices in the background (speech-dispatcher) may find others than it
// gave at SpeechOpen: true when Voices changed now (the caller refills what shows them).
bool SpeechVoicesRefresh();
// Whether such a listing is still going on or has news: someone should call SpeechVoicesRefresh.
bool SpeechVoicesListing();
// Waits (up to milliseconds) for the listing to end and takes in what it found, for commands
// that want the whole list at once.
void SpeechVoicesAwait(int32_t milliseconds);
// The voice a user names (Voices.txt), ASCII case ignored: the voice of that name, with or
// without the engine's suffix in parentheses ("English (America)" for "English (America)
// (espeak-ng)"), else the first voice whose name begins with it; -1 when there is none.
int32_t VoiceFind(TextView name);
// Gives back the SAPI 5 tokens' extra references and destroys the SAPI 5 voice object.
void SpeechClose();
// Program end: releases every speech object (what SpeechClose releases too).
void SpeechRelease();

// True when the engine took the text. Chat text is never parsed as markup. A text for an engine
// that is still speaking waits in the voice engine, which hands it on once the runtime falls
// silent (SpeechPump), a line at a time. With maxWaiting > 0, no more than that many chat lines
// (the CR LF pieces of the texts) wait for the engine: the oldest waiting lines are passed over to
// make room (never what is being spoken), and the text spoken next begins with a short note of how
// many.
bool SpeechSay(TextView text, int32_t voiceIndex, int32_t volume, int32_t rate,
               int32_t maxWaiting = 0);
// Chat lines waiting for the engine of that voice that have not begun: those the voice engine
// holds and the texts the runtime queued behind the one it speaks.
int32_t SpeechQueueLength(int32_t voiceIndex);
// Hands held texts to the engines that have fallen silent. False when an engine refused one
// (it is dropped).
bool SpeechPump();
// Whether texts wait in the voice engine: someone must go on calling SpeechPump.
bool SpeechHolding();
// The note a text begins with after the limit dropped lines before it.
Text PassedOverNote(int32_t lines);
// The text is SAPI XML; false when the voice refuses it.
bool SpeechSayXml(TextView text, int32_t voiceIndex, int32_t volume, int32_t rate);
// Stops the engine of that voice and drops its queue (the held texts too); the other engine
// goes on.
void SpeechPurge(int32_t voiceIndex);
// What the engine of that voice holds now; 0 when there are no voices.
int32_t SpeechGetVolume(int32_t voiceIndex);
int32_t SpeechGetRate(int32_t voiceIndex);
// Waits until the engine of that voice has spoken everything queued and held; false on
// time-out.
bool SpeechWait(int32_t voiceIndex, int32_t milliseconds);
// Brings the voice index, the volume (0..100) and the rate (-10..10) into range.
void SpeechClamp(int32_t& voiceIndex, int32_t& volume, int32_t& rate);
