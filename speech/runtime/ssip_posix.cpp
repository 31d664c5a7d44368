#include "speech/runtime/ssip_posix.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include "platform/platform.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// How long a server started on demand may take to listen.
constexpr std::chrono::milliseconds kStartWait{3000};
// Between tries to connect while a server comes up, or while its listen backlog is full (a Unix
// socket tells no readiness for that).
constexpr std::chrono::milliseconds kRetryPause{50};

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

void WakeDrain(int descriptor) {
  uint64_t count = 0;
  [[maybe_unused]] ssize_t n = ::read(descriptor, &count, sizeof count);
}

SpeechError Stopping() { return SpeechError("speech-dispatcher: stopping"); }

// Waits for the starter's end (killed when it does not end in time, or at a stop); its exit
// status, -1 when it was killed.
int StarterAwait(pid_t pid, const SsipWake& wake) {
  auto deadline = Clock::now() + kStartWait;
  SsipWaited waited = SsipWaited::kTimedOut;
  int status = 0;
  // Through syscall: glibc 2.36 declares pidfd_open without C linkage.
  if (int ended = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)); ended >= 0) {
    waited = SsipWait(ended, POLLIN, deadline, wake);
    ::close(ended);
  } else {
    // A kernel without pidfd (before 5.3): looked at between short waits that a stop ends.
    while (Clock::now() < deadline) {
      if (::waitpid(pid, &status, WNOHANG) != 0)
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      waited = SsipWait(-1, 0, std::min(deadline, Clock::now() + kRetryPause), wake);
      if (waited == SsipWaited::kStopped) break;
    }
  }
  if (waited != SsipWaited::kReady) ::kill(pid, SIGKILL);
  ::waitpid(pid, &status, 0);
  return waited == SsipWaited::kReady && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

SsipWaited SsipWait(int fd, short events, Clock::time_point deadline, const SsipWake& wake) {
  for (;;) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return SsipWaited::kTimedOut;
    pollfd fds[2] = {{wake.descriptor, POLLIN, 0}, {fd, events, 0}};
    int ready = ::poll(fds, fd < 0 ? 1 : 2, static_cast<int>(left.count()));
    if (ready < 0 && errno != EINTR) return SsipWaited::kTimedOut;
    if (ready <= 0) continue;
    if (fds[0].revents) {
      WakeDrain(wake.descriptor);
      if (wake.stopping()) return SsipWaited::kStopped;
    }
    if (fd >= 0 && fds[1].revents) return SsipWaited::kReady;
  }
}

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

bool SsipServerStart(const std::string& socketPath, const SsipWake& wake) {
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
  return !failed && StarterAwait(pid, wake) == 0;
}

std::unique_ptr<SsipConnection> SsipConnectRetry(const std::string& socketPath,
                                                 std::chrono::milliseconds timeout,
                                                 const SsipWake& wake) {
  auto deadline = Clock::now() + kStartWait;
  for (;;) {
    try {
      return std::make_unique<SsipConnection>(socketPath, timeout, wake);
    } catch (const SsipAbsent&) {
      if (Clock::now() > deadline) throw;
    }
    auto pause = std::min(deadline, Clock::now() + kRetryPause);
    if (SsipWait(-1, 0, pause, wake) == SsipWaited::kStopped) throw Stopping();
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

std::string SsmlWithLineMarks(TextView text) {
  std::string ssml = "<speak>";
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    TextView line = text.substr(start, end == TextView::npos ? TextView::npos : end - start);
    ssml += "<mark name=\"" + std::to_string(start) + "\"/>";
    for (char c : TextToUtf8(line)) {
      switch (c) {
        case '&':
          ssml += "&amp;";
          break;
        case '<':
          ssml += "&lt;";
          break;
        case '>':
          ssml += "&gt;";
          break;
        case '"':
          ssml += "&quot;";
          break;
        case '\'':
          ssml += "&apos;";
          break;
        default:
          ssml += c;
      }
    }
    ssml += '\n';
    if (end == TextView::npos) break;
    start = end + (text.compare(end, 2, u"\r\n") == 0 ? 2 : 1);
  }
  return ssml + "</speak>";
}

SsipConnection::SsipConnection(const std::string& socketPath, std::chrono::milliseconds timeout,
                               SsipWake wake)
    : timeout_(timeout), wake_(std::move(wake)) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socketPath.size() >= sizeof address.sun_path) {
    throw SpeechError("speech-dispatcher: socket path too long: " + socketPath);
  }
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd_ < 0) throw SpeechError(Errno("socket"));
  auto deadline = Clock::now() + timeout_;
  try {
    for (;;) {
      if (::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) break;
      if (errno == EINTR) continue;
      if (errno == EINPROGRESS) {
        Await(POLLOUT, deadline, "the server takes no connection");
        int error = 0;
        socklen_t size = sizeof error;
        ::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size);
        if (error == 0) break;
        errno = error;
      }
      if (errno == ENOENT || errno == ECONNREFUSED) throw SsipAbsent(Errno(socketPath));
      if (errno != EAGAIN) throw SpeechError(Errno(socketPath));
      // Its listen backlog is full: a server that takes no connections now, maybe later.
      auto pause = std::min(deadline, Clock::now() + kRetryPause);
      if (SsipWait(-1, 0, pause, wake_) == SsipWaited::kStopped) throw Stopping();
      if (Clock::now() >= deadline) {
        throw SpeechError("speech-dispatcher: the server takes no connection");
      }
    }
  } catch (...) {
    ::close(fd_);
    throw;
  }
}

SsipConnection::~SsipConnection() { ::close(fd_); }

void SsipConnection::Await(short events, Clock::time_point deadline, const char* what) {
  switch (SsipWait(fd_, events, deadline, wake_)) {
    case SsipWaited::kReady:
      return;
    case SsipWaited::kStopped:
      throw Stopping();
    case SsipWaited::kTimedOut:
      throw SpeechError(std::string("speech-dispatcher: ") + what);
  }
}

void SsipConnection::Send(const std::string& bytes, Clock::time_point deadline) {
  for (size_t sent = 0; sent < bytes.size();) {
    ssize_t n = ::send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      Await(POLLOUT, deadline, "the server does not answer");
      continue;
    }
    if (n <= 0) throw SpeechError(Errno("send"));
    sent += static_cast<size_t>(n);
  }
}

SsipBlock SsipConnection::Request(const std::string& bytes) {
  auto deadline = Clock::now() + timeout_;
  Send(bytes, deadline);
  while (reader_.replies.empty()) {
    Await(POLLIN, deadline, "the server does not answer");
    if (!Receive()) throw SpeechError("speech-dispatcher: the server went away");
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
