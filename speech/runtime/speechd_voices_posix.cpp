#include "speech/runtime/speechd_voices_posix.h"

#include <algorithm>
#include <string_view>

#include "platform/platform.h"
#include "speech/runtime/posix_runtimes.h"
#include "speech/runtime/ssip_posix.h"

namespace {

// The voices a person would choose: every language once (espeak-ng's module offers each in a
// hundred variants), the user's own language first; the variants of exactly that language after
// all the others, where they are at hand without burying the list.
std::vector<ServerVoice> VoicesChosen(std::vector<std::pair<ServerVoice, std::string>> listed) {
  auto plain = [](const std::string& variant) { return variant.empty() || variant == "none"; };
  // The user's own language: the plain voice nearest to it.
  std::string own;
  int best = 3;
  for (const auto& [voice, variant] : listed) {
    int rank = LanguageRank(voice.language);
    if (plain(variant) && rank < best) best = rank, own = voice.language;
  }
  std::vector<std::pair<int, ServerVoice>> ranked;
  for (auto& [voice, variant] : listed) {
    if (plain(variant)) {
      ranked.push_back({LanguageRank(voice.language), std::move(voice)});
    } else if (best < 2 && voice.language == own) {
      ranked.push_back({3, std::move(voice)});
    }
  }
  std::stable_sort(ranked.begin(), ranked.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<ServerVoice> voices;
  for (auto& [rank, voice] : ranked) voices.push_back(std::move(voice));
  return voices;
}

// The three tab-separated fields of a line, as the server lists a voice ("name, language,
// variant") and the cache keeps one ("module, name, language"); false for another line.
bool FieldsRead(std::string_view line, std::string (&fields)[3]) {
  size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
  if (tab1 == std::string_view::npos || tab2 == std::string_view::npos) return false;
  fields[0] = line.substr(0, tab1);
  fields[1] = line.substr(tab1 + 1, tab2 - tab1 - 1);
  fields[2] = line.substr(tab2 + 1);
  return true;
}

// The voices listed at the last run in this language, so that a start need not wait for the
// server's listing.
Text VoiceCachePath() {
  Text cache = EnvironmentGet("XDG_CACHE_HOME");
  if (cache.empty()) {
    Text home = EnvironmentGet("HOME");
    if (home.empty()) return Text();
    cache = PathJoin(home, u".cache");
  }
  std::string name = "speech-dispatcher-voices-" + LanguagePreferred() + ".txt";
  return PathJoin(PathJoin(cache, u"kelvora"), Utf8ToText(name));
}

}  // namespace

std::vector<ServerVoice> ServerVoicesList(SsipConnection& connection) {
  std::vector<std::pair<ServerVoice, std::string>> listed;
  SsipBlock modules = connection.Command("LIST OUTPUT_MODULES");
  modules.lines.pop_back();  // "OK MODULE LIST SENT"
  for (const std::string& module : modules.lines) {
    connection.Command("SET SELF OUTPUT_MODULE " + module);
    SsipBlock voices = connection.Command("LIST SYNTHESIS_VOICES");
    voices.lines.pop_back();  // "OK VOICE LIST SENT"
    // "name<TAB>language<TAB>variant" lines
    for (const std::string& line : voices.lines) {
      std::string fields[3];
      if (FieldsRead(line, fields)) listed.push_back({{module, fields[0], fields[1]}, fields[2]});
    }
  }
  return VoicesChosen(std::move(listed));
}

std::vector<ServerVoice> VoiceCacheRead() {
  std::vector<ServerVoice> voices;
  try {
    Text path = VoiceCachePath();
    if (!FileExists(path)) return voices;
    for (const Text& line : LinesSplit(Utf8ToText(FileContentsRead(path)))) {
      std::string fields[3];
      if (FieldsRead(TextToUtf8(line), fields)) voices.push_back({fields[0], fields[1], fields[2]});
    }
  } catch (const PlatformError&) {
  }
  return voices;
}

void VoiceCacheWrite(const std::vector<ServerVoice>& voices) {
  Text path = VoiceCachePath();
  if (path.empty()) return;
  std::string contents;
  for (const ServerVoice& v : voices)
    contents += v.module + '\t' + v.name + '\t' + v.language + '\n';
  try {
    FolderCreate(PathFolderPart(path));
    FileReplace(path, contents);
  } catch (const PlatformError&) {
    // no cache: the next start lists the voices again
  }
}
