// A busy place: 5 chat lines a second for 10 minutes, read by the window's tick once a second
// and spoken by runtimes that take real speaking time (the scripted runtime, 15 characters a
// second, on a virtual clock). A quarter of the speakers have a Voices.txt voice of the other
// engine, so the one queue serves both. Reported for MaxQueue 0 (no limit) and the default 5:
// the lag from a line's write to the start of its speech (median and 95th percentile of the
// lines of the last minute), the lines passed over, the waiting lines each minute, and the
// longest time a call of the window's thread into the voice engine took (real time).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <random>
#include <string>

#include "speech/runtime/scripted.h"
#include "speech/uSpeechLib.h"

namespace {

constexpr double kSecondsPerCharacter = 1.0 / 15;
constexpr double kRunSeconds = 600, kLinesPerSecond = 5, kTickSeconds = 1, kPumpSeconds = 0.1;

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

void BM_BusyPlace(benchmark::State& state) {
  const auto maxQueue = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    double now = 0;
    auto engine = std::make_shared<ScriptedEngine>();  // the window's voice
    auto other = std::make_shared<ScriptedEngine>();   // the Voices.txt voice
    engine->voiceNames = {u"Voice"};
    other->voiceNames = {u"Other"};
    for (auto* e : {engine.get(), other.get()}) {
      e->clock = [&] { return now; };
      e->secondsPerCharacter = kSecondsPerCharacter;
    }
    ScriptedClassRegister(kSapi5ClassId, engine);
    ScriptedClassRegister(kSpeechPlatformClassId, other);
    SpeechOpen();
    const int32_t windowVoice = 1, otherVoice = 0;  // the Speech Platform's voices come first
    std::chrono::steady_clock::duration longest{};
    auto timed = [&](auto call) {
      auto start = std::chrono::steady_clock::now();
      call();
      longest = std::max(longest, std::chrono::steady_clock::now() - start);
    };

    std::mt19937 random(17);
    std::map<std::string, double> written;                   // line id -> when it was written
    std::vector<std::pair<int32_t, std::string>> tickLines;  // voice, line
    int nextLine = 0;
    std::vector<double> queueEachMinute;
    for (int step = 0;; ++step) {
      now = step * kPumpSeconds;
      bool writing = now < kRunSeconds;
      if (writing && step % static_cast<int>(1 / (kPumpSeconds * kLinesPerSecond)) == 0) {
        std::string id = "L" + std::to_string(nextLine++);
        written[id] = now;
        auto speaker = random() % 40;
        std::string line = "Name " + std::to_string(speaker) + " : " + id + " " +
                           std::string(8 + random() % 30, 'x');
        tickLines.push_back({speaker % 4 == 0 ? otherVoice : windowVoice, line});
      }
      if (step % static_cast<int>(kTickSeconds / kPumpSeconds) == 0) {
        // As the window sends a tick: consecutive lines of one voice as one text.
        for (size_t i = 0; i < tickLines.size();) {
          std::string text = tickLines[i].second;
          size_t j = i + 1;
          for (; j < tickLines.size() && tickLines[j].first == tickLines[i].first; ++j) {
            text += "\r\n" + tickLines[j].second;
          }
          timed([&] { SpeechSay(Utf8ToText(text), tickLines[i].first, 100, 0, maxQueue); });
          i = j;
        }
        tickLines.clear();
      }
      engine->ClockAdvanced();
      other->ClockAdvanced();
      timed(SpeechEventsRun);
      if (step % static_cast<int>(60 / kPumpSeconds) == 0 && writing) {
        queueEachMinute.push_back(SpeechQueueLength());
      }
      if (!writing && !SpeechBusy()) break;
    }
    // Each line's speech begins where it stands in the text that carried it.
    std::vector<double> lastMinute;
    size_t spokenLines = 0;
    std::vector<ScriptedEngine::Spoken> all = engine->spoken;
    all.insert(all.end(), other->spoken.begin(), other->spoken.end());
    for (const ScriptedEngine::Spoken& spoken : all) {
      for (size_t at = spoken.text.find(" : L"); at != std::string::npos;
           at = spoken.text.find(" : L", at + 1)) {
        std::string id = spoken.text.substr(at + 3, spoken.text.find(' ', at + 3) - at - 3);
        size_t lineStart = spoken.text.rfind("\r\n", at);
        lineStart = lineStart == std::string::npos ? 0 : lineStart + 2;
        double begins = spoken.start + static_cast<double>(lineStart) * kSecondsPerCharacter;
        ++spokenLines;
        if (written[id] >= kRunSeconds - 60) lastMinute.push_back(begins - written[id]);
      }
    }
    state.counters["lag_median_s"] = Percentile(lastMinute, 0.5);
    state.counters["lag_p95_s"] = Percentile(lastMinute, 0.95);
    state.counters["lines_written"] = nextLine;
    state.counters["window_call_max_us"] =
        static_cast<double>(std::chrono::duration_cast<std::chrono::microseconds>(longest).count());
    state.counters["lines_passed_over"] =
        static_cast<double>(nextLine) - static_cast<double>(spokenLines);
    for (size_t minute = 0; minute < queueEachMinute.size(); minute += 3) {
      state.counters["queue_min" + std::to_string(minute)] = queueEachMinute[minute];
    }
    SpeechClose();
    SpeechRelease();
  }
}
BENCHMARK(BM_BusyPlace)->Arg(0)->Arg(5)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
