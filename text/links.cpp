#include "text/links.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

// What links are said as.
constexpr char16_t kLinkTo[] = u"link to ";
constexpr char16_t kPlace[] = u"place ";
constexpr char16_t kSomePlace[] = u"a place";
constexpr char16_t kSomeone[] = u"someone";
constexpr char16_t kSomeGroup[] = u"a group";
constexpr char16_t kSomeLink[] = u"a link";

// The schemes of links said short; others are left as written.
constexpr const char16_t* kSchemes[] = {u"http://", u"https://", u"secondlife://",
                                        u"x-grid-location-info://", u"hop://"};
constexpr char16_t kWww[] = u"www.";

bool IsBlank(char16_t c) { return c <= u' ' || c == u'\u3000'; }
bool IsAsciiAlnum(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool StartsWithNoCase(TextView text, TextView prefix) {
  return text.size() >= prefix.size() && AsciiLower(text.substr(0, prefix.size())) == prefix;
}

// The length of the link's scheme and "://" (or "www."), when one starts at i on a word's start.
size_t LinkPrefixAt(TextView text, size_t i) {
  if (i > 0 && (IsAsciiAlnum(text[i - 1]) || text[i - 1] == u'-')) return 0;
  TextView rest = text.substr(i);
  for (TextView scheme : kSchemes) {
    if (StartsWithNoCase(rest, scheme)) return scheme.size();
  }
  if (StartsWithNoCase(rest, kWww) && rest.size() > 4 && IsAsciiAlnum(rest[4])) return 4;
  return 0;
}

// Where a link written into text at start ends: at a blank or a character no address holds,
// without the punctuation a sentence puts after it, nor a closing parenthesis it does not open.
size_t LinkEnd(TextView text, size_t start) {
  size_t end = start;
  ptrdiff_t unclosed = 0;  // "(" less ")" in the link
  while (end < text.size() && !IsBlank(text[end]) &&
         TextView(u"<>\"[]").find(text[end]) == TextView::npos) {
    unclosed += text[end] == u'(' ? 1 : text[end] == u')' ? -1 : 0;
    ++end;
  }
  while (end > start) {
    char16_t last = text[end - 1];
    if (last == u')' && unclosed < 0) {
      ++unclosed;
    } else if (TextView(u".,;:!?'").find(last) == TextView::npos) {
      break;
    }
    --end;
  }
  return end;
}

// The path's parts between "/": "Region/1/2/3" -> "Region", "1", "2", "3".
std::vector<Text> PathParts(TextView path) {
  std::vector<Text> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t slash = std::min(path.find(u'/', start), path.size());
    parts.emplace_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  return parts;
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// A region's name as an address writes it, "%20" for a blank.
Text PercentDecoded(TextView part) {
  std::string bytes;
  for (size_t i = 0; i < part.size(); ++i) {
    if (part[i] == u'%' && i + 2 < part.size() && HexValue(part[i + 1]) >= 0 &&
        HexValue(part[i + 2]) >= 0) {
      bytes += static_cast<char>(HexValue(part[i + 1]) * 16 + HexValue(part[i + 2]));
      i += 2;
    } else {
      bytes += TextToUtf8(part.substr(i, 1));
    }
  }
  return Trim(Utf8ToText(bytes));
}

Text PlaceSpoken(const std::vector<Text>& parts, size_t regionAt) {
  Text region = regionAt < parts.size() ? PercentDecoded(parts[regionAt]) : Text();
  return region.empty() ? Text(kSomePlace) : kPlace + region;
}

// A viewer link's path after "app/": "agent/<id>/about", "teleport/Region/1/2/3".
Text AppLinkSpoken(const std::vector<Text>& parts) {
  Text kind = parts.empty() ? Text() : AsciiLower(parts[0]);
  if (kind == u"agent") return kSomeone;
  if (kind == u"group") return kSomeGroup;
  if (kind == u"teleport" || kind == u"worldmap" || kind == u"region") return PlaceSpoken(parts, 1);
  return kSomeLink;
}

// A web address: its host, or the region of a map address.
Text WebLinkSpoken(TextView rest) {
  size_t hostEnd = std::min({rest.find(u'/'), rest.find(u'?'), rest.find(u'#'), rest.size()});
  Text host = AsciiLower(rest.substr(0, hostEnd));
  if (size_t at = host.rfind(u'@'); at != Text::npos) host.erase(0, at + 1);
  if (size_t colon = host.find(u':'); colon != Text::npos) host.erase(colon);
  if (host.rfind(kWww, 0) == 0) host.erase(0, 4);
  if (host == u"maps.secondlife.com" || host == u"slurl.com") {
    std::vector<Text> parts = PathParts(rest.substr(std::min(hostEnd + 1, rest.size())));
    if (!parts.empty() && AsciiLower(parts[0]) == u"secondlife") return PlaceSpoken(parts, 1);
  }
  return kLinkTo + host;
}

Text LinkSpoken(TextView link, size_t prefix) {
  Text scheme = AsciiLower(link.substr(0, prefix));
  TextView rest = link.substr(prefix);
  if (scheme == kWww) return WebLinkSpoken(link);
  if (scheme == u"http://" || scheme == u"https://") return WebLinkSpoken(rest);
  std::vector<Text> parts = PathParts(rest);
  if (scheme == u"hop://") return PlaceSpoken(parts, 1);
  // secondlife:///app/... (an empty host) and OpenSim's x-grid-location-info://grid/app/...
  if (parts.size() > 1 && AsciiLower(parts[1]) == u"app") {
    return AppLinkSpoken(std::vector<Text>(parts.begin() + 2, parts.end()));
  }
  if (scheme == u"secondlife://") return PlaceSpoken(parts, 0);  // secondlife://Region/x/y/z
  return kSomeLink;
}

struct Found {
  size_t end;
  Text spoken;
};

Text LabelSpoken(TextView label, TextView link, size_t prefix) {
  Text text = Trim(label);
  if (!text.empty() && text[0] == u'@') text = Trim(TextView(text).substr(1));
  return text.empty() ? LinkSpoken(link, prefix) : text;
}

// "[label](link)", the form of mentions.
std::optional<Found> LabelFirstAt(TextView text, size_t open) {
  size_t close = text.find_first_of(u"[]", open + 1);
  if (close == TextView::npos || text[close] != u']' || close + 1 >= text.size() ||
      text[close + 1] != u'(') {
    return std::nullopt;
  }
  size_t start = close + 2, prefix = LinkPrefixAt(text, start);
  size_t end = text.find(u')', start);
  if (prefix == 0 || end == TextView::npos) return std::nullopt;
  TextView link = text.substr(start, end - start);
  if (std::any_of(link.begin(), link.end(), IsBlank)) return std::nullopt;
  return Found{end + 1, LabelSpoken(text.substr(open + 1, close - open - 1), link, prefix)};
}

// "[link label]", the viewers' labelled link.
std::optional<Found> LinkFirstAt(TextView text, size_t open) {
  size_t start = open + 1, prefix = LinkPrefixAt(text, start);
  if (prefix == 0) return std::nullopt;
  size_t linkEnd = start;
  while (linkEnd < text.size() && !IsBlank(text[linkEnd]) && text[linkEnd] != u']') ++linkEnd;
  size_t close = text.find_first_of(u"[]", linkEnd);
  if (close == TextView::npos || text[close] != u']') return std::nullopt;
  TextView link = text.substr(start, linkEnd - start);
  return Found{close + 1, LabelSpoken(text.substr(linkEnd, close - linkEnd), link, prefix)};
}

std::optional<Found> LinkAt(TextView text, size_t i) {
  if (text[i] == u'[') {
    if (auto found = LabelFirstAt(text, i)) return found;
    return LinkFirstAt(text, i);
  }
  size_t prefix = LinkPrefixAt(text, i);
  if (prefix == 0) return std::nullopt;
  size_t end = LinkEnd(text, i);
  if (end <= i + prefix) return std::nullopt;
  return Found{end, LinkSpoken(text.substr(i, end - i), prefix)};
}

}  // namespace

bool MayHoldLinks(TextView text) {
  return text.find(u"://") != TextView::npos || text.find(u"www.") != TextView::npos ||
         text.find(u"WWW.") != TextView::npos;
}

Text LinksSpoken(TextView text) {
  if (!MayHoldLinks(text)) return Text(text);
  Text spoken;
  size_t copied = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c != u'[' && c != u'h' && c != u'H' && c != u's' && c != u'S' && c != u'x' && c != u'X' &&
        c != u'w' && c != u'W') {
      continue;
    }
    std::optional<Found> found = LinkAt(text, i);
    if (!found) continue;
    spoken.append(text.substr(copied, i - copied)).append(found->spoken);
    copied = found->end;
    i = found->end - 1;
  }
  return spoken.append(text.substr(copied));
}
