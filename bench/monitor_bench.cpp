// Cost of the monitor's tick: an idle one (the file has not grown) and one that reads a 1 MiB
// append of chat lines; and beside a log folder of 10,000 old transcripts, START, the idle tick
// and a line appended to one of them.
#include <benchmark/benchmark.h>

#include "app/monitor.h"
#include "app/transcripts.h"
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

// A log folder as a long-used account leaves it: chat.txt beside 10,000 transcripts.
class TranscriptFolder {
 public:
  static constexpr int kTranscripts = 10000;
  TranscriptFolder() {
    const std::string old = ChatLines(2048);
    for (int i = 0; i < kTranscripts; ++i) FileWrite(Transcript(i), old);
    FileWrite(chat_, old);
  }
  Text Transcript(int i) const {
    return folder_.Join(u"Resident " + AsciiToText(std::to_string(i)) + u".txt");
  }
  const Text& Folder() const { return folder_.Path(); }
  const Text& Chat() const { return chat_; }

 private:
  TempFolder folder_;
  Text chat_ = folder_.Join(u"chat.txt");
};

TranscriptFolder& Folder() {
  static TranscriptFolder folder;
  return folder;
}

const TranscriptLinesHandler kCount = [](const TTranscript&, const LineList&) { return true; };

void BM_StartBesideTenThousandTranscripts(benchmark::State& state) {
  TranscriptFolder& folder = Folder();
  TTranscripts transcripts;
  for (auto _ : state) transcripts.Start(folder.Folder(), std::time(nullptr));
}
BENCHMARK(BM_StartBesideTenThousandTranscripts)->Unit(benchmark::kMillisecond);

// The timer's tick while nothing is said: the chat file and the conversations heard, one here.
void BM_IdleTickBesideTenThousandTranscripts(benchmark::State& state) {
  TranscriptFolder& folder = Folder();
  TTranscripts transcripts;
  transcripts.Start(folder.Folder(), std::time(nullptr));
  FileAppend(folder.Transcript(42), "[10:00]  Resident 42: hi\n");
  transcripts.Changed(folder.Transcript(42), kCount);
  TMonitorState chat;
  MasterFileSizeMeasure(chat, folder.Chat(), TChatSource::kViewerLog);
  size_t delivered = 0;
  for (auto _ : state) {
    ChatFileTick(chat, folder.Chat(), TChatSource::kViewerLog,
                 [&](const LineList& lines) { delivered += lines.size(); });
    transcripts.Tick([&](const TTranscript&, const LineList& lines) {
      delivered += lines.size();
      return true;
    });
  }
  if (delivered != 0) state.SkipWithError("an idle tick delivered lines");
}
BENCHMARK(BM_IdleTickBesideTenThousandTranscripts)->Unit(benchmark::kMicrosecond);

// A line appended to one of the transcripts, read as the watcher names it.
void BM_LineInOneOfTenThousandTranscripts(benchmark::State& state) {
  TranscriptFolder& folder = Folder();
  TTranscripts transcripts;
  transcripts.Start(folder.Folder(), std::time(nullptr));
  size_t lines = 0;
  int which = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Text path = folder.Transcript(which++ * 7919 % TranscriptFolder::kTranscripts);
    FileAppend(path, "[10:00]  Someone Resident: hello there\n");
    state.ResumeTiming();
    transcripts.Changed(path, [&](const TTranscript&, const LineList& read) {
      lines += read.size();
      return true;
    });
  }
  if (lines != static_cast<size_t>(state.iterations())) state.SkipWithError("a line was lost");
}
BENCHMARK(BM_LineInOneOfTenThousandTranscripts)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
