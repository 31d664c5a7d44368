// espeak-ng runtime: time from Speak to the first sample in the sink (a WAV file here), and the
// real-time factor of synthesis (synthesis time over the length of the speech).
#include <benchmark/benchmark.h>

#include <chrono>

#include "platform/platform.h"
#include "platform/testing/testing.h"
#include "speech/runtime/posix_runtimes.h"
#include "speech/testing/runtime_contract.h"
#include "speech/uSpeechLib.h"

namespace {

using Clock = std::chrono::steady_clock;

Text NewestWav(const Text& folder, size_t& count) {
  std::vector<FolderEntry> entries = FolderEntriesGet(folder, u"kelvora-*.wav");
  count = entries.size();
  Text newest;
  for (const FolderEntry& e : entries) newest = std::max(newest, e.name);
  return newest.empty() ? newest : PathJoin(folder, newest);
}

void BM_FirstSampleLatency(benchmark::State& state) {
  TempFolder folder;
  EnvOverride wav("KELVORA_WAV_DIR", folder.Path());
  EventProbe probe;
  auto voice = EspeakVoiceCreate(probe.Handler());
  size_t before = 0;
  for (auto _ : state) {
    NewestWav(folder.Path(), before);
    auto start = Clock::now();
    int32_t stream = voice->Speak(u"Hello there, how is everyone today?", kSpeakPlain);
    for (;;) {
      size_t count = 0;
      Text file = NewestWav(folder.Path(), count);
      if (count > before && FileSizeProbe(file) > 44) break;
    }
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    probe.EndsAwait({stream}, 60000);
  }
}
BENCHMARK(BM_FirstSampleLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_RealTimeFactor(benchmark::State& state) {
  TempFolder folder;
  EnvOverride wav("KELVORA_WAV_DIR", folder.Path());
  EventProbe probe;
  auto voice = EspeakVoiceCreate(probe.Handler());
  Text text;
  for (int i = 0; i < 10; ++i)
    text += u"This is a sentence of ordinary chat, spoken at the normal rate. ";
  double synthesis = 0, audio = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    probe.EndsAwait({voice->Speak(text, kSpeakPlain)}, 60000);
    synthesis += std::chrono::duration<double>(Clock::now() - start).count();
    size_t count = 0;
    audio += static_cast<double>(FileSizeProbe(NewestWav(folder.Path(), count)) - 44) / 2 / 22050;
  }
  state.counters["real_time_factor"] = synthesis / audio;
  state.counters["audio_seconds"] = audio / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RealTimeFactor)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
