// File watching through QFileSystemWatcher (inotify on Linux).
#include <QFileInfo>
#include <QFileSystemWatcher>

#include "ui/qt/node_qt.h"

namespace ui {

struct FileWatcher::Impl {
  QFileSystemWatcher watcher;
  Handler handler;
};

FileWatcher::FileWatcher(Form&) : impl_(std::make_unique<Impl>()) {
  auto tell = [impl = impl_.get()](const QString&) { Application::Dispatch(impl->handler); };
  QObject::connect(&impl_->watcher, &QFileSystemWatcher::fileChanged, &impl_->watcher, tell);
  QObject::connect(&impl_->watcher, &QFileSystemWatcher::directoryChanged, &impl_->watcher, tell);
}
FileWatcher::~FileWatcher() = default;

void FileWatcher::Watch(const std::vector<Text>& paths) {
  QStringList wanted;
  for (const Text& path : paths) wanted << Q(path);
  QFileSystemWatcher& watcher = impl_->watcher;
  QStringList dropped;
  for (const QString& path : watcher.files() + watcher.directories()) {
    if (!wanted.contains(path)) dropped << path;
  }
  if (!dropped.isEmpty()) watcher.removePaths(dropped);
  QStringList added;
  for (const QString& path : wanted) {
    // A path not there (yet) cannot be watched; its folder's watch sees it come.
    bool watching = watcher.files().contains(path) || watcher.directories().contains(path);
    if (!watching && QFileInfo::exists(path)) added << path;
  }
  // Paths the system refuses (no watches left) stay unwatched: the timer reads them.
  if (!added.isEmpty()) watcher.addPaths(added);
}

void FileWatcher::OnChange(Handler handler) { impl_->handler = std::move(handler); }

}  // namespace ui
