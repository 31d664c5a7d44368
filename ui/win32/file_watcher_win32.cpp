// File watching: ReadDirectoryChangesW on each watched folder, waited on by a thread of the
// watcher's own. The thread queues the changed paths and posts kFileChangedMessage to the form;
// the form's procedure hands them to FileWatcherFire on the window thread.
#include <algorithm>
#include <array>
#include <atomic>
#include <mutex>
#include <thread>

#include "ui/binding.h"
#include "ui/win32/node_win32.h"

namespace ui {

namespace {

constexpr DWORD kWhat =
    FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;

// One folder's pending ReadDirectoryChangesW.
struct FolderWatch {
  Text folder;
  WatchedFolder watched;
  HANDLE handle = INVALID_HANDLE_VALUE;
  OVERLAPPED overlapped{};
  alignas(DWORD) std::array<BYTE, 64 * 1024> buffer{};

  bool Issue() {
    return ReadDirectoryChangesW(handle, buffer.data(), static_cast<DWORD>(buffer.size()), FALSE,
                                 kWhat, nullptr, &overlapped, nullptr) != 0;
  }

  // The paths a completed read names; the folder itself when the system lost count.
  void Collect(DWORD length, std::vector<Text>& changed) const {
    if (length == 0) {
      changed.push_back(folder);
      return;
    }
    for (DWORD at = 0;;) {
      const auto* info = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(buffer.data() + at);
      Text name(reinterpret_cast<const char16_t*>(info->FileName),
                info->FileNameLength / sizeof(WCHAR));
      if (watched.Concerns(name)) changed.push_back(PathJoin(folder, name));
      if (info->NextEntryOffset == 0) return;
      at += info->NextEntryOffset;
    }
  }

  ~FolderWatch() {
    if (handle != INVALID_HANDLE_VALUE) {
      CancelIoEx(handle, &overlapped);
      DWORD ignored = 0;
      GetOverlappedResult(handle, &overlapped, &ignored, TRUE);
      CloseHandle(handle);
    }
    if (overlapped.hEvent) CloseHandle(overlapped.hEvent);
  }
};

std::unique_ptr<FolderWatch> FolderWatchOpen(const Text& folder, const WatchedFolder& watched) {
  auto watch = std::make_unique<FolderWatch>();
  watch->folder = folder;
  watch->watched = watched;
  watch->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  watch->handle =
      CreateFileW(W(folder).c_str(), FILE_LIST_DIRECTORY,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
  // A folder that cannot be watched (a network share that refuses) is left to the timer.
  if (!watch->overlapped.hEvent || watch->handle == INVALID_HANDLE_VALUE || !watch->Issue()) {
    return nullptr;
  }
  return watch;
}

}  // namespace

struct FileWatcherState {
  HWND window = nullptr;
  UINT_PTR id = 0;
  FileWatcher::ChangeHandler handler;
  std::map<Text, WatchedFolder> folders;
  std::vector<std::unique_ptr<FolderWatch>> watches;
  HANDLE stop = nullptr;
  std::thread waiter;
  std::atomic<bool> ended = false;  // the thread returned on its own
  std::mutex mutex;
  std::vector<Text> changed;  // under mutex: told at the next kFileChangedMessage

  // Stops the thread (it wakes at the stop event, or within a second at most) and closes the
  // watches.
  void Close() {
    if (waiter.joinable()) {
      SetEvent(stop);
      waiter.join();
    }
    watches.clear();
    folders.clear();
  }

  void WaitLoop() {
    Wait();
    ended = true;
  }

  void Wait() {
    std::vector<HANDLE> handles;
    for (const auto& watch : watches) handles.push_back(watch->overlapped.hEvent);
    handles.push_back(stop);
    for (;;) {
      DWORD woken =
          WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, 1000);
      if (woken == WAIT_TIMEOUT) continue;
      size_t index = woken - WAIT_OBJECT_0;
      if (index >= watches.size()) return;  // stop, or a failed wait
      FolderWatch& watch = *watches[index];
      DWORD length = 0;
      if (!GetOverlappedResult(watch.handle, &watch.overlapped, &length, FALSE)) length = 0;
      {
        std::lock_guard lock(mutex);
        watch.Collect(length, changed);
      }
      PostMessageW(window, kFileChangedMessage, id, 0);
      ResetEvent(watch.overlapped.hEvent);
      if (!watch.Issue()) return;  // the folder went: Watch opens it again when it is back
    }
  }

  // The changes queued, each path once.
  std::vector<Text> Take() {
    std::vector<Text> taken;
    {
      std::lock_guard lock(mutex);
      taken.swap(changed);
    }
    RepeatsRemoved(taken);
    return taken;
  }
};

struct FileWatcher::Impl : FileWatcherState {};

void FileWatcherFire(UINT_PTR id) {
  auto found = Global().watchers.find(id);
  if (found == Global().watchers.end()) return;
  FileWatcherState* watcher = found->second;
  for (const Text& path : watcher->Take()) {
    if (!watcher->handler) continue;
    Application::Dispatch([watcher, path] { watcher->handler(path); });
  }
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
  std::map<Text, WatchedFolder> folders = WatchedFoldersOf(paths);
  // A folder that went ended the thread: it is opened again, once it is back.
  if (folders == impl_->folders && !impl_->ended) return;
  impl_->Close();
  ResetEvent(impl_->stop);
  impl_->ended = false;
  impl_->folders = folders;
  for (const auto& [folder, watched] : folders) {
    if (auto watch = FolderWatchOpen(folder, watched)) impl_->watches.push_back(std::move(watch));
  }
  if (!impl_->watches.empty())
    impl_->waiter = std::thread([impl = impl_.get()] { impl->WaitLoop(); });
}

void FileWatcher::OnChange(ChangeHandler handler) { impl_->handler = std::move(handler); }

}  // namespace ui
