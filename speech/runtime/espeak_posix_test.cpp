#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "platform/platform.h"
#include "platform/testing/testing.h"
#include "speech/runtime/posix_runtimes.h"
#include "speech/testing/runtime_contract.h"
#include "speech/uSpeechLib.h"

namespace {

struct Wav {
  int rate = 0;
  std::vector<int16_t> samples;
  double Seconds() const { return rate ? static_cast<double>(samples.size()) / rate : 0; }
  // The voice's fundamental frequency (Hz): the lag of the strongest autocorrelation between
  // 60 and 400 Hz.
  double Fundamental() const {
    size_t best = 0;
    double strongest = 0;
    for (size_t lag = static_cast<size_t>(rate / 400); lag <= static_cast<size_t>(rate / 60);
         ++lag) {
      double sum = 0;
      for (size_t i = 0; i + lag < samples.size(); ++i)
        sum += double(samples[i]) * samples[i + lag];
      if (sum > strongest) strongest = sum, best = lag;
    }
    return best ? static_cast<double>(rate) / static_cast<double>(best) : 0;
  }
  int Peak() const {
    int peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak;
  }
};

Wav WavRead(const Text& path) {
  std::string bytes = FileBytes(path);
  Wav wav;
  if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0) return wav;
  uint32_t rate = 0, size = 0;
  std::memcpy(&rate, bytes.data() + 24, 4);
  std::memcpy(&size, bytes.data() + 40, 4);
  wav.rate = static_cast<int>(rate);
  size = std::min<uint32_t>(size, static_cast<uint32_t>(bytes.size() - 44));
  wav.samples.resize(size / 2);
  if (!wav.samples.empty())
    std::memcpy(wav.samples.data(), bytes.data() + 44, wav.samples.size() * 2);
  return wav;
}

std::vector<Text> WavFiles(const Text& folder) {
  std::vector<Text> files;
  for (const FolderEntry& e : FolderEntriesGet(folder, u"kelvora-*.wav"))
    files.push_back(PathJoin(folder, e.name));
  std::sort(files.begin(), files.end());
  return files;
}

class EspeakTest : public ::testing::Test {
 protected:
  // Speaks each text and waits; the WAV files they produced, in order.
  std::vector<Wav> Speak(const std::vector<std::pair<Text, int32_t>>& texts, int32_t rate = 0,
                         int32_t volume = 100) {
    voice_->SetRate(rate);
    voice_->SetVolume(volume);
    for (const auto& [text, flags] : texts) Say(text, flags);
    EXPECT_TRUE(Done(30000));
    std::vector<Wav> out;
    for (const Text& file : WavFiles(folder_.Path())) {
      if (std::find(seen_.begin(), seen_.end(), file) != seen_.end()) continue;
      seen_.push_back(file);
      out.push_back(WavRead(file));
    }
    return out;
  }

  void Say(TextView text, int32_t flags) {
    int32_t stream = voice_->Speak(text, flags);
    if (stream > 0) streams_.push_back(stream);
  }
  // Whether every text said so far has ended in time.
  bool Done(int milliseconds) { return probe_.EndsAwait(streams_, milliseconds); }

  TempFolder folder_;
  EnvOverride wavDir_{"KELVORA_WAV_DIR", folder_.Path()};
  EventProbe probe_;
  std::shared_ptr<SpeechVoice> voice_ = EspeakVoiceCreate(probe_.Handler());
  std::vector<int32_t> streams_;
  std::vector<Text> seen_;
};

TEST_F(EspeakTest, KeepsTheRuntimeContract) { RuntimeContractCheck(EspeakVoiceCreate); }

// espeak-ng's word events tell how far a text has got: as its UTF-16 offset, across lines and
// characters outside the basic plane; another stream's position is not this one's.
TEST_F(EspeakTest, WordEventsTellHowFarATextHasGot) {
  const Text text = u"\U0001D412ara here\r\nBob : yo there";
  int32_t stream = voice_->Speak(text, kSpeakPlain);
  streams_.push_back(stream);
  ASSERT_TRUE(Done(20000));
  EXPECT_EQ(voice_->SpokenPosition(stream), static_cast<int32_t>(text.find(u"there")));
  EXPECT_EQ(voice_->SpokenPosition(stream + 1), std::nullopt);
}

TEST_F(EspeakTest, ListsVoicesByName) {
  auto tokens = voice_->GetVoices(u"", u"");
  ASSERT_GT(tokens->Count(), 10);
  bool english = false;
  for (int32_t i = 0; i < tokens->Count(); ++i) {
    Text name = tokens->Item(i)->GetAttribute(u"Name");
    EXPECT_EQ(name, tokens->Item(i)->GetDescription(0));
    english |= name.find(u"English") != Text::npos;
  }
  EXPECT_TRUE(english);
  EXPECT_THROW(tokens->Item(tokens->Count()), SpeechError);
}

TEST_F(EspeakTest, LongerTextsAndSlowerRatesTakeLonger) {
  std::vector<Wav> wavs =
      Speak({{u"Hello.", kSpeakPlain}, {u"Hello there, how is everyone today?", kSpeakPlain}});
  ASSERT_EQ(wavs.size(), 2u);
  EXPECT_GT(wavs[0].Seconds(), 0.2);
  EXPECT_GT(wavs[1].Seconds(), wavs[0].Seconds() * 2);
  EXPECT_GT(wavs[0].Peak(), 1000);
  std::vector<Wav> slow = Speak({{u"Hello there, how is everyone today?", kSpeakPlain}}, -10);
  std::vector<Wav> fast = Speak({{u"Hello there, how is everyone today?", kSpeakPlain}}, 10);
  ASSERT_EQ(slow.size(), 1u);
  ASSERT_EQ(fast.size(), 1u);
  EXPECT_GT(slow[0].Seconds(), wavs[1].Seconds() * 1.5);
  EXPECT_LT(fast[0].Seconds(), wavs[1].Seconds() / 1.5);
}

// The pitch reaches espeak-ng: the same words higher at +10 than at -10, the voice's own between.
TEST_F(EspeakTest, PitchRaisesTheVoice) {
  std::vector<double> fundamentals;
  for (int32_t pitch : {-10, 0, 10}) {
    voice_->SetPitch(pitch);
    std::vector<Wav> wavs = Speak({{u"Hello there, how is everyone today?", kSpeakPlain}});
    ASSERT_EQ(wavs.size(), 1u);
    fundamentals.push_back(wavs[0].Fundamental());
  }
  EXPECT_LT(fundamentals[0], fundamentals[1]);
  EXPECT_LT(fundamentals[1], fundamentals[2]);
  EXPECT_EQ(EspeakPitch(0), 50);
  EXPECT_EQ(EspeakPitch(-10), 0);
  EXPECT_EQ(EspeakPitch(12), 100);
  EXPECT_EQ(SpeechdPitch(-3), -30);
}

TEST_F(EspeakTest, VolumeZeroIsSilent) {
  std::vector<Wav> wavs = Speak({{u"Hello there.", kSpeakPlain}}, 0, 0);
  ASSERT_EQ(wavs.size(), 1u);
  EXPECT_GT(wavs[0].samples.size(), 0u);
  EXPECT_EQ(wavs[0].Peak(), 0);
}

TEST_F(EspeakTest, PurgeDropsTheQueue) {
  Text longText;
  for (int i = 0; i < 40; ++i) longText += u"This sentence is long enough to take a while to say. ";
  for (int i = 0; i < 5; ++i) Say(longText, kSpeakPlain);
  Say(u".", kSpeakPurge);
  EXPECT_TRUE(Done(5000));  // told at once, the one under way too
  EXPECT_EQ(voice_->Pending(), 0);
  Say(u"Afterwards.", kSpeakPlain);
  EXPECT_TRUE(Done(10000));
  // Only what was under way when the purge came was written, cut short, then the next text.
  std::vector<Text> files = WavFiles(folder_.Path());
  ASSERT_GE(files.size(), 1u);
  EXPECT_LE(files.size(), 2u);
  for (const Text& file : files) EXPECT_LT(WavRead(file).Seconds(), 60.0);
  EXPECT_LT(WavRead(files.back()).Seconds(), 3.0);
}

// What the queue limit reads: the texts not yet spoken to their end, the one under way included.
TEST_F(EspeakTest, PendingCountsWhatIsStillToSay) {
  Text longText;
  for (int i = 0; i < 40; ++i) longText += u"This sentence is long enough to take a while to say. ";
  EXPECT_EQ(voice_->Pending(), 0);
  for (int i = 0; i < 3; ++i) Say(longText, kSpeakPlain);
  EXPECT_GE(voice_->Pending(), 2);
  EXPECT_LE(voice_->Pending(), 3);
  EXPECT_TRUE(Done(30000));
  EXPECT_EQ(voice_->Pending(), 0);
}

TEST_F(EspeakTest, GreetingMarkupIsAccepted) {
  std::vector<Wav> wavs =
      Speak({{u"Thank you for using <pron sym=\"k eh l ! v ao r ah\" />.", kSpeakXml}});
  ASSERT_EQ(wavs.size(), 1u);
  EXPECT_GT(wavs[0].Seconds(), 0.8);
  EXPECT_THROW(voice_->Speak(u"<unknown/>", kSpeakXml), SpeechError);
}

// Without a WAV folder the worker opens the sound device; where there is none the text ends
// failed, saying why, and Speak itself never waits for the device.
TEST(EspeakDevice, WithoutWavFolderNeedsASoundDevice) {
  EnvOverride noWav("KELVORA_WAV_DIR", u"");
  EventProbe probe;
  auto voice = EspeakVoiceCreate(probe.Handler());
  int32_t stream = voice->Speak(u"x", kSpeakPlain);
  ASSERT_TRUE(probe.EndsAwait({stream}, 20000));
  std::string failure = probe.FailureOf(stream);
  if (failure.empty()) GTEST_SKIP() << "this machine has a sound device";
  EXPECT_NE(failure.find("no sound device"), std::string::npos);
}

TEST(EspeakWordsPerMinute, GeometricAroundTheNormalRate) {
  EXPECT_EQ(EspeakWordsPerMinute(0), 175);
  EXPECT_EQ(EspeakWordsPerMinute(1), 193);
  EXPECT_EQ(EspeakWordsPerMinute(-1), 159);
  EXPECT_EQ(EspeakWordsPerMinute(10), 450);  // clamped to espeak-ng's fastest
  EXPECT_EQ(EspeakWordsPerMinute(-10), 80);  // and its slowest
  for (int r = -9; r <= 9; ++r) EXPECT_LE(EspeakWordsPerMinute(r - 1), EspeakWordsPerMinute(r));
}

}  // namespace
