#include "text/speaker_key.h"

namespace {

bool IsAsciiAlnum(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool IsLegacyNamePart(TextView part) {
  if (part.empty()) return false;
  for (char16_t c : part) {
    if (!IsAsciiAlnum(c)) return false;
  }
  return true;
}

bool IsResident(TextView last) { return AsciiLower(last) == u"resident"; }

// The user name inside "Display (user)", when the name ends with such parentheses.
Text ParenthesisedUserName(TextView name) {
  if (name.empty() || name.back() != u')') return Text();
  size_t open = name.rfind(u'(');
  if (open == TextView::npos || open == 0) return Text();
  return UserNameOf(Trim(name.substr(open + 1, name.size() - open - 2)));
}

}  // namespace

Text NameUnescaped(TextView name) {
  Text out(name);
  for (size_t at = out.find(u"%3A"); at != Text::npos; at = out.find(u"%3A", at + 1)) {
    out.replace(at, 3, u":");
  }
  return out;
}

Text UserNameOf(TextView name) {
  if (UserNameCheck(name)) return Text(name);
  size_t blank = name.find(u' ');
  if (blank == TextView::npos) return Text();
  TextView first = name.substr(0, blank), last = name.substr(blank + 1);
  if (!IsLegacyNamePart(first) || !IsLegacyNamePart(last)) return Text();
  Text user = AsciiLower(first);
  if (!IsResident(last)) user += u"." + AsciiLower(last);
  return UserNameCheck(user) ? user : Text();
}

Text SpeakerKey(TextView name) {
  Text written = Trim(NameUnescaped(name));
  if (Text user = ParenthesisedUserName(written); !user.empty()) return user;
  if (Text user = UserNameOf(written); !user.empty()) return user;
  return AsciiLower(written);
}

Text SpokenUserName(TextView name) {
  Text key = SpeakerKey(name);
  Text spoken = UserNameCheck(key) ? key : Trim(NameUnescaped(name));
  size_t dot = spoken.find(u'.');
  if (dot != Text::npos) spoken[dot] = u' ';
  return spoken;
}

bool IsViewerNoticeSpeaker(TextView key) { return key == u"second.life" || key == u"grid"; }

bool IsObjectSpeaker(TextView key) { return !key.empty() && !UserNameCheck(key); }

bool UserNameCheck(TextView text) {
  if (text.empty() || text.size() > 63) return false;
  size_t dots = 0, dotPosition = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'.') {
      ++dots;
      dotPosition = i + 1;
    } else if (!((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z'))) {
      return false;
    }
  }
  if (dots > 1) return false;
  return dots == 1 ? dotPosition <= 32 : text.size() <= 31;
}
