#include "viewer/transcripts.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "viewer/viewer.h"

namespace {

constexpr TextView kTranscriptExtension = u".txt";
constexpr TextView kGroupSuffix = u" (group)";

// The other files a viewer keeps with .txt names in the account's folder.
constexpr std::array<TextView, 7> kViewerFiles = {
    u"avatar_icons_cache.txt",   u"cef_log.txt",        u"plugin_cookies.txt",
    u"render_mute_settings.txt", u"search_history.txt", u"teleport_history.txt",
    u"typed_locations.txt"};

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsHexDigit(char16_t c) { return IsDigit(c) || (c >= u'a' && c <= u'f'); }

// Whether text matches form, where '9' stands for a digit and 'f' for a lower-case hex digit.
bool Matches(TextView text, TextView form) {
  if (text.size() != form.size()) return false;
  for (size_t i = 0; i < form.size(); ++i) {
    bool ok = form[i] == u'9'   ? IsDigit(text[i])
              : form[i] == u'f' ? IsHexDigit(text[i])
                                : text[i] == form[i];
    if (!ok) return false;
  }
  return true;
}

bool EndsWithForm(TextView text, TextView form) {
  return text.size() >= form.size() && Matches(text.substr(text.size() - form.size()), form);
}

// A name as the viewers make a file name of it (every character a file system or a glob may
// refuse becomes "_"), in lower case: the same for the file and for conversation.log's entry.
Text TranscriptKey(TextView name) {
  constexpr TextView kReplaced = u"\"'\\/?*:.<>|[]{}~";
  Text key = AsciiLower(name);
  for (char16_t& c : key) {
    if (kReplaced.find(c) != TextView::npos) c = u'_';
  }
  return key;
}

// "Ann_Example" as said.
Text Spoken(TextView name) {
  Text spoken(name);
  std::replace(spoken.begin(), spoken.end(), u'_', u' ');
  return spoken;
}

// The conference's name in an ad-hoc transcript's name: "Ann Example Conference <stamp> f0f4"
// (invited) or "Ad-hoc Conference hash<id>" (started by you).
std::optional<Text> ConferenceName(TextView stem) {
  constexpr TextView kInvited = u" 9999_99_99 99_99 ffff";
  constexpr TextView kStarted = u" hashffffffff-ffff-ffff-ffff-ffffffffffff";
  if (EndsWithForm(stem, kInvited) &&
      stem.substr(0, stem.size() - kInvited.size()).ends_with(u" Conference")) {
    return Spoken(stem.substr(0, stem.size() - kInvited.size()));
  }
  if (EndsWithForm(stem, kStarted) && stem.size() > kStarted.size()) {
    return Spoken(stem.substr(0, stem.size() - kStarted.size()));
  }
  return std::nullopt;
}

// %XX escapes undone (the viewers escape names in conversation.log so).
std::string UriUnescaped(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned value = 0;
    if (text[i] == '%' && i + 2 < text.size() &&
        std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16).ptr ==
            text.data() + i + 3) {
      out += static_cast<char>(value);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

// One conversation.log line, "[time] type 0 offline name| participant session file|": the
// transcript's name and its conversation.
std::optional<std::pair<Text, TTranscript>> ConversationLineParse(std::string_view line) {
  size_t close = line.find("] ");
  if (!line.starts_with('[') || close == std::string_view::npos) return std::nullopt;
  std::string_view rest = line.substr(close + 2);
  if (rest.size() < 6 || rest[1] != ' ' || rest[0] < '0' || rest[0] > '2') return std::nullopt;
  auto kind = static_cast<TTranscriptKind>(rest[0] - '0');
  // "0 offline " after the type; the name runs to the first "| ".
  size_t nameStart = rest.find(' ', 2);
  size_t nameEnd = rest.find("| ");
  if (nameStart == std::string_view::npos || nameEnd == std::string_view::npos ||
      nameEnd < nameStart) {
    return std::nullopt;
  }
  nameStart = rest.find(' ', nameStart + 1);
  if (nameStart == std::string_view::npos || nameStart > nameEnd) return std::nullopt;
  std::string_view name = rest.substr(nameStart + 1, nameEnd - nameStart - 1);
  // Two ids, then the transcript's name up to the last "|".
  std::string_view ids = rest.substr(nameEnd + 2);
  size_t fileStart = ids.find(' ', ids.find(' ') + 1);
  size_t fileEnd = ids.rfind('|');
  if (fileStart == std::string_view::npos || fileEnd == std::string_view::npos ||
      fileEnd <= fileStart) {
    return std::nullopt;
  }
  std::string_view file = ids.substr(fileStart + 1, fileEnd - fileStart - 1);
  // Ad-hoc conferences' names are written as they are.
  bool escaped = kind != TTranscriptKind::kConference;
  Text spoken = Utf8ToText(escaped ? UriUnescaped(name) : std::string(name));
  Text key = TranscriptKey(Utf8ToText(escaped ? UriUnescaped(file) : std::string(file)));
  if (key.empty() || spoken.empty()) return std::nullopt;
  return std::make_pair(std::move(key), TTranscript{kind, std::move(spoken)});
}

}  // namespace

TConversationIndex ConversationLogParse(std::string_view bytes) {
  TConversationIndex index;
  while (!bytes.empty()) {
    size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (auto entry = ConversationLineParse(line)) index[entry->first] = std::move(entry->second);
    bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
  }
  return index;
}

std::optional<TTranscript> TranscriptOf(TextView fileName, const TConversationIndex& index) {
  if (!fileName.ends_with(kTranscriptExtension) || fileName == u"chat.txt" ||
      IsDatedChatFileName(fileName) ||
      std::find(kViewerFiles.begin(), kViewerFiles.end(), fileName) != kViewerFiles.end()) {
    return std::nullopt;
  }
  TextView stem = fileName.substr(0, fileName.size() - kTranscriptExtension.size());
  // Dated file names add the month to IM and group transcripts.
  if (EndsWithForm(stem, u"-9999-99")) stem.remove_suffix(8);
  if (stem.empty()) return std::nullopt;
  if (auto indexed = index.find(TranscriptKey(stem)); indexed != index.end()) {
    return indexed->second;
  }
  if (stem.ends_with(kGroupSuffix) && stem.size() > kGroupSuffix.size()) {
    return TTranscript{TTranscriptKind::kGroup,
                       Spoken(stem.substr(0, stem.size() - kGroupSuffix.size()))};
  }
  if (std::optional<Text> conference = ConferenceName(stem)) {
    return TTranscript{TTranscriptKind::kConference, *conference};
  }
  return TTranscript{TTranscriptKind::kIm, Spoken(stem)};
}

namespace {

// Days since 1970-01-01 of a civil date (the proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  int64_t era = (year >= 0 ? year : year - 399) / 400;
  auto yoe = static_cast<unsigned>(year - era * 400);
  unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

// A wall clock's reading, in minutes since 1970-01-01 00:00 of that clock.
struct WallTime {
  int64_t days = 0;
  int minutes = 0;
  int64_t Total() const { return days * 24 * 60 + minutes; }
};

WallTime UtcWallTime(int64_t seconds);

WallTime LocalWallTime(std::time_t when) {
  const std::tm* found = std::localtime(&when);
  if (!found) return UtcWallTime(static_cast<int64_t>(when));  // out of the library's range
  std::tm local = *found;
  return {DaysFromCivil(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                        static_cast<unsigned>(local.tm_mday)),
          local.tm_hour * 60 + local.tm_min};
}

WallTime UtcWallTime(int64_t seconds) {
  int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  return {days, static_cast<int>((seconds - days * 86400) / 60)};
}

// The day of the n-th Sunday (n 1-based) of a month, as days since 1970.
int64_t NthSunday(int64_t year, unsigned month, int n) {
  int64_t first = DaysFromCivil(year, month, 1);
  int64_t weekday = (first + 4) % 7;  // 1970-01-01 was a Thursday; 0 is Sunday
  return first + (7 - weekday) % 7 + int64_t{7} * (n - 1);
}

// The year of a day since 1970.
int64_t CivilYear(int64_t days) {
  int64_t z = days + 719468;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  return yoe + era * 400 + ((5 * doy + 2) / 153 >= 10 ? 1 : 0);
}

// Second Life time: US Pacific, daylight saving from the second Sunday of March 2:00 to the
// first Sunday of November 2:00.
WallTime PacificWallTime(std::time_t when) {
  auto seconds = static_cast<int64_t>(when);
  // The UTC day's year: it differs from the Pacific one only for hours of winter time.
  int64_t year = CivilYear(UtcWallTime(seconds).days);
  constexpr int64_t kHour = 3600, kDay = 24 * kHour;
  int64_t summerStart = NthSunday(year, 3, 2) * kDay + 10 * kHour;  // 2:00 PST in UTC
  int64_t summerEnd = NthSunday(year, 11, 1) * kDay + 9 * kHour;    // 2:00 PDT in UTC
  bool summer = seconds >= summerStart && seconds < summerEnd;
  return UtcWallTime(seconds - (summer ? 7 : 8) * kHour);
}

// Digits from text at pos, at most most of them; nothing when there are none.
std::optional<unsigned> NumberAt(std::string_view text, size_t& pos, size_t most) {
  unsigned value = 0;
  size_t start = pos;
  while (pos < text.size() && pos - start < most && text[pos] >= '0' && text[pos] <= '9') {
    value = value * 10 + static_cast<unsigned>(text[pos++] - '0');
  }
  return pos == start ? std::nullopt : std::optional<unsigned>(value);
}

struct Stamp {
  std::optional<int64_t> day;  // days since 1970, when the stamp has a date
  int minutes = 0;             // of its day
};

// "[2026/12/10 04:20]", "[2026/12/10 4:20:05 PM]", "[04:20]".
std::optional<Stamp> StampParse(std::string_view line) {
  if (!line.starts_with('[')) return std::nullopt;
  size_t pos = 1;
  Stamp stamp;
  std::optional<unsigned> first = NumberAt(line, pos, 4);
  if (first && pos < line.size() && line[pos] == '/') {
    std::optional<unsigned> month = NumberAt(line, ++pos, 2);
    if (!month || pos >= line.size() || line[pos] != '/') return std::nullopt;
    std::optional<unsigned> day = NumberAt(line, ++pos, 2);
    if (!day || pos >= line.size() || line[pos] != ' ') return std::nullopt;
    stamp.day = DaysFromCivil(*first, *month, *day);
    first = NumberAt(line, ++pos, 2);
  }
  if (!first || pos >= line.size() || line[pos] != ':') return std::nullopt;
  std::optional<unsigned> minute = NumberAt(line, ++pos, 2);
  if (!minute) return std::nullopt;
  if (pos < line.size() && line[pos] == ':') NumberAt(line, ++pos, 2);
  unsigned hour = *first % 24;
  std::string_view rest = line.substr(pos, 4);
  if (rest == " PM]" || rest == " pm]") hour = hour % 12 + 12;
  if (rest == " AM]" || rest == " am]") hour %= 12;
  stamp.minutes = static_cast<int>(hour * 60 + *minute);
  return stamp;
}

}  // namespace

std::optional<bool> FirstStampNotOlder(std::string_view head, std::time_t when) {
  // Clocks from 1970 to the end of year 9999, the range a stamp can name.
  when = std::clamp<std::time_t>(when, 0, 253402300799);
  size_t end = head.find('\n');
  if (end == std::string_view::npos) return std::nullopt;
  if (head.starts_with("\xEF\xBB\xBF")) head.remove_prefix(3);
  std::optional<Stamp> stamp = StampParse(head);
  if (!stamp) return false;
  for (WallTime clock : {LocalWallTime(when), PacificWallTime(when)}) {
    WallTime said{stamp->day.value_or(clock.days), stamp->minutes};
    if (said.Total() >= clock.Total() - 1) return true;
  }
  return false;
}
