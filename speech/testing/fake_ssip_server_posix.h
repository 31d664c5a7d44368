// A speech-dispatcher of the tests' own that speaks SSIP over a real Unix socket and misbehaves
// to order: ends told with the reply or before it, notices split over several writes, replies
// that never come, a connection closed in the middle of a reply, a server that stalls.
#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/unicode.h"

struct FakeSsipScript {
  // How a text's END notice is sent.
  enum class End {
    kAfter,        // its own write, a while after the reply
    kWithReply,    // in the same write as SPEAK's reply
    kBeforeReply,  // written before the reply that names its message
    kSplit,        // after the reply, a few bytes per write
    kNever,        // a synthesiser that never ends
  };
  End end = End::kAfter;
  std::chrono::milliseconds speakTime{100};  // reply to END, for kAfter and kSplit
  bool answerSpeak = true;          // false: the data of SPEAK is taken, its reply never sent
  bool closeMidReply = false;       // SPEAK's reply cut off and the connection closed
  bool stallAfterFirstSet = false;  // after its first SET it answers nothing
};

class FakeSsipServer {
 public:
  FakeSsipServer(const Text& socketPath, FakeSsipScript script);
  ~FakeSsipServer();
  FakeSsipServer(const FakeSsipServer&) = delete;
  FakeSsipServer& operator=(const FakeSsipServer&) = delete;

  // The command lines received, in order (SPEAK's data as one "DATA <text>" line).
  std::vector<std::string> Received();
  int Connections();

 private:
  struct Client {
    std::string input;
    bool inData = false;
    std::string data;
    bool stalled = false;
    bool answeredSet = false;
  };
  struct Later {
    std::chrono::steady_clock::time_point at;
    int fd;
    int message;
    std::string bytes;
  };
  void Serve();
  void Accept();
  // Reads and answers what the client sent; false when it has gone.
  bool Read(int fd, Client& client);
  void LineTake(int fd, Client& client, const std::string& line);
  void Speak(int fd, Client& client);
  void Write(int fd, const std::string& bytes);

  FakeSsipScript script_;
  int listener_ = -1;
  int stop_ = -1;
  std::map<int, Client> clients_;
  std::vector<Later> later_;
  int nextMessage_ = 1;
  std::mutex mutex_;  // guards received_ and connections_
  std::vector<std::string> received_;
  int connections_ = 0;
  std::thread thread_;
};

// A socket whose listen backlog is full and that never accepts: connecting to it cannot succeed.
class FullBacklogSocket {
 public:
  explicit FullBacklogSocket(const Text& socketPath);
  ~FullBacklogSocket();
  FullBacklogSocket(const FullBacklogSocket&) = delete;
  FullBacklogSocket& operator=(const FullBacklogSocket&) = delete;

 private:
  int listener_ = -1;
  std::vector<int> waiting_;  // the connections that fill the backlog
};
