// What a speech-dispatcher server sends, as the SSIP reader splits it (fed in two pieces, as the
// socket may hand it), and texts as SPEAK's data: never a crash, and no block left half-read
// once its last line has come; chat as SSML: no markup but the marks the text is given.
#include <algorithm>
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "speech/runtime/ssip_posix.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  std::string bytes(input.Rest());
  SsipReader whole, split;
  whole.Feed(bytes);
  size_t cut = bytes.empty() ? 0 : data[0] % (bytes.size() + 1);
  split.Feed(std::string_view(bytes).substr(0, cut));
  split.Feed(std::string_view(bytes).substr(cut));
  if (whole.replies.size() != split.replies.size() ||
      whole.notices.size() != split.notices.size()) {
    std::abort();
  }
  std::string speak = SsipSpeakData(bytes);
  if (speak.size() < 5 || speak.compare(speak.size() - 5, 5, "\r\n.\r\n") != 0) std::abort();
  std::string ssml = SsmlWithLineMarks(Utf8ToText(bytes));
  size_t tags = 0;
  for (size_t at = ssml.find('<'); at != std::string::npos; at = ssml.find('<', at + 1)) {
    bool ours = ssml.compare(at, 12, "<mark name=\"") == 0 || ssml.compare(at, 7, "<speak>") == 0 ||
                ssml.compare(at, 8, "</speak>") == 0;
    if (!ours) std::abort();
    ++tags;
  }
  if (static_cast<size_t>(std::count(ssml.begin(), ssml.end(), '>')) != tags) std::abort();
  return 0;
}
