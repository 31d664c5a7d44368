// The speech-dispatcher runtime: the desktop's speech server, with the voices of whatever
// synthesisers it runs. Markup is not offered to it (callers fall back to plain text).
//
// One worker owns the connection: it connects (starting the server where it is started on
// demand), lists the voices, sends the texts and reads the server's end notices. Every wait on
// the server is bounded and ends at a stop; a server that does not answer, or goes away, fails
// the texts it held, and the next text connects anew. The window's calls only queue work for the
// worker and never wait for it.
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <charconv>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
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

// SSIP's notices: an index mark reached, and what ends a message: END and CANCELLED.
constexpr int kNoticeIndexMark = 700;
constexpr int kNoticeEnd = 702;
constexpr int kNoticeCancelled = 703;
// End notices kept for a reply still to be read: a few at most are ever early.
constexpr size_t kEarlyEndsKept = 64;

struct Job {
  bool cancel;  // else a text to speak
  std::string text, voice;
  int32_t volume, rate, pitch, stream;
};

// The server's message ids count up: an end notice for an id at or below the last reply read is
// for a text settled already.
uint64_t MessageId(const std::string& id) {
  uint64_t number = 0;
  std::from_chars(id.data(), id.data() + id.size(), number);
  return number;
}

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
    }
    Wake();  // every wait of the worker ends at this
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
    int32_t stream = ++lastStream_;
    open_.insert(stream);
    jobs_.push_back({false, SsmlWithLineMarks(text), Voice(), Volume(), Rate(), Pitch(), stream});
    Wake();
    return stream;
  }

  int32_t Pending() override {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int32_t>(open_.size());
  }

  std::optional<int32_t> SpokenPosition(int32_t stream) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (heardStream_ != stream) return std::nullopt;
    return heardOffset_;
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

  SsipWake WakeOf() {
    return {wake_, [this] { return Stopping(); }};
  }

  // Tells a text's end, the first time only: whichever path settles it first (its end notice, a
  // purge, a lost connection) tells it.
  void Settle(int32_t stream, std::string failure) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (open_.erase(stream) == 0) return;
    }
    events_({SpeechEvent::Kind::kTextEnded, stream, std::move(failure)});
  }

  // Every text taken ends at once, sent or not; the worker tells the server to stop what it has.
  void Purge() {
    std::set<int32_t> settled;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      settled.swap(open_);
      jobs_.clear();
      jobs_.push_back({true, {}, {}, 0, 0, 0, 0});
      Wake();
    }
    for (int32_t stream : settled) events_({SpeechEvent::Kind::kTextEnded, stream, {}});
  }

  void Work() {
    ServerReach();
    for (;;) {
      JobsRun();
      if (Stopping()) break;  // a stop may have ended a wait in JobsRun, its wake drained there
      Await();
    }
    connection_.reset();
  }

  // At start: the connection and the voice list.
  void ServerReach() {
    std::vector<ServerVoice> fetched;
    bool listening = true;
    try {
      Connect();
      fetched = ServerVoicesList(*connection_);
    } catch (const SsipAbsent&) {
      listening = false;
      ConnectionLost({});
    } catch (const SpeechError&) {
      ConnectionLost({});
    }
    // Nothing listening, or a server with other voices than last time: the list follows it. A
    // server that does not answer keeps the voices of the last run.
    bool changed = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      changed = fetched != voices_ && (!fetched.empty() || !listening);
      if (changed) voices_ = fetched;
      changed_ = changed;
      fetched_ = true;
    }
    if (changed && !fetched.empty()) VoiceCacheWrite(fetched);
    events_(
        {changed ? SpeechEvent::Kind::kVoicesChanged : SpeechEvent::Kind::kVoicesListed, 0, {}});
  }

  void Connect() {
    std::string path = SsipSocketPath();
    SsipWake wake = WakeOf();
    try {
      connection_ = std::make_unique<SsipConnection>(path, kReplyTimeout, wake);
    } catch (const SsipAbsent&) {
      if (!SsipServerStart(path, wake)) throw;
      connection_ = SsipConnectRetry(path, kReplyTimeout, wake);
    }
    std::string user = TextToUtf8(EnvironmentGet("USER"));
    connection_->Command("SET SELF CLIENT_NAME " + (user.empty() ? "user" : user) +
                         ":kelvora:main");
    connection_->Command("SET SELF NOTIFICATION END on");
    connection_->Command("SET SELF NOTIFICATION CANCEL on");
    // Texts go as SSML with a mark at each line, and the server tells each mark it reaches.
    connection_->Command("SET SELF NOTIFICATION INDEX_MARKS on");
    connection_->Command("SET SELF SSML_MODE on");
  }

  void JobsRun() {
    for (;;) {
      Job job;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (jobs_.empty() || stop_) return;
        job = std::move(jobs_.front());
        jobs_.pop_front();
      }
      try {
        if (!job.cancel) {
          Send(job);
        } else if (connection_) {
          connection_->Command("CANCEL SELF");
          NoticesSettle();
        }
      } catch (const SpeechError& e) {
        if (!job.cancel) Settle(job.stream, e.what());
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
    const std::string& id = queued.lines.front();
    spoken_[id] = job.stream;
    lastId_ = std::max(lastId_, MessageId(id));
    NoticesSettle();  // its end may have come with the reply, or before it
  }

  // The texts the server held end failed (with the reason, when there is one to tell).
  void ConnectionLost(const std::string& reason) {
    connection_.reset();
    std::map<std::string, int32_t> lost;
    lost.swap(spoken_);
    earlyEnds_.clear();
    for (const auto& [id, stream] : lost) {
      Settle(stream, reason.empty() ? "speech-dispatcher: connection lost" : reason);
    }
  }

  // The end notices received so far, whichever read brought them, matched with the texts sent;
  // one whose reply is still to come is kept for it.
  void NoticesSettle() {
    for (SsipBlock& notice : connection_->NoticesTake()) {
      if (notice.lines.empty()) continue;
      if (notice.code == kNoticeEnd || notice.code == kNoticeCancelled) {
        earlyEnds_.push_back(std::move(notice.lines.front()));
      } else if (notice.code == kNoticeIndexMark && notice.lines.size() >= 3) {
        MarkReached(notice.lines[0], notice.lines[2]);
      }
    }
    std::erase_if(earlyEnds_, [this](const std::string& id) {
      auto found = spoken_.find(id);
      if (found == spoken_.end()) return MessageId(id) <= lastId_;
      Settle(found->second, {});
      spoken_.erase(found);
      return true;
    });
    if (earlyEnds_.size() > kEarlyEndsKept) earlyEnds_.erase(earlyEnds_.begin());
  }

  // A line's mark reached in a text sent: that line is being heard.
  void MarkReached(const std::string& id, const std::string& mark) {
    auto found = spoken_.find(id);
    int32_t offset = 0;
    if (found == spoken_.end() ||
        std::from_chars(mark.data(), mark.data() + mark.size(), offset).ec != std::errc()) {
      return;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    heardStream_ = found->second;
    heardOffset_ = offset;
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
    NoticesSettle();
  }

  SpeechEventHandler events_;
  int wake_ = -1;
  std::mutex mutex_;  // guards what the window's calls reach: below, up to the worker's own
  bool stop_ = false;
  std::deque<Job> jobs_;
  std::set<int32_t> open_;                     // the streams taken whose end is still to be told
  int32_t heardStream_ = 0, heardOffset_ = 0;  // the last index mark reached
  int32_t lastStream_ = 0;
  std::vector<ServerVoice> voices_;
  bool fetched_ = false;
  bool changed_ = false;
  // The worker's own.
  std::unique_ptr<SsipConnection> connection_;
  std::map<std::string, int32_t> spoken_;  // the server's message ids: our streams
  uint64_t lastId_ = 0;                    // the highest message id a reply gave
  std::vector<std::string> earlyEnds_;     // end notices whose reply is still to come
  std::thread worker_;
};

}  // namespace

std::shared_ptr<SpeechVoice> SpeechdVoiceCreate(SpeechEventHandler events) {
  return std::make_shared<SpeechdVoice>(std::move(events));
}
