// The decoders and line splitting: well-formed text out of any bytes, and UTF-8 round trips.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "platform/platform.h"

namespace {

void WellFormedCheck(const Text& text) {
  Text repaired = text;
  SurrogatesRepair(repaired);
  if (repaired != text) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  std::string_view bytes = input.Rest();
  for (const Text& text : {Utf8ToText(bytes), Utf16LeToText(bytes), Utf16BeToText(bytes),
                           AnsiCodePageToText(bytes)}) {
    WellFormedCheck(text);
    if (Utf8ToText(TextToUtf8(text)) != text) std::abort();
    LineList lines = LinesSplit(text);
    for (const Text& line : lines) {
      if (line.find_first_of(u"\r\n") != Text::npos) std::abort();
    }
  }
  if (Utf8MarkSkip(bytes).size() + (ByteOrderMarkGet(bytes) == ByteOrderMark::kUtf8 ? 3 : 0) !=
      bytes.size()) {
    std::abort();
  }
  return 0;
}
