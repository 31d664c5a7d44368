// The espeak-ng runtime: one engine for the whole process (espeak-ng keeps global state), a
// worker thread that synthesises the queued texts in order, and a sink for the samples.
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/platform.h"
#include "speech/runtime/posix_runtimes.h"
#include "speech/runtime/sapi_markup.h"
#include "speech/runtime/sound_device_posix.h"
#include "speech/runtime/wav_writer_posix.h"

namespace {

constexpr char kEngine[] = "espeak-ng";

// Samples per callback: purging stops the current text within this much audio.
constexpr int kBufferMilliseconds = 40;

// How long the worker keeps the sound device playing for a next text before it lets it drain.
constexpr auto kDeviceLinger = std::chrono::milliseconds(200);
// How long the first voice list waits for espeak-ng to start.
constexpr auto kStartWait = std::chrono::milliseconds(3000);

// The voice object's event handler, for the jobs it queued: cut when the object goes, so a job
// the worker finishes later tells no one.
class EventsRelay {
 public:
  explicit EventsRelay(SpeechEventHandler events) : events_(std::move(events)) {}
  void Tell(const SpeechEvent& event) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (events_) events_(event);
  }
  void Cut() {
    std::lock_guard<std::mutex> lock(mutex_);
    events_ = nullptr;
  }

 private:
  std::mutex mutex_;
  SpeechEventHandler events_;
};

struct EspeakVoiceInfo {
  std::string name, identifier, language;
};

struct Job {
  std::string text;
  // For plain text: the UTF-16 offset of each character (espeak-ng counts its word positions in
  // characters); empty for markup.
  std::vector<int32_t> offsets;
  bool phonemes;
  std::string voice;
  int32_t rate;
  int32_t volume;
  int32_t pitch;
  Text wavFolder;  // empty: the sound device
  int32_t stream;
  std::shared_ptr<EventsRelay> events;  // told the job's end
};

void JobEnded(const Job& job, std::string failure) {
  job.events->Tell({SpeechEvent::Kind::kTextEnded, job.stream, std::move(failure)});
}

class EspeakEngine {
 public:
  static EspeakEngine& Get() {
    // Stopped and joined at exit: every wait of its worker ends at a stop.
    static EspeakEngine engine;
    return engine;
  }

  // The voices, once the worker has started espeak-ng (waited for a few seconds at most); throws
  // SpeechError when it cannot start.
  std::vector<EspeakVoiceInfo> VoiceList() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!wake_.wait_for(lock, kStartWait, [this] { return started_; })) {
      throw SpeechError("espeak-ng: did not start in time");
    }
    if (!startFailure_.empty()) throw SpeechError(startFailure_);
    return voices_;
  }

  // Queues a text; the worker opens the sound device when a text needs it.
  void Enqueue(Job job) {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(std::move(job));
    wake_.notify_all();
  }

  // Stops the current text and drops the queue; the dropped texts and the one stopped are told
  // ended now (the worker tells the stopped one no more).
  void Purge() {
    std::deque<Job> dropped;
    std::shared_ptr<EventsRelay> stoppedEvents;
    int32_t stopped = 0;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      dropped.swap(queue_);
      if (busy_) {
        stoppedEvents = busy_->events;
        stopped = std::exchange(busy_, nullptr)->stream;
      }
      ++generation_;
      wake_.notify_all();
    }
    if (stoppedEvents) stoppedEvents->Tell({SpeechEvent::Kind::kTextEnded, stopped, {}});
    for (const Job& job : dropped) JobEnded(job, {});
  }

  int32_t Pending() {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int32_t>(queue_.size()) + (busy_ ? 1 : 0);
  }

  // The UTF-16 offset of the word being said in the stream's text, as far as synthesis has got.
  std::optional<int32_t> SpokenPosition(const EventsRelay* events, int32_t stream) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (heard_.events != events || heard_.stream != stream || heard_.offset < 0) {
      return std::nullopt;
    }
    return heard_.offset;
  }

 private:
  // espeak-ng starts on the worker (reading its data takes tens of milliseconds from a cold disk),
  // which alone touches espeak-ng and the sound device from then on.
  EspeakEngine() {
    worker_ = std::thread([this] { Work(); });
  }

  ~EspeakEngine() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
      ++generation_;  // synthesis and the device's waits end at this
      wake_.notify_all();
    }
    worker_.join();
  }

  void Start() {
    int sampleRate = espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kBufferMilliseconds, nullptr,
                                       espeakINITIALIZE_DONT_EXIT);
    std::vector<EspeakVoiceInfo> voices;
    if (sampleRate > 0) {
      espeak_SetSynthCallback(&EspeakEngine::Samples);
      voices = VoicesRanked();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    sampleRate_ = sampleRate;
    if (sampleRate <= 0)
      startFailure_ = "espeak-ng: cannot initialise (is espeak-ng-data installed?)";
    voices_ = std::move(voices);
    started_ = true;
    wake_.notify_all();
  }

  // espeak-ng lists its voices by language name; the user's own language comes first, so the
  // first voice, the program's default, speaks it (English where the locale names none).
  static std::vector<EspeakVoiceInfo> VoicesRanked() {
    std::vector<std::pair<int, EspeakVoiceInfo>> ranked;
    for (const espeak_VOICE** v = espeak_ListVoices(nullptr); v && *v; ++v) {
      // languages: a priority byte, then the language name, for each language of the voice.
      std::string language = (*v)->languages && (*v)->languages[0] ? (*v)->languages + 1 : "";
      ranked.push_back({LanguageRank(language), {(*v)->name, (*v)->identifier, language}});
    }
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<EspeakVoiceInfo> voices;
    for (auto& [rank, voice] : ranked) voices.push_back(std::move(voice));
    return voices;
  }

  void Work() {
    Start();
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
      if (stop_) break;
      Job job = std::move(queue_.front());
      queue_.pop_front();
      busy_ = &job;
      heard_ = {job.events.get(), job.stream, -1};
      uint64_t generation = generation_;
      lock.unlock();
      std::string failure = startFailure_;
      if (failure.empty() && job.wavFolder.empty() && !device_.Open(sampleRate_)) {
        failure =
            "espeak-ng: no sound device can be opened (set KELVORA_WAV_DIR to write WAV files)";
      }
      if (failure.empty()) Synthesise(job, generation);
      lock.lock();
      bool told = busy_ == nullptr;  // by a purge
      busy_ = nullptr;
      lock.unlock();
      if (!told) JobEnded(job, std::move(failure));
      lock.lock();
      // The device drains only when no next text comes soon, and never under the lock.
      if (!wake_.wait_for(lock, kDeviceLinger, [this] { return stop_ || !queue_.empty(); })) {
        lock.unlock();
        device_.Drain();
        lock.lock();
      }
    }
    lock.unlock();
    Finish();
  }

  // The worker's last act: the device let go of without playing what it holds.
  void Finish() {
    device_.Close();
    if (sampleRate_ > 0) espeak_Terminate();
  }

  void Synthesise(const Job& job, uint64_t generation) {
    espeak_SetVoiceByName(job.voice.c_str());
    espeak_SetParameter(espeakRATE, EspeakWordsPerMinute(job.rate), 0);
    espeak_SetParameter(espeakVOLUME, job.volume, 0);
    espeak_SetParameter(espeakPITCH, EspeakPitch(job.pitch), 0);
    std::unique_ptr<WavWriter> wav;
    if (!job.wavFolder.empty()) wav = std::make_unique<WavWriter>(job.wavFolder, sampleRate_);
    current_ = {wav.get(), generation, &job};
    if (!wav) device_.Start();
    unsigned flags = espeakCHARS_UTF8 | (job.phonemes ? espeakPHONEMES : 0);
    espeak_Synth(job.text.c_str(), job.text.size() + 1, 0, POS_CHARACTER, 0, flags, nullptr, this);
    if (!wav && Purged()) device_.Abort();  // drops what is still buffered
    current_ = {};
  }

  bool Purged() const { return generation_.load() != current_.generation; }

  // Hands the samples to the device; while it is full the worker waits on what a purge or a
  // stop signals. False when purged meanwhile, or when the device fails.
  bool Play(const short* samples, int count) {
    return !Purged() && device_.Play(samples, count, [this](std::chrono::milliseconds pause) {
      std::unique_lock<std::mutex> lock(mutex_);
      return wake_.wait_for(lock, pause, [this] { return Purged(); });
    });
  }

  // The last word the samples reach, as an offset in the job's text.
  void WordsHeard(const espeak_EVENT* events) {
    const std::vector<int32_t>& offsets = current_.job->offsets;
    int32_t offset = -1;
    for (const espeak_EVENT* e = events; e->type != espeakEVENT_LIST_TERMINATED; ++e) {
      auto character = static_cast<size_t>(e->text_position - 1);
      if (e->type == espeakEVENT_WORD && character < offsets.size()) offset = offsets[character];
    }
    if (offset < 0) return;
    std::lock_guard<std::mutex> lock(mutex_);
    heard_.offset = offset;
  }

  static int Samples(short* samples, int count, espeak_EVENT* events) {
    auto* self = static_cast<EspeakEngine*>(events ? events->user_data : nullptr);
    if (!self) return 0;
    if (self->Purged()) return 1;
    self->WordsHeard(events);
    if (samples && count > 0) {
      if (self->current_.wav) {
        self->current_.wav->Write(samples, count);
      } else if (self->device_.IsOpen() && !self->Play(samples, count)) {
        return 1;
      }
    }
    return self->Purged() ? 1 : 0;
  }

  struct Current {
    WavWriter* wav = nullptr;
    uint64_t generation = 0;
    const Job* job = nullptr;
  };
  // Where the text being synthesised has got.
  struct Heard {
    const EventsRelay* events = nullptr;  // whose stream
    int32_t stream = 0;
    int32_t offset = -1;
  };

  std::mutex mutex_;
  std::condition_variable wake_;
  // Set once by the worker's start, under the lock; read-only after.
  bool started_ = false;
  std::string startFailure_;
  int sampleRate_ = 0;
  std::vector<EspeakVoiceInfo> voices_;
  std::deque<Job> queue_;
  Job* busy_ = nullptr;  // the worker's job being synthesised, until its end is told
  Heard heard_;
  bool stop_ = false;
  std::atomic<uint64_t> generation_{0};
  // The worker's alone.
  Current current_;
  SoundDevice device_;
  std::thread worker_;
};

// The UTF-16 offset of each character of the text.
std::vector<int32_t> CharacterOffsets(TextView text) {
  std::vector<int32_t> offsets;
  for (size_t i = 0; i < text.size(); ++i) {
    offsets.push_back(static_cast<int32_t>(i));
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size()) ++i;
  }
  return offsets;
}

Text WavFolderGet() {
  const char* folder = std::getenv("KELVORA_WAV_DIR");
  return folder ? Utf8ToText(folder) : Text();
}

class EspeakVoice : public NamedVoice {
 public:
  explicit EspeakVoice(SpeechEventHandler events)
      : NamedVoice(kEngine, "en"), events_(std::make_shared<EventsRelay>(std::move(events))) {
    EspeakEngine::Get();
  }
  ~EspeakVoice() override {
    events_->Cut();
    EspeakEngine::Get().Purge();
  }
  EspeakVoice(const EspeakVoice&) = delete;
  EspeakVoice& operator=(const EspeakVoice&) = delete;
  std::shared_ptr<SpeechObjectTokens> GetVoices(TextView, TextView) override {
    std::vector<std::shared_ptr<NamedToken>> tokens;
    for (const EspeakVoiceInfo& v : EspeakEngine::Get().VoiceList()) {
      tokens.push_back(
          std::make_shared<NamedToken>(kEngine, v.name + " (espeak-ng)", v.identifier, v.language));
    }
    return std::make_shared<NamedTokens>(kEngine, std::move(tokens));
  }
  int32_t Speak(TextView text, int32_t flags) override {
    EspeakEngine& engine = EspeakEngine::Get();
    if (flags & kFlagPurgeBeforeSpeak) engine.Purge();
    // The purge's own text (".") says nothing; it need not be synthesised.
    if ((flags & kFlagPurgeBeforeSpeak) && text == u".") return 0;
    bool xml = (flags & kFlagIsXml) != 0;
    std::string body = xml ? SapiXmlToEspeak(text) : TextToUtf8(text);
    engine.Enqueue({std::move(body), xml ? std::vector<int32_t>() : CharacterOffsets(text), xml,
                    Voice(), Rate(), Volume(), Pitch(), WavFolderGet(), ++stream_, events_});
    return stream_;
  }
  int32_t Pending() override { return EspeakEngine::Get().Pending(); }
  std::optional<int32_t> SpokenPosition(int32_t stream) override {
    return EspeakEngine::Get().SpokenPosition(events_.get(), stream);
  }

 private:
  std::shared_ptr<EventsRelay> events_;
  int32_t stream_ = 0;
};

}  // namespace

int EspeakWordsPerMinute(int32_t rate) {
  long wpm = std::lround(175.0 * std::pow(1.1, rate));
  return static_cast<int>(std::clamp<long>(wpm, espeakRATE_MINIMUM, espeakRATE_MAXIMUM));
}

std::shared_ptr<SpeechVoice> EspeakVoiceCreate(SpeechEventHandler events) {
  return std::make_shared<EspeakVoice>(std::move(events));
}
