// SLChatTextGet over realistic chat: 100,000 lines, a 200-entry dictionary and a 50-name black
// list, plain and decorated; and what START pays to compile that dictionary when no pattern is
// cached yet.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include "platform/platform.h"
#include "platform/testing/testing.h"
#include "text/regex.h"
#include "text/uText.h"

namespace {

// Everyday chat words, and the slang a dictionary typically rewrites.
const char* const kWords[] = {
    "hello",   "hi",    "everyone", "how",     "are",      "you",    "today",  "thanks",  "great",
    "party",   "dance", "club",     "music",   "sim",      "land",   "build",  "script",  "mesh",
    "avatar",  "hair",  "shoes",    "outfit",  "teleport", "lag",    "region", "restart", "yes",
    "no",      "maybe", "later",    "tonight", "event",    "sale",   "group",  "invite",  "friend",
    "welcome", "back",  "good",     "morning", "night",    "see",    "the",    "a",       "is",
    "it",      "that",  "this",     "what",    "where",    "when",   "who",    "nice",    "cool",
    "love",    "like",  "really",   "just",    "now",      "here",   "there",  "going",   "come",
    "want",    "need",  "know",     "think",   "time",     "people", "place",  "new",     "old",
    "and",     "but",   "so",       "very",    "much"};
const char* const kSlang[] = {"lol", "brb", "afk",  "omg",  "ty",  "np",   "wb",  "imo",
                              "btw", "gtg", "rofl", "lmao", "idk", "tyvm", "hugs"};
const char* const kSyllables[] = {"zor", "kai", "vex", "lin", "dar", "mok", "quel", "thra",
                                  "bel", "osk", "ryn", "fae", "gul", "ix",  "pol"};

struct Workload {
  LineList lines;
  TempFolder folder;
};

const Workload& WorkloadGet() {
  static Workload* workload = [] {
    auto* w = new Workload;
    std::mt19937 random(7);
    auto word = [&] {
      if (random() % 20 == 0) return std::string(kSlang[random() % std::size(kSlang)]);
      return std::string(kWords[random() % std::size(kWords)]);
    };
    std::vector<std::string> speakers;
    for (int i = 0; i < 120; ++i) {
      std::string first = "user" + std::to_string(i);
      speakers.push_back("Nice Name " + std::to_string(i) + " (" + first + ".resident)");
    }
    std::string dictionary = "# VORTANE PROJECT KELVORA Dictionary Format V 1.0\n";
    for (const char* slang : kSlang)
      dictionary += "\\b" + std::string(slang) + "\\b\t" + slang + " said out\n";
    // Names of places and people, spelled the way they should sound.
    for (int i = 0; i < 200 - static_cast<int>(std::size(kSlang)); ++i) {
      std::string name = std::string(kSyllables[i % 15]) + kSyllables[(i / 15 + i) % 15];
      name[0] = static_cast<char>(name[0] - 32);
      dictionary += "\\b" + name + "\\b\t" + name.substr(0, 3) + " " + name.substr(3) + "\n";
    }
    FileWrite(PathJoin(w->folder.Path(), u"Dictionary.txt"), dictionary);
    std::string list = "# VORTANE PROJECT KELVORA User List Format V 1.0\n";
    for (int i = 0; i < 50; ++i) list += "user" + std::to_string(i * 2) + ".resident\n";
    FileWrite(PathJoin(w->folder.Path(), u"BlackList.txt"), list);
    for (int i = 0; i < 100000; ++i) {
      std::string line = "[2024/05/01 18:" + std::to_string(10 + i % 50) + "]  " +
                         speakers[random() % speakers.size()] + ": ";
      for (int n = 3 + static_cast<int>(random() % 10); n > 0; --n) line += word() + " ";
      if (random() % 10 == 0) {  // a continuation line of a multi-line message
        w->lines.push_back(Utf8ToText(line));
        line = " " + word() + " " + word();
      }
      w->lines.push_back(Utf8ToText(line));
    }
    return w;
  }();
  return *workload;
}

void BM_SLChatTextCached(benchmark::State& state) {
  const Workload& w = WorkloadGet();
  size_t bytes = 0;
  for (const Text& line : w.lines) bytes += TextToUtf8(line).size() + 1;
  TChatFilter filter;
  DictionaryLoad(filter, {w.folder.Path()});
  BWListLoad(filter, {w.folder.Path()});
  // The listener's names, which every line is searched for.
  TChatOptions options;
  options.MyNames = {u"zoe.example", u"zoe"};
  size_t spoken = 0;
  for (auto _ : state) spoken += SLChatTextGet(filter, w.lines, options).size();
  benchmark::DoNotOptimize(spoken);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_SLChatTextCached)->Unit(benchmark::kMillisecond)->MinTime(2);

// The same chat as people decorate it: every 5th line with a run of emoji and a skin tone,
// every 10th with a web address, every 20th from a name in decorative letters.
const LineList& DecoratedLinesGet() {
  static const LineList* lines = [] {
    auto* decorated = new LineList(WorkloadGet().lines);
    for (size_t i = 0; i < decorated->size(); ++i) {
      Text& line = (*decorated)[i];
      if (i % 20 == 0 && line.find(u"Nice Name") != Text::npos) {
        line.replace(line.find(u"Nice Name"), 9, u"𝓝𝓲𝓬𝓮 Ｎａｍｅ");
      }
      if (i % 5 == 0) line += u" 😂😂 👍🏽";
      if (i % 10 == 0) line += u" see https://www.example.com/shop?id=4";
    }
    return decorated;
  }();
  return *lines;
}

// Decorated chat with the ways text is said as meant off (0) and on (1): what they cost.
void BM_SLChatTextDecorated(benchmark::State& state) {
  const Workload& w = WorkloadGet();
  const LineList& lines = DecoratedLinesGet();
  size_t bytes = 0;
  for (const Text& line : lines) bytes += TextToUtf8(line).size() + 1;
  TChatFilter filter;
  DictionaryLoad(filter, {w.folder.Path()});
  BWListLoad(filter, {w.folder.Path()});
  TChatOptions options;
  options.PlainLetters = options.Links = state.range(0) != 0;
  options.Emoji = state.range(0) != 0 ? TEmojiMode::kNamed : TEmojiMode::kDropped;
  size_t spoken = 0;
  for (auto _ : state) spoken += SLChatTextGet(filter, lines, options).size();
  benchmark::DoNotOptimize(spoken);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_SLChatTextDecorated)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2);

// The guard's reference (scripts/text-speed-guard): the same lines and dictionary through PCRE2
// alone, each pattern JIT-matched against each line, as plain a use of the library as there is.
// What it costs moves with the machine as the text path does, so their ratio tells the path's own
// speed on any machine.
void BM_ReferenceJitScan(benchmark::State& state) {
  const Workload& w = WorkloadGet();
  size_t bytes = 0;
  for (const Text& line : w.lines) bytes += TextToUtf8(line).size() + 1;
  std::vector<pcre2_code*> codes;
  for (const Text& line :
       LinesSplit(Utf8ToText(FileBytes(PathJoin(w.folder.Path(), u"Dictionary.txt"))))) {
    size_t tab = line.find(u'\t');
    if (tab == Text::npos) continue;
    int error = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* code = pcre2_compile(reinterpret_cast<PCRE2_SPTR>(line.data()), tab, PCRE2_UTF,
                                     &error, &offset, nullptr);
    if (!code) continue;
    pcre2_jit_compile(code, PCRE2_JIT_COMPLETE);
    codes.push_back(code);
  }
  pcre2_match_data* match = pcre2_match_data_create(16, nullptr);
  size_t matched = 0;
  for (auto _ : state) {
    for (const Text& line : w.lines) {
      for (pcre2_code* code : codes) {
        matched += pcre2_jit_match(code, reinterpret_cast<PCRE2_SPTR>(line.data()), line.size(), 0,
                                   PCRE2_NO_UTF_CHECK, match, nullptr) > 0;
      }
    }
  }
  benchmark::DoNotOptimize(matched);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  pcre2_match_data_free(match);
  for (pcre2_code* code : codes) pcre2_code_free(code);
}
BENCHMARK(BM_ReferenceJitScan)->Unit(benchmark::kMillisecond)->MinTime(2);

// Every pattern compiled (and JIT-compiled) anew, as at the first START.
void BM_DictionaryLoadCompilingEveryEntry(benchmark::State& state) {
  const Workload& w = WorkloadGet();
  RegexCacheCapacitySet(0);
  size_t entries = 0;
  for (auto _ : state) {
    TChatFilter filter;
    DictionaryLoad(filter, {w.folder.Path()});
    entries += filter.Dictionary.size();
  }
  benchmark::DoNotOptimize(entries);
  RegexCacheCapacitySet(4096);
}
BENCHMARK(BM_DictionaryLoadCompilingEveryEntry)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
