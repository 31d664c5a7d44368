// The three text modes over random line lists and options: never a crash, and every text they
// give is well-formed UTF-16.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "text/regex.h"
#include "text/uText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  uint8_t choice = input.Byte();
  auto mode = static_cast<TTextMode>(choice % 3);
  TChatOptions options{(choice >> 2) % 4, (choice >> 4) % 2, ((choice >> 5) & 1) != 0};
  Text mask = Utf8ToText(input.Piece());
  TChatFilter filter;
  if (choice & 0x80) {
    filter.WhiteListMode = true;
    filter.UserList = {u"ann.example", u"bob"};
  }
  LineList lines = LinesSplit(Utf8ToText(input.Rest()));
  Text spoken;
  try {
    spoken = ModeTextGet({mode, filter, options, mask}, lines);
  } catch (const RegexError&) {
    return 0;  // a mask the library refuses (START refuses it too)
  }
  Text repaired = spoken;
  SurrogatesRepair(repaired);
  if (repaired != spoken) std::abort();
  return 0;
}
