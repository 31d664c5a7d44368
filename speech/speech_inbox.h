// What the runtimes report from their threads, kept until the owner's thread takes it in; and the
// watch that tells when the text being spoken is overdue.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "speech/runtime/runtime.h"

class TSpeechInbox {
 public:
  struct Item {
    int engine;  // the engine slot that told it
    SpeechEvent event;
  };
  // Any thread.
  void Push(int engine, SpeechEvent event);
  void DeadlinePassed();
  void WakeSet(std::function<void()> wake);
  // Takes what has come (a deadline that passed is read from the clock by the taker).
  std::vector<Item> Take();
  // Waits until something has come or the time is reached.
  void Await(std::chrono::steady_clock::time_point until);

 private:
  void Tell(std::unique_lock<std::mutex>& lock);
  std::mutex mutex_;
  std::condition_variable came_;
  std::vector<Item> items_;
  bool deadline_ = false;
  std::function<void()> wake_;
};

// A thread that tells the inbox when the armed deadline has passed.
class TDeadlineWatch {
 public:
  explicit TDeadlineWatch(std::shared_ptr<TSpeechInbox> inbox) : inbox_(std::move(inbox)) {}
  ~TDeadlineWatch();
  TDeadlineWatch(const TDeadlineWatch&) = delete;
  TDeadlineWatch& operator=(const TDeadlineWatch&) = delete;
  void Arm(std::chrono::steady_clock::time_point deadline);
  void Disarm();

 private:
  void Watch();
  std::shared_ptr<TSpeechInbox> inbox_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::optional<std::chrono::steady_clock::time_point> deadline_;
  bool stop_ = false;
  std::thread thread_;
};
