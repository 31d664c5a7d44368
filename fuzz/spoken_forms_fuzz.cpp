// A chat message through each way text is said as meant: each step keeps the text well-formed
// and within its growth bound, folding letters twice changes nothing, and a text without the
// characters a step looks for comes back unchanged.
#include <algorithm>
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "text/emoji.h"
#include "text/links.h"
#include "text/plain_letters.h"

namespace {

void Check(bool holds) {
  if (!holds) std::abort();
}

bool WellFormed(const Text& text) {
  Text repaired = text;
  SurrogatesRepair(repaired);
  return repaired == text;
}

bool AllAscii(TextView text) {
  return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  uint8_t choice = input.Byte();
  Text text = Utf8ToText(input.Rest());

  Text plain = PlainLetters(text);
  Check(WellFormed(plain) && plain.size() <= text.size() * kPlainLettersGrowth);
  Check(PlainLetters(plain) == plain);
  if (AllAscii(text)) Check(plain == text);

  Text links = LinksSpoken(text);
  Check(WellFormed(links) && links.size() <= text.size() * kLinksGrowth);
  if (text.find(u"://") == Text::npos && AsciiLower(text).find(u"www.") == Text::npos) {
    Check(links == text);
  }

  auto mode = (choice & 1) != 0 ? TEmojiMode::kNamed : TEmojiMode::kDropped;
  Text emoji = EmojiSpoken(text, mode, (choice & 2) != 0 ? u"ja" : u"en");
  Check(WellFormed(emoji) && emoji.size() <= text.size() * kEmojiGrowth);
  if (mode == TEmojiMode::kDropped) Check(emoji.size() <= text.size());
  if (AllAscii(text) && text.find(u'\x20E3') == Text::npos) Check(emoji == text);
  return 0;
}
