// Dictionary and speaker-list files as residents write them, loaded and applied to chat.
#include "fuzz/fuzz_input.h"
#include "text/regex.h"
#include "text/speaker_key.h"
#include "text/uText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  TChatFilter filter;
  LineList dictionary = LinesSplit(Utf8ToText(input.Piece()));
  if (!dictionary.empty()) dictionary[0] = kDictionaryHeader;
  try {
    DictionaryLinesLoad(filter, dictionary, "Dictionary.txt");
  } catch (const RegexError&) {
    return 0;  // START shows it; the table stays as it was
  }
  LineList list = LinesSplit(Utf8ToText(input.Piece()));
  if (!list.empty()) list[0] = kUserListHeader;
  filter.WhiteListMode = input.Byte() & 1;
  UserListLinesLoad(filter, list, u"BlackList.txt");
  LineList voices = list;
  if (!voices.empty()) voices[0] = kVoiceListHeader;
  VoiceListLinesLoad(filter, voices);
  LineList chat = LinesSplit(Utf8ToText(input.Rest()));
  SLChatTextGet(filter, chat, {});
  for (const Text& line : chat) SpokenUserName(line);
  StampTextGet(filter, chat);
  BWListText(filter, u"ann_example", u"KEL VOR A.");
  return 0;
}
