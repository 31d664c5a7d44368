// A busy place: 5 chat lines a second for 10 minutes, read by the window's tick once a second
// and spoken by a runtime that takes real speaking time (the scripted runtime, 15 characters a
// second, on a virtual clock). Reported for MaxQueue 0 (no limit) and the default 5: the lag
// from a line's write to the start of its speech (median and 95th percentile of the lines of
// the last minute), the lines passed over, and the waiting lines each minute.
#include <benchmark/benchmark.h>

#include <algorithm>
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
    auto engine = std::make_shared<ScriptedEngine>();
    engine->voiceNames = {u"Voice"};
    engine->clock = [&] { return now; };
    engine->secondsPerCharacter = kSecondsPerCharacter;
    ScriptedClassRegister(kSapi5ClassId, engine);
    ScriptedClassRegister(kSpeechPlatformClassId, std::make_shared<ScriptedEngine>());
    SpeechOpen();

    std::mt19937 random(17);
    std::map<std::string, double> written;  // line id -> when it was written
    std::string tickText;
    int nextLine = 0;
    std::vector<double> queueEachMinute;
    for (int step = 0;; ++step) {
      now = step * kPumpSeconds;
      bool writing = now < kRunSeconds;
      if (writing && step % static_cast<int>(1 / (kPumpSeconds * kLinesPerSecond)) == 0) {
        std::string id = "L" + std::to_string(nextLine++);
        written[id] = now;
        std::string line = "Name " + std::to_string(random() % 40) + " : " + id + " " +
                           std::string(8 + random() % 30, 'x');
        tickText += (tickText.empty() ? "" : "\r\n") + line;
      }
      if (step % static_cast<int>(kTickSeconds / kPumpSeconds) == 0 && !tickText.empty()) {
        SpeechSay(Utf8ToText(tickText), 0, 100, 0, maxQueue);
        tickText.clear();
      }
      SpeechPump();
      if (step % static_cast<int>(60 / kPumpSeconds) == 0 && writing) {
        queueEachMinute.push_back(SpeechQueueLength(0));
      }
      if (!writing && !SpeechHolding() && SpeechQueueLength(0) == 0) break;
    }
    // Each line's speech begins where it stands in the text that carried it.
    std::vector<double> lastMinute;
    size_t spokenLines = 0;
    for (const ScriptedEngine::Spoken& spoken : engine->spoken) {
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
    state.counters["lines_passed_over"] = static_cast<double>(nextLine) - static_cast<double>(spokenLines);
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
