// File watching: a change notification on each watched folder, waited on by a thread of the
// watcher's own that posts kFileChangedMessage to the form; the form's procedure hands it to
// FileWatcherFire on the window thread.
#include <algorithm>
#include <atomic>
#include <thread>

#include "ui/win32/node_win32.h"

namespace ui {

struct FileWatcherState {
  HWND window = nullptr;
  UINT_PTR id = 0;
  Handler handler;
  std::vector<Text> folders;
  std::vector<HANDLE> changes;
  HANDLE stop = nullptr;
  std::thread waiter;

  // Stops the thread (it wakes at the stop event, or within a second at most) and closes the
  // notifications.
  void Close() {
    if (waiter.joinable()) {
      SetEvent(stop);
      waiter.join();
    }
    for (HANDLE change : changes) FindCloseChangeNotification(change);
    changes.clear();
    folders.clear();
  }

  void WaitLoop() {
    std::vector<HANDLE> handles = changes;
    handles.push_back(stop);
    for (;;) {
      DWORD woken =
          WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, 1000);
      if (woken == WAIT_TIMEOUT) continue;
      size_t index = woken - WAIT_OBJECT_0;
      if (index >= changes.size()) return;  // stop, or a failed wait
      PostMessageW(window, kFileChangedMessage, id, 0);
      if (!FindNextChangeNotification(changes[index])) return;
    }
  }
};

struct FileWatcher::Impl : FileWatcherState {};

namespace {

// The folders that hold the paths' changes: a folder itself, else the file's folder.
std::vector<Text> WatchedFolders(const std::vector<Text>& paths) {
  std::vector<Text> folders;
  for (const Text& path : paths) {
    Text folder = FolderExists(path) ? path : PathFolderOf(path);
    if (!folder.empty() && std::find(folders.begin(), folders.end(), folder) == folders.end()) {
      folders.push_back(folder);
    }
  }
  return folders;
}

}  // namespace

void FileWatcherFire(UINT_PTR id) {
  auto found = Global().watchers.find(id);
  if (found != Global().watchers.end()) Application::Dispatch(found->second->handler);
}

FileWatcher::FileWatcher(Form& form) : impl_(std::make_unique<Impl>()) {
  impl_->window = form.node()->hwnd;
  impl_->id = ++Global().lastWatcher;
  impl_->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  Global().watchers[impl_->id] = impl_.get();
}

FileWatcher::~FileWatcher() {
  impl_->Close();
  CloseHandle(impl_->stop);
  Global().watchers.erase(impl_->id);
}

void FileWatcher::Watch(const std::vector<Text>& paths) {
  std::vector<Text> folders = WatchedFolders(paths);
  if (folders == impl_->folders) return;
  impl_->Close();
  ResetEvent(impl_->stop);
  impl_->folders = folders;
  constexpr DWORD kWhat =
      FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
  for (const Text& folder : folders) {
    HANDLE change = FindFirstChangeNotificationW(W(folder).c_str(), FALSE, kWhat);
    // A folder that cannot be watched (not there, a network share that refuses) is left to the
    // timer.
    if (change != INVALID_HANDLE_VALUE) impl_->changes.push_back(change);
  }
  if (!impl_->changes.empty())
    impl_->waiter = std::thread([impl = impl_.get()] { impl->WaitLoop(); });
}

void FileWatcher::OnChange(Handler handler) { impl_->handler = std::move(handler); }

}  // namespace ui
