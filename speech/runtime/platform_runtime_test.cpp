// The voice engine over the platform's own speech runtimes.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "speech/runtime/runtime.h"
#include "speech/uSpeechLib.h"

namespace {

TEST(PlatformRuntimes, OpenListsWhatThePlatformHas) {
  ComApartment apartment;
  SpeechPlatformClassesRegister();
  bool opened = SpeechOpen();
  if (PathSeparator() == u'\\') {
    // Wine's SAPI lists no voices and has no Speech Platform: the engine has nothing to speak with.
    EXPECT_FALSE(opened);
    EXPECT_TRUE(Voices().empty());
    EXPECT_FALSE(SpeechSay(u"hello", 0, 100, 0));
  } else {
    // espeak-ng is always there, under the SAPI 5 class.
    ASSERT_TRUE(opened);
    bool sapi5 = false;
    for (const TVoiceEntry& voice : Voices()) sapi5 |= voice.Version == kSapi5Version;
    EXPECT_TRUE(sapi5);
  }
  SpeechClose();
  SpeechRelease();
}

}  // namespace
