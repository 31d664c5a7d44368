// The main window: every control of the program, the actions START/STOP, Skip, Default and
// Browse, the monitor tick, the speaking pipeline and the settings, wired together.
#pragma once

#include <array>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/actions.h"
#include "app/monitor.h"
#include "app/settings.h"
#include "speech/uSpeechLib.h"
#include "text/uText.h"
#include "ui/ui.h"
#include "viewer/viewer.h"

inline constexpr char16_t kApplicationTitle[] = u"KELVORA Pro";
inline constexpr char16_t kProductPage[] = u"https://vortane.example.com/kelvora-pro/";
// The open-file dialog's encoding choices, by EncodingIndex.
inline constexpr std::array<const char16_t*, 2> EncodingNames = {u"UTF8", u"SJIS"};

// How much of the text being spoken the media controls show as its title.
inline constexpr size_t kRemoteTitleLength = 80;

// How long after a change to the chat file the woken tick reads it: a burst of writes is one read.
inline constexpr int kWakeDelay = 50;  // milliseconds

inline constexpr char16_t kSapiWarning[] =
    u"Application can't access SAPI.\r\nPlease check Control Panel - Speech Recognition - Text to "
    u"Speech.";

class TMainFrm {
 public:
  // Builds the window and runs FormCreate.
  TMainFrm();
  TMainFrm(const TMainFrm&) = delete;
  TMainFrm& operator=(const TMainFrm&) = delete;

  // Window destruction: saves the settings and closes the voice engine.
  void FormDestroy();
  // The voice engine no longer reports to this window.
  ~TMainFrm();

  // --- Controls ------------------------------------------------------------------------------
  ui::Form MainFrm;
  ui::ImageList ImageList1;
  ui::Panel Panel1;
  ui::Image Image1;
  ui::Label Label5, Label6;
  ui::LinkLabel LinkLabel1;
  ui::Button Button1, Button3;
  ui::Label Label2;
  ui::SpinEdit SpinEdit1;
  ui::Button Button2;
  ui::GroupBox GroupBox3;
  ui::Label Label3;
  ui::ComboBox ComboBox3;
  ui::Label Label7;
  ui::SpinEdit SpinEdit2;
  ui::Label Label8;
  ui::SpinEdit SpinEdit3;
  ui::GroupBox GroupBox1;
  ui::RadioButton RadioButton2;
  ui::ComboBox ComboBox1;
  ui::Label Label4;
  ui::ComboBox ComboBox2;
  ui::RadioButton RadioButton1;
  ui::Edit Edit1;
  ui::Button Button4;
  ui::GroupBox GroupBox2;
  ui::RadioButton RadioButton4;
  ui::ComboBox ComboBox4, ComboBox5;
  ui::RadioButton RadioButton3, RadioButton5;
  ui::Edit Edit2;
  ui::Timer Timer1;
  // Speech follows the chat as it is written: a change to the chat file, its folder or the
  // account's settings wakes the monitor tick, through WakeTimer (once per 50 ms at most).
  ui::FileWatcher ChatWatcher;
  ui::Timer WakeTimer;
  // Offered to the desktop: the commands (`kelvora skip`...) and, on Linux, the media controls.
  ui::RemoteControl Remote;
  // Setup.ini [Options] Hotkey*: Skip, Pause/Resume, Repeat and Mute from any program.
  ui::Hotkeys Keys;
  // The tray's menu has the same actions, Show/Hide window and Quit; its tooltip says what runs.
  ui::TrayIcon Tray;
  Text TrayTooltip;  // as the tray shows it

  // --- Fields --------------------------------------------------------------------------------
  int32_t EncodingIndex = 0;
  Text Avatar;
  TMonitorState Monitor;  // MasterFileSize and what the monitor keeps beside it
  // Where the viewer's log is, as START found it (empty when not monitoring): the ticks never
  // read the viewer's settings.
  TChatLogLocation LogLocation;
  // The account's settings file as START (or the last change to it) read it; empty when the chat
  // file is not the viewer's.
  Text AccountSettingsPath;
  std::string AccountSettingsBytes;
  std::vector<Text> Users;
  int32_t LastVoiceIndex = 0;
  TOptions Options;  // Setup.ini [Options], as loaded, reset or taken from the options dialog
  std::set<Text> MutedSpeakers;  // speakers' keys silenced by Mute until the next START
  // The window's clock for NameRepeat, in seconds (steady; the tests may set their own).
  std::function<double()> SecondsNow = SpeechSteadySeconds;
  std::vector<Text> DialogEncodings;  // the open-file dialog's encoding choices

  // --- Methods -------------------------------------------------------------------------------
  // The two radio-button choices; each is 0 when no button of its group is checked.
  struct TTypeIndex {
    int32_t FileIndex;  // 0 "Selected File", 1 "Viewer"
    TTextMode TextMode;
  };
  TTypeIndex TypeIndexGet() const;
  // The chat file's source as the radio buttons and EncodingIndex choose it.
  TChatSource ChatSourceGet() const;
  Text TargetFileGet(int32_t fileIndex) const;
  void MasgterFileSizeGet();
  Text AvatarName() const;
  void UsersUpdate();
  void SettingsDefault();
  void SettingsLoad();
  void SettingsSave();
  // Queues chat lines in a voice with the window's volume and rate, under the [Options] limits.
  void ASAPISend(std::vector<TChatLine> lines, TVoiceChoice voice);
  // Queues a notice as markup, spoken as plain text when the voice refuses markup; false when
  // there is no voice.
  bool ASAPISendXml(TextView xml, TextView plain);
  void ASAPICheck();
  void ASAPISkip();
  // Skip, Pause, Resume, Pause or Resume, Repeat, Mute last speaker (actions.cpp).
  void ControlActionRun(TControlAction action);
  // An action sent from outside (the commands, the media controls, the tray): "raise" shows the
  // window, "toggle" shows or hides it, "quit" closes it, "options" opens the options dialog.
  void RemoteActionTake(const std::string& action);
  // What the desktop's media controls show now.
  ui::RemoteState RemoteStateGet() const;
  // The tray's tooltip for a state: whether monitoring runs and what is being read.
  static Text TrayTooltipOf(const ui::RemoteState& state);
  // Registers the Hotkey* keys; says once which cannot work (not a key, or another program's).
  void HotkeysRegister();
  // The options dialog (from the window's menu and the tray's): what the user changes there is
  // taken at once and written to Setup.ini (options_dialog.cpp).
  void OptionsDialogRun();
  bool OptionsDialogOpen = false;
  void BWListMsg();
  // START in "Second Life Chat" mode: says what the speaker lists and Voices.txt hold that can
  // never match.
  void SideFileNotesMsg();
  // START in "Viewer" mode: says so when the viewer does not log nearby chat or there is no log.
  void ChatLogMsg(const TAccountLogSettings& account);

  // --- Handlers ------------------------------------------------------------------------------
  void FormCreate();
  void AcTimerExecute();
  void AcTimerUpdate();
  void AcSkipExecute();
  void AcDefaultExecute();
  void AcBrowseExecute();
  void RadioButtonXClick();
  void LinkLabel1LinkClick(const Text& target);
  void Timer1Timer();
  void ChatWatcherChange();
  void WakeTimerTimer();
  void SpinEdit1Change();
  void ComboBox1Change();
  void ComboBox2Change();
  void ComboBox3Change();

 private:
  // The values Setup.ini keeps, as the controls and fields hold them now.
  TSettings SettingsFromControls() const;
  // The options with the voice box's voice as the voice chosen by name.
  TOptions OptionsWithVoiceName() const;
  void SettingsToControls(const TSettings& settings);
  void VoiceBoxFill();
  // The voice list changed (speech-dispatcher's listing came in): the box shows it, the chosen
  // voice kept by its name.
  void VoiceBoxRefill();
  // Shows the speech warning, unless its box is open already.
  void SpeechWarn();
  bool SpeechWarningOpen = false;
  int VoiceIndexOf(TextView name) const;  // -1 when no voice has that name
  // The lines of the side files that can never match, a Voices.txt voice that is not there
  // among them (once the voice list is complete).
  LineList SideFileNotesGet() const;
  // Speaks a notice: as markup first, as plain text when the voice refuses markup.
  void NoticeSend(TextView xml, TextView plain);
  void GroupsEnable(bool enabled);
  // START: reads the account's settings (once), keeping their bytes to tell a change later.
  TAccountLogSettings AccountSettingsLoad(TextView viewer);
  // A woken tick: the account's settings read again when the viewer rewrote them whole, and the
  // log located anew.
  void AccountSettingsRecheck();
  // While monitoring, the watcher watches the chat file, its folder and the account's settings;
  // else nothing.
  void ChatWatchUpdate();
  void IntervalSet(int seconds);
  // Speaks a tick's pieces, consecutive ones of the same voice and pitch as one text, each line
  // with its speaker.
  void PiecesSend(const std::vector<TSpeechPiece>& pieces);
  // The speaker being heard (else the one heard last) is silenced until the next START, with a
  // short notice.
  void SpeakerHeardMute();
  // The voice a piece is spoken in.
  TVoiceChoice VoiceOf(const TSpeechPiece& piece, int32_t windowVoice) const;
};
