// A connection to speech-dispatcher in its own line protocol (SSIP), for one thread: every wait
// is bounded, and Cancel (from any thread) makes the wait under way return at once.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A reply or a notice: its code and its lines, without the "NNN-" / "NNN " in front.
struct SsipBlock {
  int code = 0;
  std::vector<std::string> lines;
};

// Splits what the server sends into replies and notices (7xx), block by block; lines that are
// not the protocol's are passed over.
class SsipReader {
 public:
  void Feed(std::string_view bytes);
  std::vector<SsipBlock> replies, notices;

 private:
  std::string received_;
  SsipBlock partial_;
};

// Where the server listens: the socket SPEECHD_ADDRESS names ("unix_socket:PATH"), else the
// user's runtime folder's; throws SpeechError for an address of another kind.
std::string SsipSocketPath();

// The text as SPEAK's data: lines ending in CR LF, a line beginning with "." doubled, and the
// lone "." that ends the data.
std::string SsipSpeakData(const std::string& utf8);

class SsipConnection;

// Starts the server as its clients do, where it is started on demand (its configuration may
// refuse it); true when the starter said it started. Gives up after a few seconds, or as soon as
// stopping says so.
bool SsipServerStart(const std::string& socketPath, const std::function<bool()>& stopping);
// Connects, trying again for a few seconds while a server just started comes up.
std::unique_ptr<SsipConnection> SsipConnectRetry(const std::string& socketPath,
                                                 std::chrono::milliseconds replyTimeout,
                                                 const std::function<bool()>& stopping);

class SsipConnection {
 public:
  // Connects; throws SpeechError when nothing listens there.
  SsipConnection(const std::string& socketPath, std::chrono::milliseconds replyTimeout);
  ~SsipConnection();
  SsipConnection(const SsipConnection&) = delete;
  SsipConnection& operator=(const SsipConnection&) = delete;

  // Sends the bytes and reads the reply, keeping the notices that come meanwhile; throws
  // SpeechError when the reply does not come in time or the connection ends.
  SsipBlock Request(const std::string& bytes);
  // A command line (CR LF added) and its reply; throws also for a reply that is not 2xx.
  SsipBlock Command(const std::string& line);
  // Reads what has come (the socket was readable); false when the connection has ended.
  bool Receive();
  // The notices (7xx) received so far, taken.
  std::vector<SsipBlock> NoticesTake();
  int Descriptor() const { return fd_; }
  // Any thread: ends every wait on the connection now.
  void Cancel();

 private:
  // Reads until a reply is whole or the deadline passes.
  bool ReplyAwait(std::chrono::steady_clock::time_point deadline);

  int fd_ = -1;
  std::chrono::milliseconds replyTimeout_;
  SsipReader reader_;
  std::atomic<bool> cancelled_{false};
};
