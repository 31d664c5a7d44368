#include "platform/unicode.h"

#include <cstdint>

namespace {

// Length of the sequence a lead byte announces, and the valid range of its second byte
// (the ranges exclude overlong forms, surrogates and values above U+10FFFF).
struct LeadInfo {
  int length;
  unsigned char secondMin;
  unsigned char secondMax;
};

LeadInfo LeadInfoGet(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
  if (lead == 0xE0) return {3, 0xA0, 0xBF};
  if (lead >= 0xE1 && lead <= 0xEC) return {3, 0x80, 0xBF};
  if (lead == 0xED) return {3, 0x80, 0x9F};
  if (lead >= 0xEE && lead <= 0xEF) return {3, 0x80, 0xBF};
  if (lead == 0xF0) return {4, 0x90, 0xBF};
  if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
  if (lead == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

void CodePointAppend(Text& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

CodePoint CodePointAt(TextView text, size_t i) {
  if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
    return {0x10000 + ((char32_t{text[i]} - 0xD800) << 10) + (text[i + 1] - 0xDC00u), 2};
  }
  return {text[i], 1};
}

void SurrogatesRepair(Text& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      text[i] = kReplacementChar;
    }
  }
}

namespace {

template <bool kBigEndian>
Text Utf16ToText(std::string_view bytes) {
  Text out;
  out.reserve(bytes.size() / 2 + 1);
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    auto b0 = static_cast<unsigned char>(bytes[i]);
    auto b1 = static_cast<unsigned char>(bytes[i + 1]);
    out.push_back(kBigEndian ? static_cast<char16_t>(b0 << 8 | b1)
                             : static_cast<char16_t>(b1 << 8 | b0));
  }
  if (bytes.size() % 2 != 0) out.push_back(kReplacementChar);
  SurrogatesRepair(out);
  return out;
}

}  // namespace

Text Utf8ToText(std::string_view bytes) {
  Text out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    auto lead = static_cast<unsigned char>(bytes[i]);
    if (lead < 0x80) {
      out.push_back(lead);
      ++i;
      continue;
    }
    LeadInfo info = LeadInfoGet(lead);
    char32_t cp = lead & (0xFF >> (info.length + 1));
    size_t used = 1;
    bool complete = info.length > 0;
    for (int k = 1; complete && k < info.length; ++k) {
      if (i + k >= bytes.size()) {
        complete = false;
        break;
      }
      auto b = static_cast<unsigned char>(bytes[i + k]);
      unsigned char lo = k == 1 ? info.secondMin : 0x80;
      unsigned char hi = k == 1 ? info.secondMax : 0xBF;
      if (b < lo || b > hi) {
        complete = false;
        break;
      }
      cp = cp << 6 | (b & 0x3F);
      ++used;
    }
    if (complete) {
      CodePointAppend(out, cp);
    } else {
      out.push_back(kReplacementChar);
    }
    i += used;
  }
  return out;
}

std::string TextToUtf8(TextView text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    auto [cp, units] = CodePointAt(text, i);
    if (units == 2) {
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      cp = kReplacementChar;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | cp >> 6));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | cp >> 12));
      out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | cp >> 18));
      out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

ByteOrderMark ByteOrderMarkGet(std::string_view bytes) {
  for (ByteOrderMark mark :
       {ByteOrderMark::kUtf8, ByteOrderMark::kUtf16Le, ByteOrderMark::kUtf16Be}) {
    if (bytes.substr(0, ByteOrderMarkBytes(mark).size()) == ByteOrderMarkBytes(mark)) return mark;
  }
  return ByteOrderMark::kNone;
}

std::string_view ByteOrderMarkBytes(ByteOrderMark mark) {
  switch (mark) {
    case ByteOrderMark::kUtf8:
      return "\xEF\xBB\xBF";
    case ByteOrderMark::kUtf16Le:
      return "\xFF\xFE";
    case ByteOrderMark::kUtf16Be:
      return "\xFE\xFF";
    case ByteOrderMark::kNone:
      break;
  }
  return {};
}

std::string_view Utf8MarkSkip(std::string_view bytes) {
  if (ByteOrderMarkGet(bytes) == ByteOrderMark::kUtf8) bytes.remove_prefix(3);
  return bytes;
}

Text Utf16LeToText(std::string_view bytes) { return Utf16ToText<false>(bytes); }
Text Utf16BeToText(std::string_view bytes) { return Utf16ToText<true>(bytes); }

LineList LinesSplit(TextView text) {
  LineList lines;
  size_t end = text.find(u'\0');
  if (end != TextView::npos) text = text.substr(0, end);
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'\r' && text[i] != u'\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

Text LinesJoin(const LineList& lines) {
  Text out;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) out += u"\r\n";
    out += lines[i];
  }
  return out;
}

Text AsciiToText(std::string_view ascii) { return Text(ascii.begin(), ascii.end()); }

Text Trim(TextView text) {
  size_t start = 0, end = text.size();
  while (start < end && text[start] <= u' ') ++start;
  while (end > start && text[end - 1] <= u' ') --end;
  return Text(text.substr(start, end - start));
}

Text AsciiLower(TextView text) {
  Text out(text);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return out;
}
