#include "text/plain_letters.h"

#include <algorithm>
#include <iterator>

namespace {

struct PlainFold {
  char32_t decorated;
  const char16_t* plain;
};

constexpr PlainFold kFolds[] = {
#include "text/plain_letters_table.inc"
};

static_assert(std::is_sorted(std::begin(kFolds), std::end(kFolds),
                             [](const PlainFold& a, const PlainFold& b) {
                               return a.decorated < b.decorated;
                             }));

// Below the first decorative letter (the IPA block's small capitals) nothing is folded.
constexpr char32_t kFirstDecorated = kFolds[0].decorated;

const char16_t* PlainOf(char32_t c) {
  if (c < kFirstDecorated) return nullptr;
  auto found =
      std::lower_bound(std::begin(kFolds), std::end(kFolds), c,
                       [](const PlainFold& fold, char32_t c) { return fold.decorated < c; });
  return found != std::end(kFolds) && found->decorated == c ? found->plain : nullptr;
}

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

Text PlainLetters(TextView text) {
  Text plain;
  size_t copied = 0;  // text before this is in plain already
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c < kFirstDecorated) continue;
    size_t units = 1;
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      units = 2;
    }
    if (const char16_t* fold = PlainOf(c)) {
      if (plain.empty()) plain.reserve(text.size());
      plain.append(text.substr(copied, i - copied)).append(fold);
      copied = i + units;
    }
    i += units - 1;
  }
  if (copied == 0) return Text(text);
  return plain.append(text.substr(copied));
}
