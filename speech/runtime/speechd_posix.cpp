// The speech-dispatcher runtime: the desktop's speech server, with the voices of whatever
// synthesisers it runs. Markup is not offered to it (callers fall back to plain text).
#include <libspeechd.h>

#include <condition_variable>
#include <mutex>

#include "speech/runtime/posix_runtimes.h"

namespace {

constexpr char kEngine[] = "speech-dispatcher";

// SAPI's volume 0..100 and rate -10..10 on speech-dispatcher's -100..100.
int SpeechdVolume(int32_t volume) { return volume * 2 - 100; }
int SpeechdRate(int32_t rate) { return rate * 10; }

// Messages still being spoken, counted through the server's end and cancel notices.
struct PendingMessages {
  std::mutex mutex;
  std::condition_variable done;
  int count = 0;
};

PendingMessages& PendingGet() {
  static PendingMessages pending;
  return pending;
}

void MessageEnded(size_t, size_t, SPDNotificationType) {
  PendingMessages& pending = PendingGet();
  std::lock_guard<std::mutex> lock(pending.mutex);
  if (pending.count > 0) --pending.count;
  pending.done.notify_all();
}

class SpeechdVoice : public NamedVoice {
 public:
  SpeechdVoice() : NamedVoice(kEngine, "") {
    char* error = nullptr;
    connection_ = spd_open2("kelvora", "main", nullptr, SPD_MODE_THREADED, nullptr, 1, &error);
    if (!connection_) {
      std::string reason = error ? error : "no server";
      std::free(error);
      throw SpeechError("speech-dispatcher: " + reason);
    }
    connection_->callback_end = MessageEnded;
    connection_->callback_cancel = MessageEnded;
    spd_set_notification_on(connection_, SPD_END);
    spd_set_notification_on(connection_, SPD_CANCEL);
  }
  ~SpeechdVoice() override { spd_close(connection_); }
  SpeechdVoice(const SpeechdVoice&) = delete;
  SpeechdVoice& operator=(const SpeechdVoice&) = delete;

  std::shared_ptr<SpeechObjectTokens> GetVoices(TextView, TextView) override {
    SPDVoice** voices = spd_list_synthesis_voices(connection_);
    if (!voices) throw SpeechError("speech-dispatcher: the voices cannot be listed");
    std::vector<std::shared_ptr<NamedToken>> tokens;
    for (SPDVoice** v = voices; *v; ++v) {
      tokens.push_back(std::make_shared<NamedToken>(kEngine, (*v)->name, (*v)->name));
    }
    free_spd_voices(voices);
    return std::make_shared<NamedTokens>(kEngine, std::move(tokens));
  }
  int32_t Speak(TextView text, int32_t flags) override {
    if (flags & kFlagPurgeBeforeSpeak) {
      spd_cancel(connection_);
      if (text == u".") return 0;
    }
    if (flags & kFlagIsXml) throw SpeechError("speech-dispatcher: SAPI XML is not supported");
    spd_set_synthesis_voice(connection_, Voice().c_str());
    spd_set_volume(connection_, SpeechdVolume(Volume()));
    spd_set_voice_rate(connection_, SpeechdRate(Rate()));
    PendingMessages& pending = PendingGet();
    {
      std::lock_guard<std::mutex> lock(pending.mutex);
      ++pending.count;
    }
    int id = spd_say(connection_, SPD_TEXT, TextToUtf8(text).c_str());
    if (id < 0) {
      MessageEnded(0, 0, SPD_EVENT_CANCEL);
      throw SpeechError("speech-dispatcher: the text was refused");
    }
    return id;
  }

  int32_t Pending() override {
    PendingMessages& pending = PendingGet();
    std::lock_guard<std::mutex> lock(pending.mutex);
    return pending.count;
  }

  bool WaitUntilDone(int32_t milliseconds) override {
    PendingMessages& pending = PendingGet();
    std::unique_lock<std::mutex> lock(pending.mutex);
    auto idle = [&] { return pending.count == 0; };
    if (milliseconds < 0) {
      pending.done.wait(lock, idle);
      return true;
    }
    return pending.done.wait_for(lock, std::chrono::milliseconds(milliseconds), idle);
  }

 private:
  SPDConnection* connection_ = nullptr;
};

}  // namespace

std::shared_ptr<SpeechVoice> SpeechdVoiceCreate() { return std::make_shared<SpeechdVoice>(); }
