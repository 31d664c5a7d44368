// A connection to speech-dispatcher in its own line protocol (SSIP), for one worker thread: every
// wait (connecting, sending, a reply, a server starting) is bounded, and ends at once when the
// worker is told to stop.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unicode.h"
#include "speech/runtime/runtime.h"

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

// The text as SSML for SPEAK, with an index mark at the start of each line named by the line's
// UTF-16 offset in text, so that the server tells which line it has got to.
std::string SsmlWithLineMarks(TextView text);

// What ends a worker's waits early: a descriptor that becomes readable when its owner wants its
// attention (a stop, or new work), and whether that was a stop. A wait drains the descriptor, so
// the worker looks for new work after every wait.
struct SsipWake {
  int descriptor = -1;
  std::function<bool()> stopping;
};

// How a wait ended.
enum class SsipWaited { kReady, kTimedOut, kStopped };
// Waits until fd has one of events (fd -1: only the time), the deadline passes, or a stop.
SsipWaited SsipWait(int fd, short events, std::chrono::steady_clock::time_point deadline,
                    const SsipWake& wake);

// Nothing listens at the socket (no file there, or connection refused): a server may be started.
class SsipAbsent : public SpeechError {
 public:
  using SpeechError::SpeechError;
};

class SsipConnection;

// Starts the server as its clients do, where it is started on demand (its configuration may
// refuse it); true when the starter said it started. Gives up after a few seconds, or at a stop.
bool SsipServerStart(const std::string& socketPath, const SsipWake& wake);
// Connects, trying again for a few seconds while a server just started comes up.
std::unique_ptr<SsipConnection> SsipConnectRetry(const std::string& socketPath,
                                                 std::chrono::milliseconds timeout,
                                                 const SsipWake& wake);

class SsipConnection {
 public:
  // Connects within timeout (which also bounds every request); throws SsipAbsent when nothing
  // listens there, SpeechError when the server takes no connection in time or at a stop.
  SsipConnection(const std::string& socketPath, std::chrono::milliseconds timeout, SsipWake wake);
  ~SsipConnection();
  SsipConnection(const SsipConnection&) = delete;
  SsipConnection& operator=(const SsipConnection&) = delete;

  // Sends the bytes and reads the reply, keeping the notices that come meanwhile; throws
  // SpeechError when the reply does not come in time, the connection ends, or at a stop.
  SsipBlock Request(const std::string& bytes);
  // A command line (CR LF added) and its reply; throws also for a reply that is not 2xx.
  SsipBlock Command(const std::string& line);
  // Reads what has come (the socket was readable); false when the connection has ended.
  bool Receive();
  // The notices (7xx) received so far, whichever read brought them, taken.
  std::vector<SsipBlock> NoticesTake();
  int Descriptor() const { return fd_; }

 private:
  // Waits for the socket; throws SpeechError (saying what) when it is not ready by the deadline.
  void Await(short events, std::chrono::steady_clock::time_point deadline, const char* what);
  void Send(const std::string& bytes, std::chrono::steady_clock::time_point deadline);

  int fd_ = -1;
  std::chrono::milliseconds timeout_;
  SsipWake wake_;
  SsipReader reader_;
};
