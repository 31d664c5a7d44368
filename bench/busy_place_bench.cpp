// A busy place: 5 chat lines a second for 10 minutes, read by the window's tick once a second
// and spoken by runtimes that take real speaking time (the scripted runtime, 15 characters a
// second at rate 0 and a tenth faster per rate step, as the engines are, on a virtual clock).
// Chat runs in conversations: a line's speaker is the last line's two times in five, else one of
// twelve at random. A quarter of the speakers have a Voices.txt voice of the other engine, so the
// one queue serves both. Arguments: MaxQueue, CatchUp, NameRepeat and the seconds between lines
// (0.2: the busy place; 5: a quiet one). Reported: lines spoken per minute, lines passed over,
// the lag from a line's write to the start of its speech (median and 95th percentile of the
// lines of the last minute), the fastest rate used, the waiting lines each minute, and the
// longest time a call of the window's thread into the voice engine took (real time).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <random>
#include <string>

#include "speech/testing/scripted.h"
#include "speech/testing/speech_testing.h"
#include "speech/uSpeechLib.h"
#include "text/uText.h"

namespace {

constexpr double kSecondsPerCharacter = 1.0 / 15;
constexpr double kRunSeconds = 600, kTickSeconds = 1, kPumpSeconds = 0.1;
constexpr int kSpeakers = 12;

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// The chat line ids ("L17") a spoken text carries, with where each begins in it.
std::vector<std::pair<std::string, size_t>> IdsSpoken(const std::string& text) {
  std::vector<std::pair<std::string, size_t>> ids;
  for (size_t at = text.find('L'); at != std::string::npos; at = text.find('L', at + 1)) {
    size_t end = at + 1;
    while (end < text.size() && std::isdigit(static_cast<unsigned char>(text[end]))) ++end;
    if (end > at + 1) ids.push_back({text.substr(at, end - at), at});
  }
  return ids;
}

struct Run {
  std::vector<ScriptedEngine::Spoken> spoken;
  std::map<std::string, double> written;  // line id -> when it was written
  std::vector<double> queueEachMinute;
  std::chrono::steady_clock::duration longestCall{};
  int32_t fastestRate = -10;
};

// Writes the chat and speaks it as the window does; every text spoken, with its time.
Run BusyPlaceRun(TQueueLimits limits, int32_t nameRepeat, double secondsBetweenLines) {
  Run run;
  double now = 0;
  auto engine = std::make_shared<ScriptedEngine>();  // the window's voice
  auto other = std::make_shared<ScriptedEngine>();   // the Voices.txt voice
  engine->voiceNames = {u"Voice"};
  other->voiceNames = {u"Other"};
  for (auto* e : {engine.get(), other.get()}) {
    e->clock = [&] { return now; };
    e->secondsPerCharacter = kSecondsPerCharacter;
    e->rateShortens = true;
  }
  ScriptedClassRegister(kSapi5ClassId, engine);
  ScriptedClassRegister(kSpeechPlatformClassId, other);
  SpeechOpen();
  const int32_t windowVoice = 1, otherVoice = 0;  // the Speech Platform's voices come first
  auto timed = [&](auto call) {
    auto start = std::chrono::steady_clock::now();
    call();
    run.longestCall = std::max(run.longestCall, std::chrono::steady_clock::now() - start);
  };
  std::mt19937 random(17);
  std::vector<TSpeechPiece> tick;
  TLastSpeaker last;
  int nextLine = 0, speaker = 0;
  const int linesEvery = static_cast<int>(secondsBetweenLines / kPumpSeconds + 0.5);
  for (int step = 0;; ++step) {
    now = step * kPumpSeconds;
    bool writing = now < kRunSeconds;
    if (writing && step % linesEvery == 0) {
      std::string id = "L" + std::to_string(nextLine++);
      run.written[id] = now;
      if (random() % 5 >= 2) speaker = static_cast<int>(random() % kSpeakers);
      std::string name = "Name " + std::to_string(speaker);
      std::string message = id + " " + std::string(8 + random() % 30, 'x');
      tick.push_back({speaker % 4 == 0 ? u"Other" : u"", Utf8ToText(name + " : " + message),
                      Utf8ToText(name), Utf8ToText(message)});
    }
    if (step % static_cast<int>(kTickSeconds / kPumpSeconds) == 0 && !tick.empty()) {
      NameRepeatApply(tick, last, now, nameRepeat);
      // As the window sends a tick: consecutive pieces of one voice as one text.
      for (size_t i = 0; i < tick.size();) {
        Text text = tick[i].text;
        size_t j = i + 1;
        for (; j < tick.size() && tick[j].voice == tick[i].voice; ++j)
          text += u"\r\n" + tick[j].text;
        int32_t voice = tick[i].voice.empty() ? windowVoice : otherVoice;
        timed([&] { SpeechSay(text, voice, 100, 0, limits); });
        i = j;
      }
      tick.clear();
    }
    engine->ClockAdvanced();
    other->ClockAdvanced();
    timed(SpeechEventsRun);
    run.fastestRate = std::max({run.fastestRate, engine->rate, other->rate});
    if (step % static_cast<int>(60 / kPumpSeconds) == 0 && writing) {
      run.queueEachMinute.push_back(SpeechQueueLength());
    }
    if (!writing && !SpeechBusy()) break;
  }
  run.spoken = engine->spoken;
  run.spoken.insert(run.spoken.end(), other->spoken.begin(), other->spoken.end());
  SpeechClose();
  SpeechRelease();
  return run;
}

void BM_BusyPlace(benchmark::State& state) {
  const TQueueLimits limits{static_cast<int32_t>(state.range(0)),
                            static_cast<int32_t>(state.range(1))};
  const auto nameRepeat = static_cast<int32_t>(state.range(2));
  const double secondsBetweenLines = static_cast<double>(state.range(3)) / 1000;
  for (auto _ : state) {
    Run run = BusyPlaceRun(limits, nameRepeat, secondsBetweenLines);
    std::vector<double> lastMinute;
    size_t spokenLines = 0;
    for (const ScriptedEngine::Spoken& spoken : run.spoken) {
      double perCharacter = (spoken.end - spoken.start) / static_cast<double>(spoken.text.size());
      for (const auto& [id, at] : IdsSpoken(spoken.text)) {
        // A line's speech begins where it stands in the text that carried it.
        size_t lineStart = spoken.text.rfind("\r\n", at);
        lineStart = lineStart == std::string::npos ? 0 : lineStart + 2;
        double begins = spoken.start + static_cast<double>(lineStart) * perCharacter;
        ++spokenLines;
        if (run.written[id] >= kRunSeconds - 60) lastMinute.push_back(begins - run.written[id]);
      }
    }
    const auto written = static_cast<double>(run.written.size());
    state.counters["lines_written"] = written;
    double speaking = kRunSeconds;
    for (const ScriptedEngine::Spoken& spoken : run.spoken)
      speaking = std::max(speaking, spoken.end);
    state.counters["lines_spoken_per_min"] = static_cast<double>(spokenLines) / (speaking / 60);
    state.counters["lines_passed_over"] = written - static_cast<double>(spokenLines);
    state.counters["lag_median_s"] = Percentile(lastMinute, 0.5);
    state.counters["lag_p95_s"] = Percentile(lastMinute, 0.95);
    state.counters["fastest_rate"] = run.fastestRate;
    state.counters["window_call_max_us"] = static_cast<double>(
        std::chrono::duration_cast<std::chrono::microseconds>(run.longestCall).count());
    for (size_t minute = 0; minute < run.queueEachMinute.size(); minute += 3) {
      state.counters["queue_min" + std::to_string(minute)] = run.queueEachMinute[minute];
    }
  }
}
// MaxQueue, CatchUp, NameRepeat, milliseconds between lines.
BENCHMARK(BM_BusyPlace)
    ->ArgNames({"max_queue", "catch_up", "name_repeat", "ms_between_lines"})
    ->Args({0, 0, 0, 200})
    ->Args({5, 0, 0, 200})
    ->Args({5, 3, 0, 200})
    ->Args({5, 0, 30, 200})
    ->Args({5, 3, 30, 200})
    ->Args({5, 3, 30, 5000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
