// The speech-dispatcher runtime: the desktop's speech server, with the voices of whatever
// synthesisers it runs. Markup is not offered to it (callers fall back to plain text).
//
// One worker owns the connection: it connects (starting the server where it is started on
// demand), lists the voices, sends the texts and reads the server's end notices. Every reply is
// waited for a bounded time; a server that does not answer, or goes away, fails the texts it
// held, and the next text connects anew. The window's calls only queue work for the worker.
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/platform.h"
#include "speech/runtime/posix_runtimes.h"
#include "speech/runtime/speechd_voices_posix.h"
#include "speech/runtime/ssip_posix.h"

namespace {

constexpr char kEngine[] = "speech-dispatcher";
constexpr std::chrono::milliseconds kReplyTimeout{2000};

// SAPI's volume 0..100 and rate -10..10 on speech-dispatcher's -100..100.
int SpeechdVolume(int32_t volume) { return volume * 2 - 100; }
int SpeechdRate(int32_t rate) { return rate * 10; }

// SSIP's notices that end a message: END and CANCELLED.
constexpr int kNoticeEnd = 702;
constexpr int kNoticeCancelled = 703;

struct Job {
  bool cancel;  // else a text to speak
  std::string text, voice;
  int32_t volume, rate, pitch, stream;
};

class SpeechdVoice : public NamedVoice {
 public:
  explicit SpeechdVoice(SpeechEventHandler events)
      : NamedVoice(kEngine, ""), events_(std::move(events)) {
    voices_ = VoiceCacheRead();
    wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) throw SpeechError("speech-dispatcher: no eventfd");
    worker_ = std::thread([this] { Work(); });
  }
  ~SpeechdVoice() override {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
      if (connection_) connection_->Cancel();
    }
    Wake();
    worker_.join();
    ::close(wake_);
  }
  SpeechdVoice(const SpeechdVoice&) = delete;
  SpeechdVoice& operator=(const SpeechdVoice&) = delete;

  std::shared_ptr<SpeechObjectTokens> GetVoices(TextView, TextView) override {
    // The voices of the last run, or none yet: the listing tells when it has found others.
    std::lock_guard<std::mutex> lock(mutex_);
    changed_ = false;
    std::vector<std::shared_ptr<NamedToken>> tokens;
    for (const ServerVoice& v : voices_) {
      tokens.push_back(
          std::make_shared<NamedToken>(kEngine, v.name + " (speech-dispatcher, " + v.module + ")",
                                       v.module + '\t' + v.name, v.language));
    }
    return std::make_shared<NamedTokens>(kEngine, std::move(tokens));
  }

  bool VoicesChanged() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return changed_;
  }

  bool VoicesListing() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return !fetched_;
  }

  int32_t Speak(TextView text, int32_t flags) override {
    if (flags & kFlagPurgeBeforeSpeak) {
      Purge();
      if (text == u".") return 0;
    }
    if (flags & kFlagIsXml) throw SpeechError("speech-dispatcher: SAPI XML is not supported");
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back({false, TextToUtf8(text), Voice(), Volume(), Rate(), Pitch(), ++lastStream_});
    Wake();
    return lastStream_;
  }

  int32_t Pending() override {
    std::lock_guard<std::mutex> lock(mutex_);
    int32_t pending = sending_ ? 1 : 0;
    for (const Job& job : jobs_) pending += job.cancel ? 0 : 1;
    return pending + static_cast<int32_t>(spoken_.size());
  }

 private:
  void Wake() {
    uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_, &one, sizeof one);
  }

  bool Stopping() {
    std::lock_guard<std::mutex> lock(mutex_);
    return stop_;
  }

  void Ended(int32_t stream, std::string failure) {
    events_({SpeechEvent::Kind::kTextEnded, stream, std::move(failure)});
  }

  // The texts not yet sent end at once; the server is told to stop what it has.
  void Purge() {
    std::deque<Job> dropped;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      dropped.swap(jobs_);
      jobs_.push_back({true, {}, {}, 0, 0, 0, 0});
      Wake();
    }
    for (const Job& job : dropped) {
      if (!job.cancel) Ended(job.stream, {});
    }
  }

  void Work() {
    ServerReach();
    while (!Stopping()) {
      JobsRun();
      Await();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    connection_.reset();
  }

  // At start: the connection and the voice list.
  void ServerReach() {
    std::vector<ServerVoice> fetched;
    bool listening = true;
    try {
      Connect();
      fetched = ServerVoicesList(*connection_);
    } catch (const SpeechError&) {
      listening = connection_ != nullptr;
      ConnectionLost({});
    }
    bool changed = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      // Nothing listening, or a server with other voices than last time: the list follows it. A
      // server that does not answer keeps the voices of the last run.
      if (fetched != voices_ && (!fetched.empty() || !listening)) {
        if (!fetched.empty()) VoiceCacheWrite(fetched);
        changed_ = changed = true;
        voices_ = std::move(fetched);
      }
      fetched_ = true;
    }
    if (changed) events_({SpeechEvent::Kind::kVoicesChanged, 0, {}});
  }

  void Connect() {
    std::string path = SsipSocketPath();
    std::unique_ptr<SsipConnection> connection;
    try {
      connection = std::make_unique<SsipConnection>(path, kReplyTimeout);
    } catch (const SpeechError&) {
      auto stopping = [this] { return Stopping(); };
      if (!SsipServerStart(path, stopping)) throw;
      connection = SsipConnectRetry(path, kReplyTimeout, stopping);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (stop_) throw SpeechError("speech-dispatcher: stopping");
      connection_ = std::move(connection);
    }
    std::string user = TextToUtf8(EnvironmentGet("USER"));
    connection_->Command("SET SELF CLIENT_NAME " + (user.empty() ? "user" : user) +
                         ":kelvora:main");
    connection_->Command("SET SELF NOTIFICATION END on");
    connection_->Command("SET SELF NOTIFICATION CANCEL on");
  }

  void JobsRun() {
    for (;;) {
      Job job;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (jobs_.empty() || stop_) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
        sending_ = !job.cancel;
      }
      try {
        if (job.cancel) {
          if (connection_) connection_->Command("CANCEL SELF");
        } else {
          Send(job);
        }
      } catch (const SpeechError& e) {
        {
          std::lock_guard<std::mutex> lock(mutex_);
          sending_ = false;
        }
        if (!job.cancel) Ended(job.stream, e.what());
        ConnectionLost(e.what());
      }
    }
  }

  void Send(const Job& job) {
    if (!connection_) Connect();
    size_t tab = job.voice.find('\t');
    if (tab != std::string::npos) {
      connection_->Command("SET SELF OUTPUT_MODULE " + job.voice.substr(0, tab));
      connection_->Command("SET SELF SYNTHESIS_VOICE " + job.voice.substr(tab + 1));
    }
    connection_->Command("SET SELF VOLUME " + std::to_string(SpeechdVolume(job.volume)));
    connection_->Command("SET SELF RATE " + std::to_string(SpeechdRate(job.rate)));
    connection_->Command("SET SELF PITCH " + std::to_string(SpeechdPitch(job.pitch)));
    connection_->Command("SPEAK");
    SsipBlock queued = connection_->Request(SsipSpeakData(job.text));
    if (queued.code != 225 || queued.lines.size() < 2) {
      throw SpeechError("speech-dispatcher: the text was refused (" + std::to_string(queued.code) +
                        ")");
    }
    std::lock_guard<std::mutex> lock(mutex_);
    sending_ = false;
    spoken_[queued.lines.front()] = job.stream;
  }

  // The texts the server held end failed (with the reason, when there is one to tell).
  void ConnectionLost(const std::string& reason) {
    std::map<std::string, int32_t> lost;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      connection_.reset();
      lost.swap(spoken_);
    }
    for (const auto& [id, stream] : lost) {
      Ended(stream, reason.empty() ? "speech-dispatcher: connection lost" : reason);
    }
  }

  void NoticesRead() {
    for (const SsipBlock& notice : connection_->NoticesTake()) {
      if (notice.code != kNoticeEnd && notice.code != kNoticeCancelled) continue;
      if (notice.lines.empty()) continue;
      int32_t stream = 0;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = spoken_.find(notice.lines.front());
        if (found == spoken_.end()) continue;
        stream = found->second;
        spoken_.erase(found);
      }
      Ended(stream, {});
    }
  }

  // Waits for work, a stop, or what the server sends.
  void Await() {
    pollfd fds[2] = {{wake_, POLLIN, 0}, {connection_ ? connection_->Descriptor() : -1, POLLIN, 0}};
    if (::poll(fds, 2, -1) <= 0) return;
    if (fds[0].revents) {
      uint64_t count;
      [[maybe_unused]] ssize_t n = ::read(wake_, &count, sizeof count);
    }
    if (!fds[1].revents || !connection_) return;
    if (!connection_->Receive()) {
      ConnectionLost("speech-dispatcher: the server went away");
      return;
    }
    NoticesRead();
  }

  SpeechEventHandler events_;
  int wake_ = -1;
  std::mutex mutex_;
  bool stop_ = false;
  std::unique_ptr<SsipConnection> connection_;  // the worker's; Cancel from the destructor
  std::deque<Job> jobs_;
  bool sending_ = false;                   // a text between the queue and the server
  std::map<std::string, int32_t> spoken_;  // the server's message ids: our streams
  int32_t lastStream_ = 0;
  std::vector<ServerVoice> voices_;
  bool fetched_ = false;
  bool changed_ = false;
  std::thread worker_;
};

}  // namespace

std::shared_ptr<SpeechVoice> SpeechdVoiceCreate(SpeechEventHandler events) {
  return std::make_shared<SpeechdVoice>(std::move(events));
}
