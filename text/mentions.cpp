#include "text/mentions.h"

#include <algorithm>

namespace {

bool IsWordCharacter(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
         c == u'_' || c >= 0x80;
}

char16_t AsciiLowered(char16_t c) {
  return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

// Whether text holds name (in lower case) at, in any ASCII case; read in place, as every chat
// line is searched.
bool SameFromHere(TextView text, size_t at, TextView name) {
  for (size_t i = 0; i < name.size(); ++i) {
    if (AsciiLowered(text[at + i]) != name[i]) return false;
  }
  return true;
}

}  // namespace

std::vector<Text> MyNamesParse(TextView list) {
  std::vector<Text> names;
  for (size_t start = 0; start <= list.size();) {
    size_t comma = std::min(list.find(u',', start), list.size());
    Text name = AsciiLower(Trim(list.substr(start, comma - start)));
    if (!name.empty() && std::find(names.begin(), names.end(), name) == names.end()) {
      names.push_back(std::move(name));
    }
    start = comma + 1;
  }
  return names;
}

Text MyNamesDefault(TextView accountFolder) {
  Text user = AsciiLower(Trim(accountFolder));
  size_t separator = user.find_first_of(u"_.");
  if (separator == Text::npos) return user;
  user[separator] = u'.';
  return user + u", " + user.substr(0, separator);
}

bool MentionsAny(TextView text, const std::vector<Text>& names) {
  // A dot between word characters joins them: "zoe" is no word of "zoe.example.com" nor of
  // "mail.zoe", but is of "thanks zoe.".
  auto joins = [&](size_t dot, size_t next) {
    return text[dot] == u'.' && next < text.size() && IsWordCharacter(text[next]);
  };
  for (const Text& name : names) {
    if (name.empty() || name.size() > text.size()) continue;
    for (size_t at = 0; at + name.size() <= text.size(); ++at) {
      if (!SameFromHere(text, at, name)) continue;
      size_t end = at + name.size();
      bool wordStarts =
          at == 0 || (!IsWordCharacter(text[at - 1]) && !(at >= 2 && joins(at - 1, at - 2)));
      bool wordEnds = end == text.size() || (!IsWordCharacter(text[end]) && !joins(end, end + 1));
      if (wordStarts && wordEnds) return true;
    }
  }
  return false;
}
