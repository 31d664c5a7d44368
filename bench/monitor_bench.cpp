// Cost of the monitor's tick: an idle one (the file has not grown) and one that reads a 1 MiB
// append of chat lines.
#include <benchmark/benchmark.h>

#include "app/monitor.h"
#include "platform/testing/testing.h"

namespace {

std::string ChatLines(size_t bytes) {
  const std::string line =
      "[2024/05/01 18:05]  Ann Example (ann.example): how is everyone today?\n";
  std::string out;
  while (out.size() + line.size() <= bytes) out += line;
  return out;
}

void BM_IdleTick(benchmark::State& state) {
  TempFolder folder;
  Text path = folder.Join(u"chat.txt");
  FileWrite(path, ChatLines(64 * 1024));
  TMonitorState monitor;
  MasterFileSizeMeasure(monitor, path, TChatSource::kViewerLog);
  size_t delivered = 0;
  for (auto _ : state) {
    ChatFileTick(monitor, path, TChatSource::kViewerLog,
                 [&](const LineList& lines) { delivered += lines.size(); });
  }
  if (delivered != 0) state.SkipWithError("an idle tick delivered lines");
}
BENCHMARK(BM_IdleTick);

void BM_TickReadingOneMebibyte(benchmark::State& state) {
  TempFolder folder;
  Text path = folder.Join(u"chat.txt");
  const std::string append = ChatLines(1 << 20);
  FileWrite(path, "");
  TMonitorState monitor;
  MasterFileSizeMeasure(monitor, path, TChatSource::kViewerLog);
  size_t lines = 0;
  for (auto _ : state) {
    state.PauseTiming();
    FileAppend(path, append);
    state.ResumeTiming();
    ChatFileTick(monitor, path, TChatSource::kViewerLog,
                 [&](const LineList& l) { lines += l.size(); });
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * append.size()));
  state.counters["lines"] =
      benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_TickReadingOneMebibyte)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
