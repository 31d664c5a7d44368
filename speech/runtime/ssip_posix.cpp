#include "speech/runtime/ssip_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>

#include "platform/platform.h"
#include "speech/runtime/runtime.h"

extern char** environ;

namespace {

// How long a server started on demand may take to listen.
constexpr std::chrono::milliseconds kStartWait{3000};

std::string Errno(const std::string& what) {
  return "speech-dispatcher: " + what + ": " + std::strerror(errno);
}

int ReplyCode(const std::string& line) {
  if (line.size() < 4) return -1;
  int code = 0;
  for (int i = 0; i < 3; ++i) {
    if (line[i] < '0' || line[i] > '9') return -1;
    code = code * 10 + (line[i] - '0');
  }
  return code;
}

}  // namespace

std::string SsipSocketPath() {
  std::string address = TextToUtf8(EnvironmentGet("SPEECHD_ADDRESS"));
  const std::string unixMethod = "unix_socket";
  if (!address.empty() && address.rfind(unixMethod, 0) != 0) {
    throw SpeechError("speech-dispatcher: only unix_socket addresses are supported, not " +
                      address);
  }
  if (address.size() > unixMethod.size() + 1) return address.substr(unixMethod.size() + 1);
  std::string runtime = TextToUtf8(EnvironmentGet("XDG_RUNTIME_DIR"));
  if (runtime.empty()) runtime = TextToUtf8(EnvironmentGet("HOME")) + "/.cache";
  return runtime + "/speech-dispatcher/speechd.sock";
}

bool SsipServerStart(const std::string& socketPath, const std::function<bool()>& stopping) {
  const char* argv[] = {
      "speech-dispatcher", "--spawn", "--communication-method", "unix_socket", "--socket-path",
      socketPath.c_str(),  nullptr};
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int failed = ::posix_spawnp(&pid, argv[0], &quiet, nullptr, const_cast<char**>(argv), environ);
  posix_spawn_file_actions_destroy(&quiet);
  if (failed) return false;
  auto deadline = std::chrono::steady_clock::now() + kStartWait;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline || stopping()) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::unique_ptr<SsipConnection> SsipConnectRetry(const std::string& socketPath,
                                                 std::chrono::milliseconds replyTimeout,
                                                 const std::function<bool()>& stopping) {
  auto deadline = std::chrono::steady_clock::now() + kStartWait;
  for (;;) {
    try {
      return std::make_unique<SsipConnection>(socketPath, replyTimeout);
    } catch (const SpeechError&) {
      if (std::chrono::steady_clock::now() > deadline || stopping()) throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

std::string SsipSpeakData(const std::string& utf8) {
  std::string data;
  size_t start = 0;
  while (start <= utf8.size()) {
    size_t end = utf8.find('\n', start);
    std::string line = utf8.substr(start, end == std::string::npos ? end : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty() && line[0] == '.') line.insert(0, ".");
    data += line + "\r\n";
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return data + ".\r\n";
}

SsipConnection::SsipConnection(const std::string& socketPath,
                               std::chrono::milliseconds replyTimeout)
    : replyTimeout_(replyTimeout) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof address.sun_path) {
    throw SpeechError("speech-dispatcher: socket path too long: " + socketPath);
  }
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) throw SpeechError(Errno("socket"));
  if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    std::string reason = Errno(socketPath);
    ::close(fd_);
    throw SpeechError(reason);
  }
}

SsipConnection::~SsipConnection() { ::close(fd_); }

void SsipConnection::Cancel() {
  cancelled_ = true;
  ::shutdown(fd_, SHUT_RDWR);
}

SsipBlock SsipConnection::Request(const std::string& bytes) {
  for (size_t sent = 0; sent < bytes.size();) {
    ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw SpeechError(Errno("send"));
    sent += static_cast<size_t>(n);
  }
  if (!ReplyAwait(std::chrono::steady_clock::now() + replyTimeout_)) {
    throw SpeechError(cancelled_ ? "speech-dispatcher: connection closed"
                                 : "speech-dispatcher: the server does not answer");
  }
  SsipBlock reply = std::move(reader_.replies.front());
  reader_.replies.erase(reader_.replies.begin());
  return reply;
}

SsipBlock SsipConnection::Command(const std::string& line) {
  SsipBlock reply = Request(line + "\r\n");
  if (reply.code < 200 || reply.code >= 300) {
    std::string text = reply.lines.empty() ? std::string() : reply.lines.back();
    throw SpeechError("speech-dispatcher: " + line + ": " + std::to_string(reply.code) + " " +
                      text);
  }
  return reply;
}

bool SsipConnection::ReplyAwait(std::chrono::steady_clock::time_point deadline) {
  while (reader_.replies.empty()) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || cancelled_) return false;
    pollfd socket{fd_, POLLIN, 0};
    int ready = ::poll(&socket, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) return false;
    if (ready > 0 && !Receive()) return false;
  }
  return true;
}

bool SsipConnection::Receive() {
  char buffer[4096];
  ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
  if (n < 0) return errno == EAGAIN || errno == EINTR;
  if (n == 0) return false;
  reader_.Feed(std::string_view(buffer, static_cast<size_t>(n)));
  return true;
}

void SsipReader::Feed(std::string_view bytes) {
  received_.append(bytes);
  size_t start = 0;
  for (size_t end; (end = received_.find("\r\n", start)) != std::string::npos; start = end + 2) {
    std::string line = received_.substr(start, end - start);
    int code = ReplyCode(line);
    if (code < 0) continue;
    partial_.code = code;
    partial_.lines.push_back(line.substr(4));
    if (line[3] == '-') continue;
    (code >= 700 && code < 800 ? notices : replies).push_back(std::move(partial_));
    partial_ = {};
  }
  received_.erase(0, start);
}

std::vector<SsipBlock> SsipConnection::NoticesTake() {
  std::vector<SsipBlock> taken;
  taken.swap(reader_.notices);
  return taken;
}
