#include "speech/testing/fake_ssip_server_posix.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

sockaddr_un AddressOf(const Text& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::string p = TextToUtf8(path);
  if (p.size() >= sizeof address.sun_path) throw std::runtime_error("socket path too long: " + p);
  std::memcpy(address.sun_path, p.c_str(), p.size() + 1);
  return address;
}

int Listen(const Text& path, int backlog) {
  sockaddr_un address = AddressOf(path);
  int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ::unlink(address.sun_path);
  if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(fd, backlog) != 0) {
    throw std::runtime_error(std::string("fake server: ") + std::strerror(errno));
  }
  return fd;
}

std::string Notice(int code, int message, const char* word) {
  std::string c = std::to_string(code);
  return c + "-" + std::to_string(message) + "\r\n" + c + "-1\r\n" + c + " " + word + "\r\n";
}

}  // namespace

FakeSsipServer::FakeSsipServer(const Text& socketPath, FakeSsipScript script)
    : script_(script), listener_(Listen(socketPath, 16)) {
  stop_ = ::eventfd(0, EFD_CLOEXEC);
  thread_ = std::thread([this] { Serve(); });
}

FakeSsipServer::~FakeSsipServer() {
  uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(stop_, &one, sizeof one);
  thread_.join();
  for (const auto& [fd, client] : clients_) ::close(fd);
  ::close(listener_);
  ::close(stop_);
}

std::vector<std::string> FakeSsipServer::Received() {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

int FakeSsipServer::Connections() {
  std::lock_guard<std::mutex> lock(mutex_);
  return connections_;
}

void FakeSsipServer::Serve() {
  for (;;) {
    std::vector<pollfd> fds = {{stop_, POLLIN, 0}, {listener_, POLLIN, 0}};
    for (const auto& [fd, client] : clients_) fds.push_back({fd, POLLIN, 0});
    int timeout = -1;
    if (!later_.empty()) {
      auto first = std::min_element(later_.begin(), later_.end(),
                                    [](const Later& a, const Later& b) { return a.at < b.at; });
      auto left = std::chrono::ceil<std::chrono::milliseconds>(first->at - Clock::now());
      timeout = static_cast<int>(std::max<int64_t>(left.count(), 0));
    }
    ::poll(fds.data(), fds.size(), timeout);
    if (fds[0].revents) return;
    if (fds[1].revents) Accept();
    for (size_t i = 2; i < fds.size(); ++i) {
      if (!fds[i].revents) continue;
      if (!Read(fds[i].fd, clients_[fds[i].fd])) {
        ::close(fds[i].fd);
        clients_.erase(fds[i].fd);
      }
    }
    auto now = Clock::now();
    std::vector<Later> due;
    std::erase_if(later_, [&](Later& l) {
      if (l.at > now) return false;
      due.push_back(std::move(l));
      return true;
    });
    std::stable_sort(due.begin(), due.end(),
                     [](const Later& a, const Later& b) { return a.at < b.at; });
    for (const Later& l : due) {
      if (clients_.contains(l.fd)) Write(l.fd, l.bytes);
    }
  }
}

void FakeSsipServer::Accept() {
  int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return;
  clients_[fd] = {};
  std::lock_guard<std::mutex> lock(mutex_);
  ++connections_;
}

bool FakeSsipServer::Read(int fd, Client& client) {
  char buffer[4096];
  ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
  if (n <= 0) return false;
  client.input.append(buffer, static_cast<size_t>(n));
  for (size_t end; (end = client.input.find("\r\n")) != std::string::npos;) {
    std::string line = client.input.substr(0, end);
    client.input.erase(0, end + 2);
    LineTake(fd, client, line);
    if (!clients_.contains(fd)) return true;
  }
  return true;
}

void FakeSsipServer::LineTake(int fd, Client& client, const std::string& line) {
  if (client.inData) {
    if (line != ".") {
      client.data += (client.data.empty() ? "" : "\n") + line;
      return;
    }
    client.inData = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      received_.push_back("DATA " + client.data);
    }
    client.data.clear();
    Speak(fd, client);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.push_back(line);
  }
  if (client.stalled) return;
  if (line.rfind("SET", 0) == 0) {
    if (script_.stallAfterFirstSet && client.answeredSet) {
      client.stalled = true;
      return;
    }
    client.answeredSet = true;
    Write(fd, "203 OK SET\r\n");
  } else if (line == "LIST OUTPUT_MODULES") {
    Write(fd, "250-fake\r\n250 OK MODULE LIST SENT\r\n");
  } else if (line == "LIST SYNTHESIS_VOICES") {
    Write(fd, "249-English\ten\tnone\r\n249 OK VOICE LIST SENT\r\n");
  } else if (line == "SPEAK") {
    client.inData = true;
    Write(fd, "230 OK RECEIVING DATA\r\n");
  } else if (line == "CANCEL SELF") {
    // Every message still held ends cancelled, in the same write as the reply.
    std::string bytes = "210 OK CANCELED\r\n";
    std::vector<int> held;
    std::erase_if(later_, [&](const Later& l) {
      if (l.fd != fd) return false;
      if (std::find(held.begin(), held.end(), l.message) == held.end()) held.push_back(l.message);
      return true;
    });
    for (int message : held) bytes += Notice(703, message, "CANCELED");
    Write(fd, bytes);
  } else {
    Write(fd, "300 ERR UNKNOWN\r\n");
  }
}

void FakeSsipServer::Speak(int fd, Client& client) {
  if (!script_.answerSpeak) {
    client.stalled = true;
    return;
  }
  int message = nextMessage_++;
  std::string reply = "225-" + std::to_string(message) + "\r\n225 OK MESSAGE QUEUED\r\n";
  if (script_.closeMidReply) {
    Write(fd, reply.substr(0, 6));
    ::close(fd);
    clients_.erase(fd);
    return;
  }
  std::string end = Notice(702, message, "END");
  auto at = Clock::now() + script_.speakTime;
  switch (script_.end) {
    case FakeSsipScript::End::kAfter:
      Write(fd, reply + Notice(701, message, "BEGIN"));
      later_.push_back({at, fd, message, end});
      break;
    case FakeSsipScript::End::kWithReply:
      Write(fd, reply + Notice(701, message, "BEGIN") + end);
      break;
    case FakeSsipScript::End::kBeforeReply:
      Write(fd, end + reply);
      break;
    case FakeSsipScript::End::kSplit:
      Write(fd, reply);
      for (size_t i = 0; i < end.size(); i += 4) {
        later_.push_back({at + std::chrono::milliseconds(10 * i), fd, message, end.substr(i, 4)});
      }
      break;
    case FakeSsipScript::End::kNever:
      Write(fd, reply + Notice(701, message, "BEGIN"));
      break;
  }
}

void FakeSsipServer::Write(int fd, const std::string& bytes) {
  [[maybe_unused]] ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
}

FullBacklogSocket::FullBacklogSocket(const Text& socketPath) : listener_(Listen(socketPath, 0)) {
  sockaddr_un address = AddressOf(socketPath);
  for (;;) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(fd);
      break;
    }
    waiting_.push_back(fd);
  }
}

FullBacklogSocket::~FullBacklogSocket() {
  for (int fd : waiting_) ::close(fd);
  ::close(listener_);
}
