// The scripted runtime keeps the rules every runtime keeps, with speech that ends at once and
// with speech that takes time on its clock.
#include <gtest/gtest.h>

#include "speech/testing/runtime_contract.h"
#include "speech/testing/scripted.h"

namespace {

TEST(ScriptedRuntime, KeepsTheRuntimeContract) {
  auto engine = std::make_shared<ScriptedEngine>();
  engine->voiceNames = {u"Voice"};
  ScriptedClassRegister(u"contract", engine);
  RuntimeContractCheck(
      [](SpeechEventHandler events) { return SpeechVoiceCreate(u"contract", std::move(events)); },
      /*endsAtOnce=*/true);
}

// With a clock, each text ends when the clock has passed it, told once; a purge ends them all.
TEST(ScriptedRuntime, EndsFollowTheClock) {
  double now = 0;
  auto engine = std::make_shared<ScriptedEngine>();
  engine->clock = [&] { return now; };
  engine->secondsPerCharacter = 1;
  ScriptedClassRegister(u"clock", engine);
  EventProbe probe;
  auto voice = SpeechVoiceCreate(u"clock", probe.Handler());
  int32_t first = voice->Speak(u"abc", kFlagAsync), second = voice->Speak(u"de", kFlagAsync);
  EXPECT_EQ(voice->Pending(), 2);
  now = 3;
  engine->ClockAdvanced();
  EXPECT_EQ(probe.EndsOf(first), 1);
  EXPECT_EQ(probe.EndsOf(second), 0);
  int32_t third = voice->Speak(u"fgh", kFlagAsync);
  voice->Speak(u".", kFlagAsync | kFlagPurgeBeforeSpeak);
  engine->ClockAdvanced();
  for (int32_t stream : {first, second, third}) EXPECT_EQ(probe.EndsOf(stream), 1);
  EXPECT_EQ(voice->Pending(), 0);
}

}  // namespace
