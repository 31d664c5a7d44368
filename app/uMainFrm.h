// The main window: every control of the program, the actions START/STOP, Skip, Default and
// Browse, the monitor tick, the speaking pipeline and the settings, wired together.
#pragma once

#include <array>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/actions.h"
#include "app/main_controls.h"
#include "app/monitor.h"
#include "app/settings.h"
#include "app/speech_pipeline.h"
#include "app/transcripts.h"
#include "app/viewer_log.h"
#include "speech/uSpeechLib.h"
#include "text/uText.h"
#include "ui/ui.h"
#include "viewer/viewer.h"

inline constexpr char16_t kApplicationTitle[] = u"KELVORA Pro";
inline constexpr char16_t kProductPage[] = u"https://vortane.example.com/kelvora-pro/";
// The open-file dialog's encoding choices, by EncodingIndex.
inline constexpr std::array<const char16_t*, 2> EncodingNames = {u"UTF8", u"SJIS"};

// How long after a change to the chat file the woken tick reads it: a burst of writes is one read.
inline constexpr int kWakeDelay = 50;  // milliseconds

class TMainFrm : public TMainFrmControls {
 public:
  // Builds the window and runs FormCreate.
  TMainFrm();
  TMainFrm(const TMainFrm&) = delete;
  TMainFrm& operator=(const TMainFrm&) = delete;

  // Window destruction: saves the settings and closes the voice engine.
  void FormDestroy();
  // The voice engine no longer reports to this window.
  ~TMainFrm();

  Text TrayTooltip;  // as the tray shows it

  // --- Fields --------------------------------------------------------------------------------
  int32_t EncodingIndex = 0;
  Text Avatar;
  TMonitorState Monitor;  // MasterFileSize and what the monitor keeps beside it
  // Where the viewer's log is while monitoring: the ticks never read the viewer's settings.
  TViewerLog ViewerLog;
  // The conversations' transcripts beside the chat file, while they are followed.
  TTranscripts Transcripts;
  std::set<Text> ChangesHeld;  // named by the watcher, read when the wake ends
  std::vector<Text> Users;
  int32_t LastVoiceIndex = 0;
  TOptions Options;  // Setup.ini [Options], as loaded, reset or taken from the options dialog
  TSpeechPipeline Speaking;  // chat and notices to the voice engine; the muted speakers
  // The window's clock for NameRepeat, in seconds (steady; the tests may set their own).
  std::function<double()> SecondsNow = SpeechSteadySeconds;
  std::vector<Text> DialogEncodings;  // the open-file dialog's encoding choices

  // --- Methods -------------------------------------------------------------------------------
  // The chat file's source as the radio buttons and EncodingIndex choose it.
  TChatSource ChatSourceGet() const;
  Text TargetFileGet(int32_t fileIndex) const;
  void MasgterFileSizeGet();
  Text AvatarName() const;
  void UsersUpdate();
  void SettingsDefault();
  void SettingsLoad();
  void SettingsSave();
  // One of the actions of the action table, from the window itself (a button, the tray, a
  // hotkey) or from outside (already checked against the table).
  void ControlActionRun(TControlAction action);
  // The action of a verb the program itself gives (the tray's menu, a hotkey).
  void ActionVerbRun(const std::string& verb);
  // Registers the Hotkey* keys; says once which cannot work (not a key, or another program's).
  void HotkeysRegister();
  std::vector<Text> HotkeysHeld;  // the keys another program held at the last registration
  // The options dialog (from the window's menu and the tray's): what the user changes there is
  // taken at once and written to Setup.ini.
  void OptionsDialogRun();
  bool OptionsDialogOpen = false;
  // START's notices, in the window's voice.
  void StartNoticesSend(const TAccountLogSettings& account);

  // --- Handlers ------------------------------------------------------------------------------
  void FormCreate();
  void AcTimerExecute();
  void AcTimerUpdate();
  void AcSkipExecute();
  void AcDefaultExecute();
  void AcBrowseExecute();
  void Timer1Timer();
  void ChatWatcherChange(const Text& path);
  void WakeTimerTimer();
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
  // The window's voice, volume and rate as the controls stand.
  TWindowVoice WindowVoice() const;
  // While monitoring, the watcher watches the chat file, its folder and the account's settings;
  // else nothing.
  void ChatWatchUpdate();
  // The changes held, read: the transcripts named, and the chat file (and the account's settings)
  // when anything else changed.
  void ChangesRead();
  // START (and again when the viewer rewrote the account's settings): in Second Life chat mode on
  // the viewer's log, the transcripts are followed when the viewer writes them and IMs or groups
  // are spoken; their copies in the chat file then are not. Again, they start anew only when the
  // folder followed changes (a new log folder, transcripts turned on or off).
  void TranscriptsFollow(const TAccountLogSettings& account, bool again);
  // A tick's lines spoken as lines of a conversation (the chat file's: nearby chat); whether
  // anything of them is to be said.
  bool LinesSpeak(const LineList& lines, const TChatOptions& options);
  TranscriptLinesHandler TranscriptSpeaker();
  // What the desktop is shown: the media controls' state and the tray's tooltip.
  void DesktopTell();
};
