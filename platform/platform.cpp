// Helpers shared by both platform implementations.
#include "platform/platform.h"

#include <algorithm>
#include <limits>

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

// Profile readers drop blanks around a value and one pair of enclosing quotes, double or
// single (Windows); a value so written is quoted to keep it whole.
bool NeedsQuotes(TextView value) {
  if (value.empty()) return false;
  if (IsBlank(value.front()) || IsBlank(value.back())) return true;
  bool enclosed =
      value.front() == value.back() && (value.front() == u'"' || value.front() == u'\'');
  return value.size() >= 2 && enclosed;
}

int DigitValue(char16_t c, int base) {
  int v = -1;
  if (c >= u'0' && c <= u'9') v = c - u'0';
  if (c >= u'a' && c <= u'f') v = c - u'a' + 10;
  if (c >= u'A' && c <= u'F') v = c - u'A' + 10;
  return v < base ? v : -1;
}

}  // namespace

Text PathWithSeparator(TextView folder) {
  Text out(folder);
  if (!out.empty() && out.back() != PathSeparator()) out.push_back(PathSeparator());
  return out;
}

Text PathJoin(TextView folder, TextView name) { return PathWithSeparator(folder) += name; }

Text PathFolderPart(TextView path) {
  size_t last = path.rfind(PathSeparator());
  return last == TextView::npos ? Text() : Text(path.substr(0, last + 1));
}

Text PathNamePart(TextView path) { return Text(path.substr(PathFolderPart(path).size())); }

Text PathFolderOf(TextView path) {
  Text folder = PathFolderPart(path);
  bool root = folder.size() == 1 || (folder.size() == 3 && folder[1] == u':');
  if (!root && !folder.empty()) folder.pop_back();
  return folder;
}

bool TextToInteger(TextView text, int32_t& value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) negative = text[i++] == u'-';
  int base = 10;
  if (i < text.size() && text[i] == u'$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == u'0' &&
             (text[i + 1] == u'x' || text[i + 1] == u'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return false;
  int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    int digit = DigitValue(text[i], base);
    if (digit < 0) return false;
    magnitude = magnitude * base + digit;
    if (magnitude > int64_t{std::numeric_limits<uint32_t>::max()}) return false;
  }
  // Hexadecimal may spell a negative number in two's complement, as $FFFFFFFF for -1.
  if (base == 16 && !negative) {
    value = static_cast<int32_t>(static_cast<uint32_t>(magnitude));
    return true;
  }
  int64_t signedValue = negative ? -magnitude : magnitude;
  if (signedValue < std::numeric_limits<int32_t>::min() ||
      signedValue > std::numeric_limits<int32_t>::max()) {
    return false;
  }
  value = static_cast<int32_t>(signedValue);
  return true;
}

Text ProfileFile::StringGet(TextView section, TextView key, TextView defaultValue) const {
  Text value = RawStringGet(section, key, defaultValue);
  if (value.size() > 2047) value.resize(2047);
  return value;
}

int32_t ProfileFile::IntegerGet(TextView section, TextView key, int32_t defaultValue) const {
  int32_t value = defaultValue;
  return TextToInteger(RawStringGet(section, key, u""), value) ? value : defaultValue;
}

void ProfileFile::StringSet(TextView section, TextView key, TextView text) {
  // A value is one line of the file: a line break (or a NUL, which ends it) would cut it and
  // spill into the keys after it, so each becomes a blank.
  Text value(text);
  std::replace_if(
      value.begin(), value.end(), [](char16_t c) { return c == u'\r' || c == u'\n' || c == 0; },
      u' ');
  // A mask that ends in a blank, or is '.*', is quoted to come back as it was.
  if (!NeedsQuotes(value)) return RawStringSet(section, key, value);
  Text quoted;
  quoted.reserve(value.size() + 2);
  quoted.append(1, u'"').append(value).append(1, u'"');
  RawStringSet(section, key, quoted);
}

void ProfileFile::IntegerSet(TextView section, TextView key, int32_t value) {
  RawStringSet(section, key, AsciiToText(std::to_string(value)));
}

std::string FileRangeRead(TextView path, int64_t offset, size_t count) {
  SharedFile file(path);
  file.Seek(offset);
  return file.Read(count);
}

std::string FileContentsRead(TextView path) {
  SharedFile file(path);
  return file.Read(static_cast<size_t>(file.Size()));
}
