#include "ui/headless/file_watcher_headless.h"

#include <algorithm>

#include "platform/platform.h"
#include "ui/headless/node_headless.h"

namespace ui {

struct FileWatcher::Impl {
  FileWatcherState state;
};

FileWatcher::FileWatcher(Form&) : impl_(std::make_unique<Impl>()) {
  Global().watchers.push_back(&impl_->state);
}
FileWatcher::~FileWatcher() { std::erase(Global().watchers, &impl_->state); }
void FileWatcher::Watch(const std::vector<Text>& paths) { impl_->state.paths = paths; }
void FileWatcher::OnChange(ChangeHandler handler) { impl_->state.handler = std::move(handler); }

void FileChangeNotify(TextView path) {
  Text folder = PathFolderOf(path);
  // A handler may change what is watched: the watchers are looked at as they are now.
  std::vector<FileWatcherState*> told;
  for (FileWatcherState* watcher : Global().watchers) {
    const std::vector<Text>& paths = watcher->paths;
    bool watched = std::find(paths.begin(), paths.end(), path) != paths.end() ||
                   std::find(paths.begin(), paths.end(), folder) != paths.end();
    if (watched) told.push_back(watcher);
  }
  for (FileWatcherState* watcher : told) {
    if (watcher->handler) {
      Application::Dispatch([watcher, changed = Text(path)] { watcher->handler(changed); });
    }
  }
}

std::vector<Text> WatchedPathsGet() {
  std::vector<Text> all;
  for (const FileWatcherState* watcher : Global().watchers) {
    all.insert(all.end(), watcher->paths.begin(), watcher->paths.end());
  }
  return all;
}

}  // namespace ui
