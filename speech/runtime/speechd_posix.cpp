// The speech-dispatcher runtime: the desktop's speech server, with the voices of whatever
// synthesisers it runs. Markup is not offered to it (callers fall back to plain text).
#include <libspeechd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <thread>

#include "platform/platform.h"
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

// One voice of the server: its module, its name and language, as the server lists them.
struct ServerVoice {
  std::string module, name, language;
  bool operator==(const ServerVoice&) const = default;
};

// The voices a person would choose: every language once (espeak-ng's module offers each in a
// hundred variants), the user's own language first; the variants of exactly that language after
// all the others, where they are at hand without burying the list.
std::vector<ServerVoice> VoicesChosen(std::vector<std::pair<ServerVoice, std::string>> listed) {
  auto plain = [](const std::string& variant) { return variant.empty() || variant == "none"; };
  // The user's own language: the plain voice nearest to it.
  std::string own;
  int best = 3;
  for (const auto& [voice, variant] : listed) {
    int rank = LanguageRank(voice.language);
    if (plain(variant) && rank < best) best = rank, own = voice.language;
  }
  std::vector<std::pair<int, ServerVoice>> ranked;
  for (auto& [voice, variant] : listed) {
    if (plain(variant)) {
      ranked.push_back({LanguageRank(voice.language), std::move(voice)});
    } else if (best < 2 && voice.language == own) {
      ranked.push_back({3, std::move(voice)});
    }
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<ServerVoice> voices;
  for (auto& [rank, voice] : ranked) voices.push_back(std::move(voice));
  return voices;
}

// The three tab-separated fields of a line, as the server lists a voice ("name, language,
// variant") and the cache keeps one ("module, name, language"); false for another line.
bool FieldsRead(std::string_view line, std::string (&fields)[3]) {
  size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
  if (tab1 == std::string_view::npos || tab2 == std::string_view::npos) return false;
  fields[0] = line.substr(0, tab1);
  fields[1] = line.substr(tab1 + 1, tab2 - tab1 - 1);
  fields[2] = line.substr(tab2 + 1);
  return true;
}

SPDConnection* Connect(const char* connectionName) {
  char* error = nullptr;
  SPDConnection* connection =
      spd_open2("kelvora", connectionName, nullptr, SPD_MODE_THREADED, nullptr, 1, &error);
  if (!connection) {
    std::string reason = error ? error : "no server";
    std::free(error);
    throw SpeechError("speech-dispatcher: " + reason);
  }
  return connection;
}

// The server's voices, module by module, through the protocol's own listing (libspeechd's
// takes seconds for the thousands of voices espeak-ng's module offers).
std::vector<ServerVoice> ServerVoicesList(SPDConnection* connection) {
  std::vector<std::pair<ServerVoice, std::string>> listed;
  char** modules = spd_list_modules(connection);
  for (char** module = modules; module && *module; ++module) {
    if (spd_set_output_module(connection, *module) != 0) continue;
    char* reply = nullptr;
    if (spd_execute_command_with_reply(connection, "LIST SYNTHESIS_VOICES", &reply) == 0 && reply) {
      // "249-name<TAB>language<TAB>variant" lines, then "249 OK".
      std::string_view rest(reply);
      while (!rest.empty()) {
        std::string_view line = rest.substr(0, rest.find('\n'));
        rest.remove_prefix(std::min(rest.size(), line.size() + 1));
        if (line.rfind("249-", 0) != 0) continue;
        line.remove_prefix(4);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        std::string fields[3];
        if (FieldsRead(line, fields))
          listed.push_back({{*module, fields[0], fields[1]}, fields[2]});
      }
    }
    std::free(reply);
  }
  if (modules) {
    for (char** module = modules; *module; ++module) std::free(*module);
    std::free(modules);
  }
  return VoicesChosen(std::move(listed));
}

// The voices listed at the last run in this language, so that a start need not wait for the
// server's listing.
Text VoiceCachePath() {
  Text cache = EnvironmentGet("XDG_CACHE_HOME");
  if (cache.empty()) {
    Text home = EnvironmentGet("HOME");
    if (home.empty()) return Text();
    cache = PathJoin(home, u".cache");
  }
  std::string name = "speech-dispatcher-voices-" + LanguagePreferred() + ".txt";
  return PathJoin(PathJoin(cache, u"kelvora"), Utf8ToText(name));
}

std::vector<ServerVoice> VoiceCacheRead() {
  std::vector<ServerVoice> voices;
  try {
    Text path = VoiceCachePath();
    if (!FileExists(path)) return voices;
    for (const Text& line : LinesSplit(Utf8ToText(FileContentsRead(path)))) {
      std::string fields[3];
      if (FieldsRead(TextToUtf8(line), fields)) voices.push_back({fields[0], fields[1], fields[2]});
    }
  } catch (const PlatformError&) {
  }
  return voices;
}

void VoiceCacheWrite(const std::vector<ServerVoice>& voices) {
  Text path = VoiceCachePath();
  if (path.empty()) return;
  std::string contents;
  for (const ServerVoice& v : voices)
    contents += v.module + '\t' + v.name + '\t' + v.language + '\n';
  try {
    FolderCreate(PathFolderPart(path));
    FileReplace(path, contents);
  } catch (const PlatformError&) {
    // no cache: the next start lists the voices again
  }
}

class SpeechdVoice : public NamedVoice {
 public:
  SpeechdVoice() : NamedVoice(kEngine, "") {
    voices_ = VoiceCacheRead();
    // Reaching the server (starting it, where it is started on demand) and its listing take a
    // while: they go on beside the window, and what the listing finds replaces the voices of the
    // last run.
    lister_ = std::thread([this] { ServerReach(); });
  }
  ~SpeechdVoice() override {
    lister_.join();
    if (connection_) spd_close(connection_);
  }
  SpeechdVoice(const SpeechdVoice&) = delete;
  SpeechdVoice& operator=(const SpeechdVoice&) = delete;

  std::shared_ptr<SpeechObjectTokens> GetVoices(TextView, TextView) override {
    // The voices of the last run, or none yet: the listing tells when it has found others.
    std::lock_guard<std::mutex> lock(mutex_);
    changed_ = false;
    std::vector<std::shared_ptr<NamedToken>> tokens;
    for (const ServerVoice& v : voices_) {
      tokens.push_back(std::make_shared<NamedToken>(
          kEngine, v.name + " (speech-dispatcher, " + v.module + ")", v.module + '\t' + v.name));
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
    SPDConnection* connection = ConnectionGet();
    if (flags & kFlagPurgeBeforeSpeak) {
      spd_cancel(connection);
      if (text == u".") return 0;
    }
    if (flags & kFlagIsXml) throw SpeechError("speech-dispatcher: SAPI XML is not supported");
    size_t tab = Voice().find('\t');
    if (tab != std::string::npos) {
      spd_set_output_module(connection, Voice().substr(0, tab).c_str());
      spd_set_synthesis_voice(connection, Voice().substr(tab + 1).c_str());
    }
    spd_set_volume(connection, SpeechdVolume(Volume()));
    spd_set_voice_rate(connection, SpeechdRate(Rate()));
    PendingMessages& pending = PendingGet();
    {
      std::lock_guard<std::mutex> lock(pending.mutex);
      ++pending.count;
    }
    int id = spd_say(connection, SPD_TEXT, TextToUtf8(text).c_str());
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
  // The connection speech goes through; throws when the server cannot be reached.
  SPDConnection* ConnectionGet() {
    std::unique_lock<std::mutex> lock(mutex_);
    listed_.wait_for(lock, kServerWait, [this] { return reached_; });
    if (!connection_) throw SpeechError("speech-dispatcher: " + reason_);
    return connection_;
  }

  void ServerReach() {
    SPDConnection* connection = nullptr;
    std::string reason = "no server";
    try {
      connection = Connect("main");
      connection->callback_end = MessageEnded;
      connection->callback_cancel = MessageEnded;
      spd_set_notification_on(connection, SPD_END);
      spd_set_notification_on(connection, SPD_CANCEL);
    } catch (const SpeechError& e) {
      reason = e.what();
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      connection_ = connection;
      reason_ = reason;
      reached_ = true;
      listed_.notify_all();
    }
    std::vector<ServerVoice> fetched;
    if (connection) {
      try {
        SPDConnection* lister = Connect("voices");
        fetched = ServerVoicesList(lister);
        spd_close(lister);
      } catch (const SpeechError&) {
      }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    // No server, or one with other voices than last time: the list follows it.
    if (fetched != voices_ && (!fetched.empty() || !connection)) {
      if (!fetched.empty()) VoiceCacheWrite(fetched);
      changed_ = true;
      voices_ = std::move(fetched);
    }
    fetched_ = true;
    listed_.notify_all();
  }

  static constexpr std::chrono::seconds kServerWait{10};
  SPDConnection* connection_ = nullptr;
  std::string reason_;
  bool reached_ = false;
  std::mutex mutex_;
  std::condition_variable listed_;
  std::vector<ServerVoice> voices_;
  bool fetched_ = false;
  bool changed_ = false;
  std::thread lister_;
};

}  // namespace

std::shared_ptr<SpeechVoice> SpeechdVoiceCreate() { return std::make_shared<SpeechdVoice>(); }
