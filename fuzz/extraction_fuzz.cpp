// The three text modes over random line lists and options: never a crash, and every text they
// give is well-formed UTF-16. In the chat mode, a black list line written from a speaker's key
// silences exactly that speaker's entries, whatever the messages hold, and objects are silent
// when asked, and so is all but what concerns you.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "text/regex.h"
#include "text/speaker_key.h"
#include "text/uText.h"

namespace {

void ListSilencesExactlyItsSpeaker(const LineList& lines, const TChatOptions& options) {
  std::vector<TChatEntry> all = SLChatEntriesGet(TChatFilter(), lines, options);
  for (const TChatEntry& entry : all) {
    if (!UserNameCheck(entry.speaker)) continue;
    TChatFilter black;
    UserListLinesLoad(black, {kUserListHeader, entry.speaker}, u"BlackList.txt");
    std::vector<TChatEntry> left = SLChatEntriesGet(black, lines, options);
    std::vector<TChatEntry> others;
    for (const TChatEntry& e : all) {
      if (e.speaker != entry.speaker) others.push_back(e);
    }
    if (left.size() != others.size()) std::abort();
    for (size_t i = 0; i < left.size(); ++i) {
      if (left[i].speaker != others[i].speaker || left[i].text != others[i].text) std::abort();
    }
    return;  // one speaker a run is enough to keep the target fast
  }
}

// With objects silent, no entry comes from an object; each entry says whether it does.
void ObjectsSilencedWhenAsked(const LineList& lines, const TChatOptions& options) {
  for (const TChatEntry& entry : SLChatEntriesGet(TChatFilter(), lines, options)) {
    bool object = IsObjectSpeaker(entry.speaker) && !IsViewerNoticeSpeaker(entry.speaker);
    if (entry.object != object || (object && !options.Objects)) std::abort();
  }
}

// With only what concerns you asked for, every entry is for you or an instant message.
void OnlyWhatConcernsYouWhenAsked(const LineList& lines, const TChatOptions& options) {
  if (options.Mentions != TMentionsMode::kOnly) return;
  for (const TChatEntry& entry : SLChatEntriesGet(TChatFilter(), lines, options)) {
    if (!entry.forYou && !entry.text.starts_with(Text(kImWord) + kSourceSeparator)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  uint8_t choice = input.Byte();
  auto mode = static_cast<TTextMode>(choice % 3);
  TChatOptions options{(choice >> 2) % 4, (choice >> 4) % 2, ((choice >> 5) & 1) != 0};
  options.Objects = ((choice >> 6) & 1) != 0;
  uint8_t conversations = input.Byte();
  options.SpeakIMs = (conversations & 1) != 0;
  options.SpeakGroups = (conversations & 2) != 0;
  options.Mentions = static_cast<TMentionsMode>((conversations >> 2) % 3);
  options.MyNames = {u"ann", u"zoe.example"};
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
  if (mode == TTextMode::kSecondLifeChat) {
    ListSilencesExactlyItsSpeaker(lines, options);
    ObjectsSilencedWhenAsked(lines, options);
    OnlyWhatConcernsYouWhenAsked(lines, options);
  }
  return 0;
}
