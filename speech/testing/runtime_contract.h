// For tests of the runtimes: an event handler that keeps what a runtime tells and waits for it.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "speech/runtime/runtime.h"

class EventProbe {
 public:
  SpeechEventHandler Handler() {
    return [this](const SpeechEvent& event) {
      std::lock_guard<std::mutex> lock(mutex_);
      events_.push_back(event);
      came_.notify_all();
    };
  }
  // Waits until every stream given has ended; false when the time ran out first.
  bool EndsAwait(const std::vector<int32_t>& streams, int milliseconds) {
    std::unique_lock<std::mutex> lock(mutex_);
    return came_.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] {
      for (int32_t stream : streams) {
        if (EndsOfLocked(stream) == 0) return false;
      }
      return true;
    });
  }
  // How many times the stream's end was told.
  int EndsOf(int32_t stream) {
    std::lock_guard<std::mutex> lock(mutex_);
    return EndsOfLocked(stream);
  }
  // The failure told with the stream's end (empty when none).
  std::string FailureOf(int32_t stream) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const SpeechEvent& e : events_) {
      if (e.kind == SpeechEvent::Kind::kTextEnded && e.stream == stream) return e.failure;
    }
    return {};
  }

 private:
  int EndsOfLocked(int32_t stream) const {
    int ends = 0;
    for (const SpeechEvent& e : events_) {
      ends += e.kind == SpeechEvent::Kind::kTextEnded && e.stream == stream;
    }
    return ends;
  }
  std::mutex mutex_;
  std::condition_variable came_;
  std::vector<SpeechEvent> events_;
};

// The rules every runtime keeps, checked on a voice object the factory makes: Speak, Purge and
// Pending return at once; Purge ends what was queued and empties Pending at once; Pending drains
// as texts end; each text's end is told exactly once; the object goes away within a second, even
// while it speaks. A runtime whose texts end as soon as they are taken (endsAtOnce) has nothing
// pending to count.
inline void RuntimeContractCheck(const SpeechVoiceFactory& make, bool endsAtOnce = false) {
  using Clock = std::chrono::steady_clock;
  constexpr auto kAtOnce = std::chrono::milliseconds(50);
  EventProbe probe;
  auto voice = make(probe.Handler());
  auto tokens = voice->GetVoices(u"", u"");
  if (tokens->Count() > 0) voice->SetVoice(tokens->Item(0));
  Text longText;
  for (int i = 0; i < 20; ++i) longText += u"A sentence long enough to take a while to say. ";
  auto timed = [&](auto call) {
    auto start = Clock::now();
    auto result = call();
    EXPECT_LT(Clock::now() - start, kAtOnce);
    return result;
  };
  int32_t first = timed([&] { return voice->Speak(longText, kFlagAsync | kFlagIsNotXml); });
  int32_t second = timed([&] { return voice->Speak(u"Second.", kFlagAsync | kFlagIsNotXml); });
  EXPECT_GT(first, 0);
  EXPECT_NE(first, second);
  EXPECT_EQ(timed([&] { return voice->Pending(); }), endsAtOnce ? 0 : 2);
  EXPECT_EQ(timed([&] { return voice->Speak(u".", kFlagAsync | kFlagPurgeBeforeSpeak); }), 0);
  EXPECT_EQ(timed([&] { return voice->Pending(); }), 0) << "a purge empties Pending at once";
  EXPECT_TRUE(probe.EndsAwait({first, second}, 5000));
  int32_t third = timed([&] { return voice->Speak(u"Third.", kFlagAsync | kFlagIsNotXml); });
  int32_t fourth = timed([&] { return voice->Speak(u"Fourth.", kFlagAsync | kFlagIsNotXml); });
  EXPECT_TRUE(probe.EndsAwait({third}, 20000));
  EXPECT_LE(voice->Pending(), 1) << "Pending drains as texts end";
  EXPECT_TRUE(probe.EndsAwait({fourth}, 20000));
  EXPECT_EQ(voice->Pending(), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // a second telling would be in
  for (int32_t stream : {first, second, third, fourth})
    EXPECT_EQ(probe.EndsOf(stream), 1) << stream;
  voice->Speak(longText, kFlagAsync | kFlagIsNotXml);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // under way
  auto start = Clock::now();
  voice.reset();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
}
