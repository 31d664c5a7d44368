// The COM runtime keeps the rules every runtime keeps, against the recording speech server (its
// speech taking time, its speak-complete event signalled when the last text ends).
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/testing/testing.h"
#include "speech/testing/recording_server_win32.h"
#include "speech/testing/runtime_contract.h"

namespace {

TEST(ComRuntime, KeepsTheRuntimeContract) {
  TempFolder folder;
  EnvOverride pace("KELVORA_RECORDING_MS_PER_CHARACTER", u"5");
  RecordingServer server(folder.Join(u"calls.txt"));
  ComApartment apartment;
  SpeechPlatformClassesRegister();
  for (const char16_t* classId : {kSapi5ClassId, kSpeechPlatformClassId, kOneCoreVoicesId}) {
    RuntimeContractCheck([classId](SpeechEventHandler events) {
      return SpeechVoiceCreate(classId, std::move(events));
    });
  }
}

// The voice's status tells the word it says in the stream it speaks: here, at 20 ms a
// character, the second line after half a second.
TEST(ComRuntime, StatusTellsHowFarATextHasGot) {
  TempFolder folder;
  EnvOverride pace("KELVORA_RECORDING_MS_PER_CHARACTER", u"20");
  RecordingServer server(folder.Join(u"calls.txt"));
  ComApartment apartment;
  SpeechPlatformClassesRegister();
  EventProbe probe;
  auto voice = SpeechVoiceCreate(kSapi5ClassId, probe.Handler());
  const Text text = u"Ann : one line\r\nBob : another line, a longer one";
  int32_t stream = voice->Speak(text, kFlagAsync | kFlagIsNotXml);
  Sleep(500);
  std::optional<int32_t> position = voice->SpokenPosition(stream);
  ASSERT_TRUE(position);
  EXPECT_GT(*position, static_cast<int32_t>(text.find(u"Bob")));
  EXPECT_LT(*position, static_cast<int32_t>(text.size()));
  EXPECT_EQ(voice->SpokenPosition(stream + 1), std::nullopt);
}

}  // namespace
