// The COM runtime keeps the rules every runtime keeps, against the recording speech server (its
// speech taking time, its speak-complete event signalled when the last text ends).
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/testing.h"
#include "speech/testing/recording_server_win32.h"
#include "speech/testing/runtime_contract.h"

namespace {

TEST(ComRuntime, KeepsTheRuntimeContract) {
  TempFolder folder;
  EnvOverride pace("KELVORA_RECORDING_MS_PER_CHARACTER", u"5");
  RecordingServer server(folder.Join(u"calls.txt"));
  ComApartment apartment;
  SpeechPlatformClassesRegister();
  for (const char16_t* classId : {kSapi5ClassId, kSpeechPlatformClassId}) {
    RuntimeContractCheck([classId](SpeechEventHandler events) {
      return SpeechVoiceCreate(classId, std::move(events));
    });
  }
}

}  // namespace
