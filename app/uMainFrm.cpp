#include "app/uMainFrm.h"

#include <algorithm>
#include <chrono>
#include <set>

#include "app/speech_lines.h"
#include "platform/platform.h"
#include "speech/runtime/sapi_markup.h"
#include "speech/uSpeechLib.h"
#include "viewer/viewer.h"

namespace {

constexpr char16_t kGreetingXml[] = u"Thank you for using <pron sym=\"k eh l ! v ao r ah\" />.";
constexpr char16_t kGreetingPlain[] = u"Thank you for using KEL VOR A.";
constexpr char16_t kProductXml[] = u"<pron sym=\"k eh l ! v ao r ah\" />.";
constexpr char16_t kProductPlain[] = u"KEL VOR A.";

// The image list: the five pictures, then the same five as shown while disabled.
enum ImageIndex { kStart = 0, kStop = 1, kSkip = 2, kBrowse = 3, kDefault = 4, kDisabled = 5 };

constexpr ui::FontSpec kWindowFont{11, false};

}  // namespace

TMainFrm::TMainFrm()
    : MainFrm(u"KELVORA Pro - Chat to Speech", 476, 339, kWindowFont),
      ImageList1({u"start", u"stop", u"skip", u"browse", u"default", u"start_disabled",
                  u"stop_disabled", u"skip_disabled", u"browse_disabled", u"default_disabled"}),
      Panel1(MainFrm, {0, 0, 476, 64}, true),
      Image1(Panel1, {0, 0, 64, 64}, u"logo"),
      Label5(Panel1, {70, 4, 0, 0}, u"KELVORA Pro - Secondlife chat to speech", {16, true}),
      Label6(Panel1, {70, 29, 0, 0}, u"Ver."),
      LinkLabel1(Panel1, {156, 44, 310, 20}, {13, true}),
      Button1(MainFrm, {1, 70, 75, 25}, ImageList1, 8),
      Button3(MainFrm, {76, 70, 75, 25}, ImageList1, 8),
      Label2(MainFrm, {267, 76, 0, 0}, u"Interval[s] :"),
      SpinEdit1(MainFrm, {331, 73, 54, 22}, 1, 10, 2),
      Button2(MainFrm, {391, 70, 75, 25}, ImageList1, 8),
      GroupBox3(MainFrm, {0, 103, 476, 63}, u"Speech"),
      Label3(GroupBox3, {12, 15, 0, 0}, u"Voice:"),
      ComboBox3(GroupBox3, {53, 12, 407, 0}),
      Label7(GroupBox3, {12, 41, 0, 0}, u"Volume:"),
      SpinEdit2(GroupBox3, {53, 38, 54, 22}, 0, 100, 3),
      Label8(GroupBox3, {123, 41, 0, 0}, u"Rate:"),
      SpinEdit3(GroupBox3, {156, 38, 54, 22}, -10, 10, 3),
      GroupBox1(MainFrm, {0, 170, 476, 72}, u"Chat File"),
      RadioButton2(GroupBox1, {12, 16, 0, 0}, u"Viewer"),
      ComboBox1(GroupBox1, {95, 14, 102, 0}),
      Label4(GroupBox1, {208, 17, 0, 0}, u"Avatar Name:"),
      ComboBox2(GroupBox1, {281, 14, 185, 0}),
      RadioButton1(GroupBox1, {12, 42, 0, 0}, u"Selected File"),
      Edit1(GroupBox1, {95, 42, 290, 0}),
      Button4(GroupBox1, {391, 40, 75, 25}, ImageList1, 8),
      GroupBox2(MainFrm, {0, 248, 476, 89}, u"Chat Text Mask"),
      RadioButton4(GroupBox2, {12, 16, 0, 0}, u"Second Life Chat"),
      ComboBox4(GroupBox2, {135, 14, 145, 0}),
      ComboBox5(GroupBox2, {286, 14, 123, 0}),
      RadioButton3(GroupBox2, {12, 38, 0, 0}, u"\uFF3BYYYY/MM/DD hh:mm]"),
      RadioButton5(GroupBox2, {12, 62, 0, 0}, u"Custom(RegEx)"),
      Edit2(GroupBox2, {131, 60, 339, 0}),
      Timer1(MainFrm),
      ChatWatcher(MainFrm),
      WakeTimer(MainFrm),
      Remote(MainFrm),
      Keys(MainFrm),
      Tray(MainFrm) {
  Button1.SetCaption(u"START");
  Button1.SetImages(kStart, kDisabled + kStart);
  Button3.SetCaption(u"Skip");
  Button3.SetImages(kSkip, kDisabled + kSkip);
  Button2.SetCaption(u"Default");
  Button2.SetImages(kDefault, kDisabled + kDefault);
  Button4.SetCaption(u"Browse");
  Button4.SetImages(kBrowse, kDisabled + kBrowse);
  SpinEdit1.SetValue(1);
  SpinEdit2.SetValue(100);
  SpinEdit3.SetValue(0);
  Edit1.SetText(u"chat.txt");
  Edit1.SetEnabled(false);  // shows the selected file; only Browse changes it
  Edit2.SetText(kStampMask);
  for (const char16_t* item : {u"Speak All", u"Speak Translated Text", u"Speak Original Text"}) {
    ComboBox4.ItemAdd(item);
  }
  ComboBox4.SetItemIndex(0);
  for (const char16_t* item : {u"Speak Display Name", u"Speak User Name"}) ComboBox5.ItemAdd(item);
  ComboBox5.SetItemIndex(0);
  Timer1.SetInterval(1000);
  WakeTimer.SetInterval(kWakeDelay);

  using ui::Application;
  Button1.OnClick([this] { AcTimerExecute(); });
  Button3.OnClick([this] { AcSkipExecute(); });
  Button2.OnClick([this] { AcDefaultExecute(); });
  Button4.OnClick([this] { AcBrowseExecute(); });
  SpinEdit1.OnChange([this] { SpinEdit1Change(); });
  ComboBox1.OnChange([this] { ComboBox1Change(); });
  ComboBox2.OnChange([this] { ComboBox2Change(); });
  ComboBox3.OnChange([this] { ComboBox3Change(); });
  for (ui::RadioButton* radio : {&RadioButton3, &RadioButton4, &RadioButton5}) {
    radio->OnClick([this] { RadioButtonXClick(); });
  }
  LinkLabel1.OnClick([this](const Text& target) { LinkLabel1LinkClick(target); });
  Timer1.OnTimer([this] { Timer1Timer(); });
  ChatWatcher.OnChange([this] { ChatWatcherChange(); });
  WakeTimer.OnTimer([this] { WakeTimerTimer(); });
  MainFrm.OnIdle([this] {
    AcTimerUpdate();
    ui::RemoteState state = RemoteStateGet();
    Remote.StateSet(state);
    if (Text tip = TrayTooltipOf(state); tip != TrayTooltip) Tray.TooltipSet(TrayTooltip = tip);
  });
  Remote.OnAction([this](const std::string& action) { RemoteActionTake(action); });
  Keys.OnPress([this](const std::string& action) { RemoteActionTake(action); });
  Tray.MenuSet({{u"Skip", "skip"},
                {u"Pause / Resume", "playpause"},
                {u"Repeat", "repeat"},
                {u"Mute last speaker", "mute"},
                {u"", ""},
                {u"Options...", "options"},
                {u"Show / Hide window", "toggle"},
                {u"Quit", "quit"}});
  Tray.OnAction([this](const std::string& action) { RemoteActionTake(action); });
  MainFrm.MenuAdd(u"Options...", [this] { OptionsDialogRun(); });
  // Signed out with the window open: what the window's destruction would save, saved now.
  MainFrm.OnEndSession([this] { SettingsSave(); });
  // The speech runtimes report from their own threads; the window's thread takes it in.
  TSpeechHandlers speech;
  speech.wake = [] { Application::Post(SpeechEventsRun); };
  speech.trouble = [this](const std::string&) { SpeechWarn(); };
  speech.voicesChanged = [this] { VoiceBoxRefill(); };
  speech.seconds = [this] { return SecondsNow(); };
  SpeechHandlersSet(std::move(speech));
  Application::Dispatch([this] { FormCreate(); });
}

TMainFrm::~TMainFrm() { SpeechHandlersSet({}); }

// --- Creation and destruction ----------------------------------------------------------------

void TMainFrm::FormCreate() {
  VoiceBoxFill();
  Label6.SetText(u"Ver." + VersionGet());
  DialogEncodings.assign(EncodingNames.begin(), EncodingNames.end());
  for (const char16_t* viewer : ViewerNames) ComboBox1.ItemAdd(viewer);
  Users.clear();
  SettingsDefault();
  SettingsLoad();
  HotkeysRegister();
  Monitor.MasterFileSize = -1;
  LinkLabel1.SetLink(kProductPage);
}

void TMainFrm::FormDestroy() {
  SettingsSave();
  Users.clear();
  SpeechClose();
}

void TMainFrm::VoiceBoxFill() {
  bool opened = SpeechOpen();
  // A voice that could not be read is told once; the voices read so far serve.
  if (!opened || !SpeechOpenComplete()) ui::MessageShow(kSapiWarning, ui::MessageKind::kWarning);
  if (!opened) return;
  for (const TVoiceEntry& voice : Voices()) ComboBox3.ItemAdd(voice.name);
  LastVoiceIndex = 0;
  ComboBox3.SetItemIndex(0);
  SpinEdit2.SetValue(SpeechGetVolume(0));
  SpinEdit3.SetValue(SpeechGetRate(0));
}

void TMainFrm::VoiceBoxRefill() {
  int index = ComboBox3.ItemIndex();
  Text shown = index >= 0 ? ComboBox3.ItemText(index) : Text();
  ComboBox3.ItemsClear();
  for (const TVoiceEntry& voice : Voices()) ComboBox3.ItemAdd(voice.name);
  // The voice chosen (by the user, or in Setup.ini), else the one shown, else the first.
  int found = VoiceIndexOf(Options.VoiceName);
  if (found < 0) found = VoiceIndexOf(shown);
  if (found < 0 && !Voices().empty()) found = 0;
  ComboBox3.SetItemIndex(found);
  LastVoiceIndex = found;
}

int TMainFrm::VoiceIndexOf(TextView name) const {
  for (size_t i = 0; !name.empty() && i < Voices().size(); ++i) {
    if (Voices()[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

// --- Settings --------------------------------------------------------------------------------

void TMainFrm::SettingsDefault() {
  // Every choice but the text mode, which stays as it is.
  TSettings defaults;
  ::SettingsDefault(defaults, ComboBox3.ItemCount());
  SettingsToControls(defaults);
  RadioButton1.SetChecked(true);
  UsersUpdate();
}

void TMainFrm::SettingsToControls(const TSettings& s) {
  Edit1.SetText(s.TargetFile);
  ComboBox1.SetItemIndex(s.Viewer);
  Avatar = s.Avatar;
  EncodingIndex = s.Encoding;
  IntervalSet(s.Interval);
  ComboBox3.SetItemIndex(s.Voice);
  // The voice list can differ from the last run's (a voice installed or gone, speech-dispatcher's
  // listing still to come): the stored name finds the voice where the index no longer does.
  Options = s.Options;
  if (int named = VoiceIndexOf(Options.VoiceName); named >= 0) ComboBox3.SetItemIndex(named);
  SpinEdit2.SetValue(s.Volume);
  SpinEdit3.SetValue(s.Rate);
  Edit2.SetText(s.RegEx0);
  ComboBox4.SetItemIndex(s.Translate);
  ComboBox5.SetItemIndex(s.UserName);
}

TOptions TMainFrm::OptionsWithVoiceName() const {
  TOptions options = Options;
  if (int index = ComboBox3.ItemIndex(); index >= 0) options.VoiceName = ComboBox3.ItemText(index);
  return options;
}

TSettings TMainFrm::SettingsFromControls() const {
  TTypeIndex choice = TypeIndexGet();
  return {.FileType = choice.FileIndex,
          .TargetFile = Edit1.GetText(),
          .Viewer = ComboBox1.ItemIndex(),
          .Avatar = Avatar,
          .Encoding = EncodingIndex,
          .Interval = SpinEdit1.Value(),
          .Voice = ComboBox3.ItemIndex(),
          .Volume = SpinEdit2.Value(),
          .Rate = SpinEdit3.Value(),
          .TexType = static_cast<int32_t>(choice.TextMode),
          .RegEx0 = Edit2.GetText(),
          .Translate = ComboBox4.ItemIndex(),
          .UserName = ComboBox5.ItemIndex(),
          .Options = OptionsWithVoiceName()};
}

void TMainFrm::SettingsLoad() {
  TSettings s = ::SettingsLoad(SettingsPath(), SettingsFromControls(), ComboBox3.ItemCount());
  SettingsToControls(s);
  RadioButton1.SetChecked(s.FileType == 0);
  RadioButton2.SetChecked(s.FileType == 1);
  RadioButton3.SetChecked(s.TexType == 0);
  RadioButton4.SetChecked(s.TexType == 1);
  RadioButton5.SetChecked(s.TexType == 2);
  RadioButtonXClick();
  UsersUpdate();
}

void TMainFrm::SettingsSave() { ::SettingsSave(SettingsPath(), SettingsFromControls()); }

// --- Chat file and avatars -------------------------------------------------------------------

TMainFrm::TTypeIndex TMainFrm::TypeIndexGet() const {
  TTextMode textMode = TTextMode::kStamp;
  if (RadioButton4.Checked()) textMode = TTextMode::kSecondLifeChat;
  if (RadioButton5.Checked()) textMode = TTextMode::kCustom;
  return {RadioButton2.Checked() ? 1 : 0, textMode};
}

TChatSource TMainFrm::ChatSourceGet() const {
  if (TypeIndexGet().FileIndex == 1) return TChatSource::kViewerLog;
  return EncodingIndex == 0 ? TChatSource::kSelectedUtf8 : TChatSource::kSelectedSjis;
}

Text TMainFrm::TargetFileGet(int32_t fileIndex) const {
  if (fileIndex == 0) return Edit1.GetText();
  // While monitoring, where START found the log; else where the viewer's settings say it is now.
  if (!LogLocation.Folder.empty()) return ChatLogFileGet(LogLocation);
  return ViewerChatFileGet(ViewerNameAt(ComboBox1.ItemIndex()), AvatarName());
}

void TMainFrm::MasgterFileSizeGet() {
  MasterFileSizeMeasure(Monitor, TargetFileGet(TypeIndexGet().FileIndex), ChatSourceGet());
}

Text TMainFrm::AvatarName() const {
  int index = ComboBox2.ItemIndex();
  return index < 0 || index >= static_cast<int>(Users.size()) ? Text()
                                                              : Users[static_cast<size_t>(index)];
}

void TMainFrm::UsersUpdate() {
  TAvatarList list = AvatarListBuild(ViewerNameAt(ComboBox1.ItemIndex()), Avatar);
  Users = std::move(list.Users);
  ComboBox2.ItemsClear();
  for (const Text& name : list.ShownNames) ComboBox2.ItemAdd(name);
  ComboBox2.SetItemIndex(list.Selected);
}

void TMainFrm::ComboBox1Change() { UsersUpdate(); }

void TMainFrm::ComboBox2Change() {
  int index = ComboBox2.ItemIndex();
  Avatar = index < 0 ? Text() : ComboBox2.ItemText(index);
}

// --- Monitor ---------------------------------------------------------------------------------

void TMainFrm::Timer1Timer() {
  Timer1.SetEnabled(false);
  TTypeIndex choice = TypeIndexGet();
  ChatFileTick(Monitor, TargetFileGet(choice.FileIndex), ChatSourceGet(),
               [this, &choice](const LineList& lines) {
                 Text mask = Edit2.GetText();
                 PiecesSend(ModeSpeechGet({choice.TextMode, ChatFilter, ChatOptions, mask}, lines));
               });
  // Not reached when the tick failed: the timer stays off and monitoring ends.
  Timer1.SetEnabled(true);
  ChatWatchUpdate();  // the file may be another (the next day's) or made anew
}

void TMainFrm::PiecesSend(const std::vector<TSpeechPiece>& pieces) {
  int32_t windowVoice = ComboBox3.ItemIndex();
  auto voiceOf = [&](const TSpeechPiece& piece) { return VoiceOf(piece, windowVoice); };
  for (TVoicedLines& text : PiecesVoiced(pieces, MutedSpeakers, voiceOf)) {
    ASAPISend(std::move(text.lines), text.voice);
  }
}

TVoiceChoice TMainFrm::VoiceOf(const TSpeechPiece& piece, int32_t windowVoice) const {
  // Voices.txt first; then, with AutoVoices, one picked for the speaker; else the window's.
  if (int32_t own = VoiceFind(piece.voice); own >= 0) return {own, 0};
  if (Options.AutoVoices != 0 && AutoVoiceWanted(piece)) {
    return SpeechAutoVoice(piece.speaker, windowVoice, SecondsNow());
  }
  return {windowVoice, 0};
}

void TMainFrm::SpeechWarn() {
  // A modal box runs a message loop, in which the timers, the watcher and speech go on, and
  // speech may fail again: one box at a time.
  if (SpeechWarningOpen) return;
  SpeechWarningOpen = true;
  ui::MessageShow(kSapiWarning, ui::MessageKind::kWarning);
  SpeechWarningOpen = false;
}

void TMainFrm::SpinEdit1Change() {
  // A value typed but not yet brought into range never makes an interval of 0 or less.
  Timer1.SetInterval(std::clamp(SpinEdit1.Value(), 1, 10) * 1000);
}

void TMainFrm::IntervalSet(int seconds) {
  SpinEdit1.SetValue(seconds);
  SpinEdit1Change();
}

// --- Actions ---------------------------------------------------------------------------------

void TMainFrm::AcTimerExecute() {
  bool starting = !Timer1.Enabled();
  if (starting) {
    Text viewer = ViewerNameAt(ComboBox1.ItemIndex());
    TAccountLogSettings account = AccountSettingsLoad(viewer);
    LogLocation = ChatLogLocate(viewer, AvatarName(), account);
    MasgterFileSizeGet();
    const std::vector<Text> folders = SideFileFolders();
    DictionaryLoad(ChatFilter, folders);
    BWListLoad(ChatFilter, folders);
    VoiceListLoad(ChatFilter, folders);
    if (TypeIndexGet().TextMode == TTextMode::kCustom) CustomMaskCheck(Edit2.GetText());
    bool viewerLog = TypeIndexGet().FileIndex == 1;
    ChatOptions = {ComboBox4.ItemIndex(), ComboBox5.ItemIndex(), UseDisplayNamesGet(viewer),
                   !viewerLog || account.Timestamps, Options.MaxLength};
    MutedSpeakers.clear();
    ASAPICheck();
    BWListMsg();
    SideFileNotesMsg();
    ChatLogMsg(account);
  }
  if (!starting) LogLocation = {};
  GroupsEnable(!starting);
  Timer1.SetEnabled(starting);
  WakeTimer.SetEnabled(false);
  ChatWatchUpdate();
}

void TMainFrm::GroupsEnable(bool enabled) {
  for (ui::GroupBox* group : {&GroupBox1, &GroupBox2, &GroupBox3}) group->SetEnabled(enabled);
  Button2.SetEnabled(enabled);  // the action Default
}

void TMainFrm::AcTimerUpdate() {
  bool monitoring = Timer1.Enabled();
  Button1.SetCaption(monitoring ? u"STOP" : u"START");
  Button1.SetImages(monitoring ? kStop : kStart, kDisabled + kStart);
}

void TMainFrm::AcSkipExecute() { ControlActionRun(TControlAction::kSkip); }

void TMainFrm::AcDefaultExecute() {
  SettingsDefault();
  HotkeysRegister();  // the default keys now, not the ones they replace
}

void TMainFrm::AcBrowseExecute() {
  ui::OpenFileRequest request{Text(),          u"\u30C6\u30AD\u30B9\u30C8\u30D5\u30A1\u30A4\u30EB",
                              u"*.txt",        u"txt",
                              DialogEncodings, EncodingIndex};
  Text selected = Edit1.GetText();
  Text viewerFolder = ViewerFolderGet(u"SecondLife");
  if (FileExists(selected)) {
    request.initialFolder = PathFolderPart(selected);
  } else if (FolderExists(viewerFolder)) {
    request.initialFolder = viewerFolder;
    request.encodingIndex = 0;
  }
  std::optional<ui::OpenFileResult> chosen = ui::OpenFileDialog(request);
  if (!chosen) return;
  Edit1.SetText(chosen->path);
  EncodingIndex = chosen->encodingIndex;
}

void TMainFrm::RadioButtonXClick() {
  Edit2.SetEnabled(RadioButton5.Checked());
  ComboBox4.SetEnabled(RadioButton4.Checked());
  ComboBox5.SetEnabled(RadioButton4.Checked());
}

void TMainFrm::LinkLabel1LinkClick(const Text& target) { ShellOpen(target); }

// --- Speaking --------------------------------------------------------------------------------

void TMainFrm::ASAPISend(std::vector<TChatLine> lines, TVoiceChoice voice) {
  bool taken = SpeechSayLines(std::move(lines), voice.voiceIndex, SpinEdit2.Value(),
                              SpinEdit3.Value(),
                              {Options.MaxQueue, Options.CatchUp, Options.NameRepeat}, voice.pitch);
  if (!taken) SpeechWarn();
}

bool TMainFrm::ASAPISendXml(TextView xml, TextView plain) {
  return SpeechSayNotice(xml, plain, ComboBox3.ItemIndex(), SpinEdit2.Value(), SpinEdit3.Value());
}

void TMainFrm::ASAPICheck() { NoticeSend(kGreetingXml, kGreetingPlain); }

void TMainFrm::ASAPISkip() { SpeechPurge(); }

void TMainFrm::BWListMsg() {
  TTypeIndex choice = TypeIndexGet();
  if (choice.FileIndex != 1 || choice.TextMode != TTextMode::kSecondLifeChat) return;
  NoticeSend(BWListText(ChatFilter, AvatarName(), kProductXml),
             BWListText(ChatFilter, AvatarName(), kProductPlain));
}

void TMainFrm::SideFileNotesMsg() {
  if (TypeIndexGet().TextMode != TTextMode::kSecondLifeChat) return;
  Text notes = SideFileNotesText(SideFileNotesGet());
  NoticeSend(SapiXmlEscaped(notes), notes);
}

LineList TMainFrm::SideFileNotesGet() const {
  LineList notes = ChatFilter.UserListNotes;
  notes.insert(notes.end(), ChatFilter.VoiceListNotes.begin(), ChatFilter.VoiceListNotes.end());
  // Voices still being listed may hold the one asked for.
  if (SpeechVoicesListing()) return notes;
  std::set<Text> missing;
  for (const auto& [user, voice] : ChatFilter.SpeakerVoices) {
    if (VoiceFind(voice) < 0 && missing.insert(voice).second) {
      notes.push_back(u"Voices.txt names no voice called " + voice);
    }
  }
  return notes;
}

void TMainFrm::ChatLogMsg(const TAccountLogSettings& account) {
  if (TypeIndexGet().FileIndex != 1) return;
  int avatar = ComboBox2.ItemIndex();
  Text notice = ChatLogNoticeText(ViewerNameAt(ComboBox1.ItemIndex()),
                                  avatar < 0 ? Text() : ComboBox2.ItemText(avatar), account,
                                  FileExists(TargetFileGet(1)));
  NoticeSend(SapiXmlEscaped(notice), notice);
}

void TMainFrm::NoticeSend(TextView xml, TextView plain) {
  if (!plain.empty() && !ASAPISendXml(xml, plain)) SpeechWarn();
}

void TMainFrm::ComboBox3Change() {
  int index = ComboBox3.ItemIndex();
  Options.VoiceName = index >= 0 ? ComboBox3.ItemText(index) : Text();
  if (index == LastVoiceIndex) return;
  SpeechPurge();
  LastVoiceIndex = index;
  SpinEdit2.SetValue(SpeechGetVolume(index));
  SpinEdit3.SetValue(SpeechGetRate(index));
}
