// The log folder's names and files the viewers write: conversation.log, a transcript's name, and
// the first line whose stamp tells a new conversation from an old one.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "viewer/transcripts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  Text fileName = Utf8ToText(input.Piece());
  std::string_view head = input.Piece();
  // Any moment, the ends of time_t's range included.
  std::time_t when = 0;
  for (int i = 0; i < 8; ++i) when = when << 8 | input.Byte();
  TConversationIndex index = ConversationLogParse(input.Rest());
  for (const auto& [key, transcript] : index) {
    if (key.empty() || transcript.name.empty()) std::abort();
  }
  std::optional<TTranscript> transcript = TranscriptOf(fileName, index);
  // A transcript always has a name to say; the chat files never are one.
  if (transcript && transcript->name.empty()) std::abort();
  if (transcript && (fileName == u"chat.txt" || !fileName.ends_with(u".txt"))) std::abort();
  std::optional<bool> fresh = FirstStampNotOlder(head, when);
  // Undecided only while the first line is not whole.
  if (!fresh && head.find('\n') != std::string_view::npos) std::abort();
  return 0;
}
