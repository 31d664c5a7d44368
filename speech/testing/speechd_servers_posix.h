// For tests against speech-dispatcher: private servers of the test's own, and a socket that
// never answers.
#pragma once

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "platform/platform.h"
#include "platform/testing/testing.h"

inline bool ServerInstalled() {
  return std::system("command -v speech-dispatcher >/dev/null") == 0;
}

inline std::string ShellQuoted(const Text& text) { return "'" + TextToUtf8(text) + "'"; }

// A private server for one test: started by the script, stopped at the end.
class PrivateServer {
 public:
  explicit PrivateServer(const TempFolder& folder, const std::string& output = "libao")
      : folder_(folder) {
    Start(output);
  }
  ~PrivateServer() { Stop(); }
  PrivateServer(const PrivateServer&) = delete;
  PrivateServer& operator=(const PrivateServer&) = delete;

  void Start(const std::string& output = "libao") {
    std::string command = ShellQuoted(SourcePath(u"speech/runtime/testdata/speechd-private")) +
                          " " + ShellQuoted(folder_.Path()) + " " + output;
    FILE* out = ::popen(command.c_str(), "r");
    char line[32] = {};
    if (out && std::fgets(line, sizeof line, out)) pid_ = std::atoi(line);
    if (out) ::pclose(out);
  }
  bool Running() const { return pid_ > 0; }
  Text Address() const { return u"unix_socket:" + folder_.Join(u"run/speechd.sock"); }
  // Its synthesis module's process (0 when it has none yet).
  pid_t Module() const {
    std::string command = "pgrep -P " + std::to_string(pid_) + " sd_espeak-ng";
    FILE* out = ::popen(command.c_str(), "r");
    char line[32] = {};
    pid_t module = out && std::fgets(line, sizeof line, out) ? std::atoi(line) : 0;
    if (out) ::pclose(out);
    return module;
  }
  void Stop() {
    if (pid_ <= 0) return;
    pid_t module = Module();
    ::kill(pid_, SIGKILL);  // as a server that goes away
    if (module > 0) ::kill(module, SIGKILL);
    for (int i = 0; i < 100 && ::kill(pid_, 0) == 0; ++i) {
      ::waitpid(pid_, nullptr, WNOHANG);
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    pid_ = -1;
  }

 private:
  const TempFolder& folder_;
  pid_t pid_ = -1;
};

// A socket that takes connections and never answers: a server wedged for good.
class SilentSocket {
 public:
  explicit SilentSocket(const Text& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::string p = TextToUtf8(path);
    std::memcpy(address.sun_path, p.c_str(), p.size() + 1);
    fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(fd_, 16);
  }
  ~SilentSocket() { ::close(fd_); }
  SilentSocket(const SilentSocket&) = delete;
  SilentSocket& operator=(const SilentSocket&) = delete;

 private:
  int fd_ = -1;
};
