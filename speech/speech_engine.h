// The voice engine: one queue of texts in front of both engines' runtimes, spoken one at a time,
// with what the runtimes report taken in on the owner's thread. Its rules live in its own members:
// starting a text arms its deadline, its end (told, overdue, purged or stopped) disarms it.
#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "speech/auto_voice.h"
#include "speech/speech_inbox.h"
#include "speech/speech_queue.h"
#include "speech/uSpeechLib.h"
#include "speech/voice_catalog.h"

class TSpeechEngine {
 public:
  TSpeechEngine() = default;
  TSpeechEngine(const TSpeechEngine&) = delete;
  TSpeechEngine& operator=(const TSpeechEngine&) = delete;

  TVoiceCatalog& Catalog() { return catalog_; }
  void HandlersSet(TSpeechHandlers handlers);
  bool Open();
  // Takes in what the runtimes reported, then speaks on.
  void EventsRun();
  // Queues an entry for the voice at voiceIndex (clamped); false when there is no voice.
  bool Add(TSpeechEntry entry, int32_t voiceIndex, int32_t maxWaiting);
  bool Busy() const { return speaking_ || !queue_.Empty(); }
  int32_t WaitingLines() const { return queue_.WaitingLines(); }
  void Purge();
  void Pause();
  void Resume();
  bool Paused() const { return paused_; }
  bool Repeat();
  std::optional<TChatLine> Heard();
  Text SpeakerHeard();
  void SpeakerDrop(TextView speaker);
  TVoiceChoice AutoVoice(TextView key, int32_t windowVoice, double now);
  // The voices of the window voice's engine and language (indices into the list).
  std::vector<int32_t> VoicesAlike(int32_t windowVoice);
  bool Wait(int32_t milliseconds);
  void VoicesAwait(int32_t milliseconds);
  void Close();
  void Release();

 private:
  // The text being spoken.
  struct TSpeaking {
    int engine;
    int32_t stream;
    std::chrono::steady_clock::time_point started, deadline;
    int32_t rate;                // as spoken, catching up included
    TSpeechEntry entry;          // as it was handed on, for Pause and Repeat
    std::vector<size_t> starts;  // where each of its lines begins in the text spoken
  };

  void Pump();
  void NewsTell();
  void GoOn();
  // Hands the entry to its engine's runtime and arms its deadline; throws when it cannot.
  void Start(const TSpeechEntry& entry, const TVoiceEntry& listed, TEngineSlot& slot);
  // The text being spoken no longer is: its deadline disarmed.
  void SpeakingEnd();
  // SpeakingEnd, and the runtime stops it.
  void SpeakingStop();
  void TextEnded(int engine, const SpeechEvent& event);
  void OverdueEnd();
  void Trouble(TEngineSlot& slot, const std::string& reason);
  void VoiceGone(const TVoiceId& voice);
  // The text to speak for an entry: a notice's own; a chat text's lines as said now (NameRepeat),
  // after the note of the lines passed over; starts gets where each line begins.
  Text Said(const TSpeechEntry& entry, std::vector<size_t>& starts);
  // The line of the text being spoken that is being heard (its index in the entry's lines).
  size_t HeardIndex();

  TVoiceCatalog catalog_;
  TSpeechQueue queue_;
  std::optional<TSpeaking> speaking_;
  bool paused_ = false;
  std::optional<TSpeechEntry> lastChat_;  // the chat text spoken last, for Repeat
  TLastHeard lastHeard_;                  // NameRepeat's, and Mute's when nothing is spoken
  int32_t untold_ = 0;                    // lines passed over that no note has said yet
  std::optional<double> noteTold_;        // when the last note was said (NameRepeat's clock)
  TSpeechHandlers handlers_;
  std::shared_ptr<TSpeechInbox> inbox_ = std::make_shared<TSpeechInbox>();
  std::unique_ptr<TDeadlineWatch> watch_;
  // Failures met on the owner's thread, told at the end of the call that met them.
  std::vector<std::string> troubles_;
  bool voicesChanged_ = false;
  // Voices whose texts were dropped because they are gone, told once until they come back.
  std::set<TVoiceId> goneTold_;
  TAutoVoices autoVoices_;  // the session's picks
};

// The module's engine, which the functions of uSpeechLib.h work on.
TSpeechEngine& SpeechEngine();
