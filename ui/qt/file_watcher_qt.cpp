// File watching through inotify, read on the window thread when its descriptor is readable: each
// event names the file that changed, so a folder of thousands of files costs nothing while they
// are quiet.
#include <sys/inotify.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>

#include "platform/platform.h"
#include "ui/qt/node_qt.h"

namespace ui {

namespace {

constexpr uint32_t kEvents = IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                             IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

}  // namespace

struct FileWatcher::Impl {
  int fd = -1;
  std::unique_ptr<QSocketNotifier> notifier;
  std::map<Text, WatchedFolder> folders;
  std::map<int, Text> folderOfWatch;
  ChangeHandler handler;

  ~Impl() {
    notifier.reset();
    if (fd >= 0) close(fd);
  }

  void Unwatch(int watch) {
    inotify_rm_watch(fd, watch);
    folderOfWatch.erase(watch);
  }

  // The events waiting, each changed path once, in the order they came.
  std::vector<Text> Read() {
    std::vector<Text> changed;
    alignas(inotify_event) std::array<char, size_t{64} * 1024> buffer;
    for (;;) {
      ssize_t length = read(fd, buffer.data(), buffer.size());
      if (length <= 0) break;  // EAGAIN: all read
      for (ssize_t at = 0; at < length;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer.data() + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        if (event->mask & IN_Q_OVERFLOW) {
          for (const auto& [folder, watched] : folders) changed.push_back(folder);
          continue;
        }
        auto found = folderOfWatch.find(event->wd);
        if (found == folderOfWatch.end()) continue;
        const Text& folder = found->second;
        if (event->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED)) {
          // The folder went: its watch is gone; Watch watches it again when it is back.
          changed.push_back(folder);
          folderOfWatch.erase(found);
          continue;
        }
        if (event->len == 0) continue;
        Text name = Utf8ToText(event->name);
        if (folders[folder].Concerns(name)) changed.push_back(PathJoin(folder, name));
      }
    }
    RepeatsRemoved(changed);
    return changed;
  }
};

FileWatcher::FileWatcher(Form&) : impl_(std::make_unique<Impl>()) {
  impl_->fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (impl_->fd < 0) return;  // no instances left: the timer alone
  impl_->notifier = std::make_unique<QSocketNotifier>(impl_->fd, QSocketNotifier::Read);
  QObject::connect(impl_->notifier.get(), &QSocketNotifier::activated, impl_->notifier.get(),
                   [impl = impl_.get()] {
                     for (const Text& path : impl->Read()) {
                       if (!impl->handler) continue;
                       Application::Dispatch([impl, path] { impl->handler(path); });
                     }
                   });
}
FileWatcher::~FileWatcher() = default;

void FileWatcher::Watch(const std::vector<Text>& paths) {
  Impl& impl = *impl_;
  impl.folders = WatchedFoldersOf(paths);
  if (impl.fd < 0) return;
  for (auto it = impl.folderOfWatch.begin(); it != impl.folderOfWatch.end();) {
    int watch = it->first;
    ++it;
    if (!impl.folders.contains(impl.folderOfWatch[watch])) impl.Unwatch(watch);
  }
  for (const auto& [folder, watched] : impl.folders) {
    // Adding a watch for a folder watched already gives its watch again.
    int watch = inotify_add_watch(impl.fd, TextToUtf8(folder).c_str(), kEvents);
    if (watch >= 0) impl.folderOfWatch[watch] = folder;
  }
}

void FileWatcher::OnChange(ChangeHandler handler) { impl_->handler = std::move(handler); }

}  // namespace ui
