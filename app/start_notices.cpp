#include "app/start_notices.h"

#include "app/speech_lines.h"
#include "speech/runtime/sapi_markup.h"

namespace {

constexpr char16_t kGreetingXml[] = u"Thank you for using <pron sym=\"k eh l ! v ao r ah\" />.";
constexpr char16_t kGreetingPlain[] = u"Thank you for using KEL VOR A.";
constexpr char16_t kProductXml[] = u"<pron sym=\"k eh l ! v ao r ah\" />.";
constexpr char16_t kProductPlain[] = u"KEL VOR A.";

TNotice PlainNotice(Text text) { return {SapiXmlEscaped(text), text}; }

}  // namespace

std::vector<TNotice> StartNotices(const TStartChoices& choices, const TChatFilter& filter) {
  std::vector<TNotice> notices = {{kGreetingXml, kGreetingPlain}};
  bool chatMode = choices.textMode == TTextMode::kSecondLifeChat;
  if (choices.viewerLog && chatMode) {
    notices.push_back({BWListText(filter, choices.avatar, kProductXml),
                       BWListText(filter, choices.avatar, kProductPlain)});
  }
  if (chatMode) notices.push_back(PlainNotice(SideFileNotesText(SideFileNotes(filter))));
  if (choices.viewerLog) {
    notices.push_back(PlainNotice(ChatLogNoticeText(choices.viewer, choices.avatarShown,
                                                    choices.account, choices.logExists)));
  }
  std::erase_if(notices, [](const TNotice& notice) { return notice.plain.empty(); });
  return notices;
}
