// What the runtimes report, handed from their threads to the owner's; the deadline watch.
#include "speech/speech_inbox.h"

#include <utility>

void TSpeechInbox::Push(int engine, SpeechEvent event) {
  std::unique_lock<std::mutex> lock(mutex_);
  items_.push_back({engine, std::move(event)});
  Tell(lock);
}

void TSpeechInbox::DeadlinePassed() {
  std::unique_lock<std::mutex> lock(mutex_);
  deadline_ = true;
  Tell(lock);
}

void TSpeechInbox::Tell(std::unique_lock<std::mutex>& lock) {
  came_.notify_all();
  std::function<void()> wake = wake_;
  lock.unlock();
  if (wake) wake();
}

void TSpeechInbox::WakeSet(std::function<void()> wake) {
  std::lock_guard<std::mutex> lock(mutex_);
  wake_ = std::move(wake);
}

std::vector<TSpeechInbox::Item> TSpeechInbox::Take() {
  std::lock_guard<std::mutex> lock(mutex_);
  deadline_ = false;
  std::vector<Item> taken;
  taken.swap(items_);
  return taken;
}

void TSpeechInbox::Await(std::chrono::steady_clock::time_point until) {
  std::unique_lock<std::mutex> lock(mutex_);
  came_.wait_until(lock, until, [this] { return !items_.empty() || deadline_; });
}

TDeadlineWatch::~TDeadlineWatch() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void TDeadlineWatch::Arm(std::chrono::steady_clock::time_point deadline) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    deadline_ = deadline;
    if (!thread_.joinable()) thread_ = std::thread([this] { Watch(); });
  }
  changed_.notify_all();
}

void TDeadlineWatch::Disarm() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    deadline_.reset();
  }
  changed_.notify_all();
}

void TDeadlineWatch::Watch() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stop_) {
    if (!deadline_) {
      changed_.wait(lock);
      continue;
    }
    auto deadline = *deadline_;
    if (changed_.wait_until(lock, deadline) == std::cv_status::timeout && deadline_ == deadline) {
      deadline_.reset();
      lock.unlock();
      inbox_->DeadlinePassed();
      lock.lock();
    }
  }
}
