// A busy place: 5 chat lines a second for 10 minutes, each handed to the voice engine as the
// window reads it (50 ms after its write), and spoken by runtimes that take real speaking time
// (the scripted runtime, 15 characters a second at rate 0 and a tenth faster per rate step, as
// the engines are, on a virtual clock). Chat runs in conversations: a line's speaker is the last
// line's two times in five, else one of twelve at random. A quarter of the speakers have a
// Voices.txt voice of the other engine, so the one queue serves both. Each row runs five seeds
// and reports the mean with the lowest and highest in brackets.
// Arguments: MaxQueue, CatchUp, NameRepeat and the milliseconds between lines (200: the busy
// place; 5000: a quiet one). Reported: lines heard per minute, of them heard without their name,
// lines heard whose speaker the listener cannot know (a line without its name after another
// speaker's), lines passed over, the lag from a line's write to the start of its speech (median
// and 95th percentile of the last minute's lines), the fastest rate used, and the longest time a
// call of the window's thread into the voice engine took (real time).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <string>

#include "speech/testing/scripted.h"
#include "speech/uSpeechLib.h"

namespace {

constexpr double kSecondsPerCharacter = 1.0 / 15;
constexpr double kRunSeconds = 600, kPumpSeconds = 0.05, kReadDelay = 0.05;
constexpr int kSpeakers = 12;
constexpr uint32_t kSeeds[] = {17, 29, 41, 53, 67};

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[static_cast<size_t>(fraction * static_cast<double>(values.size() - 1))];
}

struct Written {
  double at;
  int speaker;
};

// One line heard: when it began, which it was, and whether its name was said.
struct Heard {
  double begins;
  int id;
  bool named;
};

struct Run {
  std::map<int, Written> written;  // by line id
  std::vector<Heard> heard;        // in the order heard
  std::chrono::steady_clock::duration longestCall{};
  int32_t fastestRate = -10;
  double end = 0;
};

// The lines a spoken text carries ("Name 3 : L17 xxx" or, without the name, "L17 xxx"), each
// with where it begins.
void LinesHeard(const ScriptedEngine::Spoken& spoken, std::vector<Heard>& heard) {
  const std::string& text = spoken.text;
  double perCharacter = (spoken.end - spoken.start) / static_cast<double>(text.size());
  size_t lineStart = 0;
  while (lineStart <= text.size()) {
    size_t lineEnd = text.find("\r\n", lineStart);
    std::string line =
        text.substr(lineStart, lineEnd == std::string::npos ? lineEnd : lineEnd - lineStart);
    size_t id = line.find('L');
    if (id != std::string::npos) {
      heard.push_back({spoken.start + static_cast<double>(lineStart) * perCharacter,
                       std::atoi(line.c_str() + id + 1), line.find(" : ") != std::string::npos});
    }
    if (lineEnd == std::string::npos) break;
    lineStart = lineEnd + 2;
  }
}

Run BusyPlaceRun(TQueueLimits limits, double secondsBetweenLines, uint32_t seed) {
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
  TSpeechHandlers handlers;
  handlers.seconds = [&] { return now; };
  SpeechHandlersSet(handlers);
  SpeechOpen();
  const int32_t windowVoice = 1, otherVoice = 0;  // the Speech Platform's voices come first
  auto timed = [&](auto call) {
    auto start = std::chrono::steady_clock::now();
    call();
    run.longestCall = std::max(run.longestCall, std::chrono::steady_clock::now() - start);
  };
  std::mt19937 random(seed);
  std::vector<std::pair<double, TChatLine>> reading;  // written, to be read by the window
  int nextLine = 0, speaker = 0;
  const int linesEvery = static_cast<int>(secondsBetweenLines / kPumpSeconds + 0.5);
  for (int step = 0;; ++step) {
    now = step * kPumpSeconds;
    bool writing = now < kRunSeconds;
    if (writing && step % linesEvery == 0) {
      int id = nextLine++;
      if (random() % 5 >= 2) speaker = static_cast<int>(random() % kSpeakers);
      run.written[id] = {now, speaker};
      std::string name = "Name " + std::to_string(speaker);
      std::string message = "L" + std::to_string(id) + " " + std::string(8 + random() % 30, 'x');
      reading.push_back({now,
                         {Utf8ToText("name." + std::to_string(speaker)), Utf8ToText(name),
                          Utf8ToText(name + " : " + message), Utf8ToText(message)}});
    }
    // The window reads what was written 50 ms ago, a line a text as it now reads them.
    while (!reading.empty() && reading.front().first + kReadDelay <= now + 1e-9) {
      TChatLine line = std::move(reading.front().second);
      reading.erase(reading.begin());
      int32_t voice = line.speaker.back() % 4 == 0 ? otherVoice : windowVoice;
      timed([&] { SpeechSayLines({std::move(line)}, voice, 100, 0, limits); });
    }
    engine->ClockAdvanced();
    other->ClockAdvanced();
    timed(SpeechEventsRun);
    run.fastestRate = std::max({run.fastestRate, engine->rate, other->rate});
    if (!writing && reading.empty() && !SpeechBusy()) break;
  }
  for (auto* e : {engine.get(), other.get()}) {
    for (const ScriptedEngine::Spoken& spoken : e->spoken) {
      LinesHeard(spoken, run.heard);
      run.end = std::max(run.end, spoken.end);
    }
  }
  std::sort(run.heard.begin(), run.heard.end(),
            [](const Heard& a, const Heard& b) { return a.begins < b.begins; });
  SpeechClose();
  SpeechRelease();
  return run;
}

struct Figures {
  double perMinute, withoutName, unknownSpeaker, passedOver, lagMedian, lagP95, fastestRate;
  double callMicroseconds;
};

Figures FiguresOf(const Run& run) {
  Figures f{};
  std::vector<double> lastMinute;
  int lastSpeaker = -1;
  for (const Heard& h : run.heard) {
    const Written& w = run.written.at(h.id);
    if (!h.named) {
      ++f.withoutName;
      if (w.speaker != lastSpeaker) ++f.unknownSpeaker;
    }
    lastSpeaker = w.speaker;
    if (w.at >= kRunSeconds - 60) lastMinute.push_back(h.begins - w.at);
  }
  auto heard = static_cast<double>(run.heard.size());
  f.perMinute = heard / (std::max(run.end, kRunSeconds) / 60);
  f.passedOver = static_cast<double>(run.written.size()) - heard;
  f.lagMedian = Percentile(lastMinute, 0.5);
  f.lagP95 = Percentile(lastMinute, 0.95);
  f.fastestRate = run.fastestRate;
  f.callMicroseconds = static_cast<double>(
      std::chrono::duration_cast<std::chrono::microseconds>(run.longestCall).count());
  return f;
}

void BM_BusyPlace(benchmark::State& state) {
  const TQueueLimits limits{static_cast<int32_t>(state.range(0)),
                            static_cast<int32_t>(state.range(1)),
                            static_cast<int32_t>(state.range(2))};
  const double secondsBetweenLines = static_cast<double>(state.range(3)) / 1000;
  std::vector<Figures> seeds;
  for (auto _ : state) {
    for (uint32_t seed : kSeeds)
      seeds.push_back(FiguresOf(BusyPlaceRun(limits, secondsBetweenLines, seed)));
  }
  auto report = [&](const char* name, double Figures::*field) {
    double sum = 0, low = 1e300, high = -1e300;
    for (const Figures& f : seeds) {
      sum += f.*field;
      low = std::min(low, f.*field);
      high = std::max(high, f.*field);
    }
    state.counters[name] = sum / static_cast<double>(seeds.size());
    state.counters[std::string(name) + "_lo"] = low;
    state.counters[std::string(name) + "_hi"] = high;
  };
  report("heard_per_min", &Figures::perMinute);
  report("without_name", &Figures::withoutName);
  report("unknown_speaker", &Figures::unknownSpeaker);
  report("passed_over", &Figures::passedOver);
  report("lag_median_s", &Figures::lagMedian);
  report("lag_p95_s", &Figures::lagP95);
  report("fastest_rate", &Figures::fastestRate);
  report("window_call_max_us", &Figures::callMicroseconds);
}
// MaxQueue, CatchUp, NameRepeat, milliseconds between lines. The first busy row is the
// baseline; the fourth has the shipped limits (MaxQueue 5, CatchUp 3) with NameRepeat 30.
BENCHMARK(BM_BusyPlace)
    ->ArgNames({"max_queue", "catch_up", "name_repeat", "ms_between_lines"})
    ->Args({5, 0, 0, 200})
    ->Args({5, 3, 0, 200})
    ->Args({5, 0, 30, 200})
    ->Args({5, 3, 30, 200})
    ->Args({0, 0, 0, 200})
    ->Args({5, 3, 30, 5000})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
