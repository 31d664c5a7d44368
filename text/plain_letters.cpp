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

}  // namespace

Text PlainLetters(TextView text) {
  Text plain;
  size_t copied = 0;  // text before this is in plain already
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] < kFirstDecorated) continue;
    auto [c, units] = CodePointAt(text, i);
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
