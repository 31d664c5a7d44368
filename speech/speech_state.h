// The voice engine's state, in one object: the runtimes, the voice list, the queue, and what the
// runtimes report from their threads.
#pragma once

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "speech/uSpeechLib.h"

// What the runtimes report, kept until the owner's thread takes it in.
class TSpeechInbox {
 public:
  struct Item {
    int engine;  // index into TSpeechState::engines
    SpeechEvent event;
  };
  // Any thread.
  void Push(int engine, SpeechEvent event);
  void DeadlinePassed();
  void WakeSet(std::function<void()> wake);
  // Takes what has come; deadline: whether a deadline passed since the last take.
  std::vector<Item> Take(bool& deadline);
  // Waits until something has come or the time is reached.
  void Await(std::chrono::steady_clock::time_point until);

 private:
  void Tell(std::unique_lock<std::mutex>& lock);
  std::mutex mutex_;
  std::condition_variable came_;
  std::vector<Item> items_;
  bool deadline_ = false;
  std::function<void()> wake_;
};

// A thread that tells the inbox when the deadline of the text being spoken has passed.
class TDeadlineWatch {
 public:
  explicit TDeadlineWatch(std::shared_ptr<TSpeechInbox> inbox) : inbox_(std::move(inbox)) {}
  ~TDeadlineWatch();
  TDeadlineWatch(const TDeadlineWatch&) = delete;
  TDeadlineWatch& operator=(const TDeadlineWatch&) = delete;
  void Arm(std::chrono::steady_clock::time_point deadline);
  void Disarm();

 private:
  void Watch();
  std::shared_ptr<TSpeechInbox> inbox_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<std::chrono::steady_clock::time_point> deadline_;
  bool stop_ = false;
  std::thread thread_;
};

struct TEngineSlot {
  int32_t Version;
  const char16_t* classId;
  std::shared_ptr<SpeechVoice> voice;
  std::shared_ptr<SpeechObjectTokens> tokens;
  bool troubled = false;  // a failure was told; silent until a text of it is spoken again
  int32_t pitch = 0;      // what the voice object was last given
};

// The text being spoken.
struct TSpeaking {
  int engine;
  int32_t stream;
  std::chrono::steady_clock::time_point deadline;
  TSpeechEntry entry;  // as it was handed on, for Pause and Repeat
};

struct TSpeechState {
  TEngineSlot engines[2] = {{kSpeechPlatformVersion, kSpeechPlatformClassId, {}, {}},
                            {kSapi5Version, kSapi5ClassId, {}, {}}};
  bool openComplete = true;
  // The extra reference held on each SAPI 5 token from SpeechOpen to SpeechClose.
  std::vector<std::shared_ptr<SpeechObjectToken>> sapi5TokenReferences;
  TSpeechQueue queue;
  std::optional<TSpeaking> speaking;
  bool paused = false;
  std::optional<TSpeechEntry> lastChat;  // the chat text spoken last, for Repeat
  TSpeechHandlers handlers;
  std::shared_ptr<TSpeechInbox> inbox = std::make_shared<TSpeechInbox>();
  std::unique_ptr<TDeadlineWatch> watch;
  // The voices' languages as AutoVoices compares them, read once a voice list (engine, name).
  std::map<std::pair<int32_t, Text>, Text> voiceLanguages;
  // Failures met on the owner's thread, told at the end of the call that met them.
  std::vector<std::string> troubles;
  bool voicesChanged = false;
};

TSpeechState& Speech();

// The engine slot of a voice's Version; nullptr for another.
TEngineSlot* EngineSlotOf(int32_t version);
// The Speech Platform's voices at the front of Voices, listed anew; false when one's name
// could not be read (those before it are listed).
bool PlatformVoicesList();
// Tells the owner the failures and the voice list change met, once the state is settled.
void SpeechNewsTell();
// Speaks the next text when none is being spoken and speech is not paused.
void SpeechPump();
// SpeechPump, then SpeechNewsTell: what a change to the queue or its state is followed by.
void SpeechGoOn();
// Stops what is being spoken in its runtime; it no longer counts as speaking.
void SpeakingStop();
