#include "app/uMainFrm.h"

#include "app/options_dialog.h"
#include "app/start_notices.h"
#include "platform/platform.h"
#include "speech/uSpeechLib.h"
#include "viewer/viewer.h"

TMainFrm::TMainFrm() {
  WakeTimer.SetInterval(kWakeDelay);

  using ui::Application;
  Button1.OnClick([this] { AcTimerExecute(); });
  Button3.OnClick([this] { AcSkipExecute(); });
  Button2.OnClick([this] { AcDefaultExecute(); });
  Button4.OnClick([this] { AcBrowseExecute(); });
  ComboBox1.OnChange([this] { ComboBox1Change(); });
  ComboBox2.OnChange([this] { ComboBox2Change(); });
  ComboBox3.OnChange([this] { ComboBox3Change(); });
  LinkLabel1.OnClick([](const Text& target) { ShellOpen(target); });
  Timer1.OnTimer([this] { Timer1Timer(); });
  ChatWatcher.OnChange([this](const Text& path) { ChatWatcherChange(path); });
  WakeTimer.OnTimer([this] { WakeTimerTimer(); });
  MainFrm.OnIdle([this] {
    AcTimerUpdate();
    DesktopTell();
  });
  // Another process's requests: only what the action table lets it ask for.
  Remote.OnRequest([this](const ui::RemoteRequest& request) -> ui::Handler {
    std::optional<TControlAction> action = ActionOfRequest(request);
    if (!action) return {};
    return [this, action = *action] { ControlActionRun(action); };
  });
  Keys.OnPress([this](const std::string& verb) { ActionVerbRun(verb); });
  Tray.MenuSet(TrayMenuItems());
  Tray.OnAction([this](const std::string& verb) { ActionVerbRun(verb); });
  MainFrm.MenuAdd(u"Options...", [this] { OptionsDialogRun(); });
  // Signed out with the window open: what the window's destruction would save, saved now.
  MainFrm.OnEndSession([this] { SettingsSave(); });
  // The speech runtimes report from their own threads; the window's thread takes it in.
  TSpeechHandlers speech;
  speech.wake = [] { Application::Post(SpeechEventsRun); };
  speech.trouble = [this](const std::string&) { Speaking.Warn(); };
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
  int found = VoiceFind(Options.VoiceName);
  if (found < 0) found = VoiceFind(shown);
  if (found < 0 && !Voices().empty()) found = 0;
  ComboBox3.SetItemIndex(found);
  LastVoiceIndex = found;
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
  if (int named = VoiceFind(Options.VoiceName); named >= 0) ComboBox3.SetItemIndex(named);
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

// --- Actions ---------------------------------------------------------------------------------

void TMainFrm::AcTimerExecute() {
  bool starting = !Timer1.Enabled();
  if (starting) {
    Text viewer = ViewerNameAt(ComboBox1.ItemIndex());
    bool viewerLog = TypeIndexGet().FileIndex == 1;
    TAccountLogSettings account = ViewerLog.Start(viewer, AvatarName(), viewerLog);
    MasgterFileSizeGet();
    SideFilesLoad(ChatFilter, SideFileFolders());
    if (TypeIndexGet().TextMode == TTextMode::kCustom) CustomMaskCheck(Edit2.GetText());
    ChatOptions = {ComboBox4.ItemIndex(), ComboBox5.ItemIndex(), UseDisplayNamesGet(viewer),
                   !viewerLog || account.Timestamps};
    ChatOptionsTake(Options, AvatarName(), ChatOptions);
    ChatOptions.EmojiLanguage = EmojiLanguageOf(SpeechVoiceLanguage(ComboBox3.ItemIndex()));
    TranscriptsFollow(account, false);
    Speaking.Reset();
    StartNoticesSend(account);
  }
  if (!starting) {
    ViewerLog.Stop();
    Transcripts.Stop();
  }
  GroupsEnable(!starting);
  Timer1.SetEnabled(starting);
  WakeTimer.SetEnabled(false);
  ChatWatchUpdate();
}

void TMainFrm::AcTimerUpdate() { StartButtonShow(Timer1.Enabled()); }

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

// --- Speaking --------------------------------------------------------------------------------

TWindowVoice TMainFrm::WindowVoice() const {
  return {ComboBox3.ItemIndex(), SpinEdit2.Value(), SpinEdit3.Value()};
}

void TMainFrm::StartNoticesSend(const TAccountLogSettings& account) {
  TTypeIndex choice = TypeIndexGet();
  int avatar = ComboBox2.ItemIndex();
  TStartChoices choices{choice.FileIndex == 1,
                        choice.TextMode,
                        ViewerNameAt(ComboBox1.ItemIndex()),
                        AvatarName(),
                        avatar < 0 ? Text() : ComboBox2.ItemText(avatar),
                        account,
                        FileExists(TargetFileGet(1))};
  for (const TNotice& notice : StartNotices(choices, ChatFilter)) {
    Speaking.NoticeSend(notice.xml, notice.plain, WindowVoice());
  }
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

// --- Control from anywhere -------------------------------------------------------------------

void TMainFrm::ControlActionRun(TControlAction action) {
  switch (action) {
    case TControlAction::kSkip:
      SpeechPurge();
      break;
    case TControlAction::kPause:
      SpeechPause();
      break;
    case TControlAction::kResume:
      SpeechResume();
      break;
    case TControlAction::kPlayPause:
      SpeechPaused() ? SpeechResume() : SpeechPause();
      break;
    case TControlAction::kRepeat:
      SpeechRepeat();
      break;
    case TControlAction::kMute:
      Speaking.SpeakerHeardMute(WindowVoice());
      break;
    case TControlAction::kOptions:
      OptionsDialogRun();
      break;
    case TControlAction::kToggle:
      MainFrm.Visible() ? MainFrm.Hide() : MainFrm.Show();
      break;
    case TControlAction::kRaise:
      MainFrm.Raise();
      break;
    case TControlAction::kQuit:
      MainFrm.Close();
      break;
  }
}

void TMainFrm::ActionVerbRun(const std::string& verb) {
  if (std::optional<TControlAction> action = ActionOfVerb(verb)) ControlActionRun(*action);
}

void TMainFrm::DesktopTell() {
  ui::RemoteState state = SpeechRemoteState(Timer1.Enabled());
  Remote.StateSet(state);
  if (Text tip = TrayTooltipOf(state, SourcesText(Transcripts)); tip != TrayTooltip)
    Tray.TooltipSet(TrayTooltip = tip);
}

void TMainFrm::HotkeysRegister() {
  THotkeysWanted wanted = HotkeysWanted(Options);
  HotkeysHeld.clear();
  for (const ui::KeyChord& held : Keys.Register(wanted.keys)) {
    HotkeysHeld.push_back(ui::KeyChordText(held));
  }
  wanted.unusable.insert(wanted.unusable.end(), HotkeysHeld.begin(), HotkeysHeld.end());
  if (Text warning = HotkeysUnusableText(wanted.unusable); !warning.empty()) {
    ui::MessageShow(warning, ui::MessageKind::kWarning);
  }
}

void TMainFrm::OptionsDialogRun() {
  // One dialog at a time: the tray's menu still works while it is open.
  if (OptionsDialogOpen) return;
  OptionsDialogOpen = true;
  std::optional<TOptions> taken = OptionsDialogShow(Options, HotkeysHeld);
  OptionsDialogOpen = false;
  if (!taken) return;
  Options = *taken;
  HotkeysRegister();
  SettingsSave();
}
