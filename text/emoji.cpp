#include "text/emoji.h"

#include <algorithm>
#include <iterator>

namespace {

struct EmojiNames {
  const char16_t* language;
  const char16_t* const* names;  // in kEmojiKeys' order; nullptr where CLDR has none
};

#include "text/emoji_table.inc"

constexpr char16_t kJoiner = 0x200D;

bool IsBlank(char16_t c) { return c <= u' '; }
bool IsAsciiPunctuation(char16_t c) {
  return c < 0x80 && TextView(u"!\"',.:;?)]}").find(c) != TextView::npos;
}

bool IsRegionalIndicator(char32_t c) { return c >= 0x1F1E6 && c <= 0x1F1FF; }
bool IsSkinTone(char32_t c) { return c >= 0x1F3FB && c <= 0x1F3FF; }
bool IsVariationSelector(char32_t c) { return c == 0xFE0E || c == 0xFE0F; }
bool IsTag(char32_t c) { return c >= 0xE0020 && c <= 0xE007F; }
bool IsKeycapBase(char16_t c) { return c == u'#' || c == u'*' || (c >= u'0' && c <= u'9'); }

// Whether an emoji may start at i: every emoji but the keycaps lies at U+00A9 or above, and
// between U+00AE and U+203C there is none.
bool MayStartEmoji(TextView text, size_t i) {
  char16_t c = text[i];
  if (c < 0xA9) {
    return IsKeycapBase(c) && i + 1 < text.size() &&
           (text[i + 1] == 0xFE0F || text[i + 1] == 0x20E3);
  }
  return c == 0xA9 || c == 0xAE || c >= 0x203C;
}

struct Cluster {
  size_t end;  // one past its last unit
  Text key;    // as the table holds it: without variation selectors and skin tones
};

// The emoji sequence starting at i: a flag's two regional indicators, or a character with its
// variation selectors, skin tones, keycap mark, tags and joined characters.
Cluster ClusterAt(TextView text, size_t i) {
  auto [first, units] = CodePointAt(text, i);
  Cluster cluster{i + units, Text(text.substr(i, units))};
  if (IsRegionalIndicator(first)) {
    if (cluster.end < text.size()) {
      auto [second, secondUnits] = CodePointAt(text, cluster.end);
      if (IsRegionalIndicator(second)) {
        cluster.key.append(text.substr(cluster.end, secondUnits));
        cluster.end += secondUnits;
      }
    }
    return cluster;
  }
  while (cluster.end < text.size()) {
    auto [c, n] = CodePointAt(text, cluster.end);
    if (c == kJoiner && cluster.end + 1 < text.size()) {
      auto [joined, joinedUnits] = CodePointAt(text, cluster.end + 1);
      if (joined < 0xA9) break;
      cluster.key.append(text.substr(cluster.end, 1 + joinedUnits));
      cluster.end += 1 + joinedUnits;
      continue;
    }
    if (c == 0x20E3 || IsTag(c)) {
      cluster.key.append(text.substr(cluster.end, n));
    } else if (!IsVariationSelector(c) && !IsSkinTone(c)) {
      break;
    }
    cluster.end += n;
  }
  return cluster;
}

// The key's position in the table; -1 when it has none.
ptrdiff_t KeyIndex(TextView key) {
  auto found = std::lower_bound(std::begin(kEmojiKeys), std::end(kEmojiKeys), key,
                                [](const char16_t* entry, TextView key) { return entry < key; });
  if (found == std::end(kEmojiKeys) || TextView(*found) != key) return -1;
  return found - std::begin(kEmojiKeys);
}

const char16_t* const* NamesIn(TextView language) {
  for (const EmojiNames& names : kEmojiLanguages) {
    if (names.language == language) return names.names;
  }
  return kEmojiLanguages[0].names;
}

// What an emoji sequence is said as: its name, or its joined parts' names; empty when the table
// knows none of it.
Text ClusterName(TextView key, const char16_t* const* names) {
  auto nameAt = [&](ptrdiff_t index) {
    const char16_t* name = names[index] ? names[index] : kEmojiLanguages[0].names[index];
    return Text(name);
  };
  if (ptrdiff_t index = KeyIndex(key); index >= 0) return nameAt(index);
  Text spoken;
  for (size_t start = 0; start < key.size();) {
    size_t joiner = std::min(key.find(kJoiner, start), key.size());
    if (ptrdiff_t index = KeyIndex(key.substr(start, joiner - start)); index >= 0) {
      if (!spoken.empty()) spoken += u' ';
      spoken += nameAt(index);
    }
    start = joiner + 1;
  }
  return spoken;
}

bool OnlyBlanks(TextView text) { return std::all_of(text.begin(), text.end(), IsBlank); }

}  // namespace

Text EmojiSpoken(TextView text, TEmojiMode mode, TextView language) {
  const char16_t* const* names = NamesIn(language);
  Text spoken;
  size_t copied = 0;  // text before this is in spoken already
  Text lastKey;       // the emoji said last, and where it ended
  size_t lastEnd = Text::npos;
  bool blankOwed = false;  // a word that follows an emoji said or dropped needs a blank before it
  auto textAppend = [&](TextView part) {
    if (part.empty()) return;
    if (blankOwed && !IsBlank(part[0]) && !IsAsciiPunctuation(part[0])) spoken += u' ';
    spoken.append(part);
    blankOwed = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (!MayStartEmoji(text, i)) continue;
    Cluster cluster = ClusterAt(text, i);
    // A skin tone on its own is dropped, as after an emoji.
    bool stray = IsSkinTone(CodePointAt(text, i).value);
    Text name = stray ? Text() : ClusterName(cluster.key, names);
    if (name.empty() && !stray) {
      i = cluster.end - 1;
      continue;
    }
    bool repeated = cluster.key == lastKey && lastEnd != Text::npos &&
                    OnlyBlanks(text.substr(lastEnd, i - lastEnd));
    if (!repeated) {
      textAppend(text.substr(copied, i - copied));
      if (!stray && mode == TEmojiMode::kNamed) {
        if (!spoken.empty() && !IsBlank(spoken.back())) spoken += u' ';
        spoken += name;
      }
      blankOwed = !spoken.empty() && !IsBlank(spoken.back());
    }
    copied = cluster.end;
    lastKey = std::move(cluster.key);
    lastEnd = cluster.end;
    i = cluster.end - 1;
  }
  if (copied == 0) return Text(text);
  textAppend(text.substr(copied));
  return spoken;
}

Text EmojiLanguageOf(TextView languageBase) {
  // Windows names a voice's language by its primary language id.
  static const std::pair<const char16_t*, const char16_t*> kLanguageIds[] = {
      {u"lcid:4", u"zh"},  {u"lcid:7", u"de"},  {u"lcid:9", u"en"},  {u"lcid:10", u"es"},
      {u"lcid:12", u"fr"}, {u"lcid:16", u"it"}, {u"lcid:17", u"ja"}, {u"lcid:19", u"nl"},
      {u"lcid:21", u"pl"}, {u"lcid:22", u"pt"}, {u"lcid:25", u"ru"},
  };
  for (const auto& [id, language] : kLanguageIds) {
    if (languageBase == id) return language;
  }
  for (const EmojiNames& names : kEmojiLanguages) {
    if (languageBase == names.language) return names.language;
  }
  return kEmojiLanguages[0].language;
}
