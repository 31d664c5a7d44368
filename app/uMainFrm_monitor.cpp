// The window's monitor: where the chat file is, the ticks, and the changes the watcher names
// in the chat file's folder (the conversations' transcripts among them) and the account's
// settings.
#include "app/uMainFrm.h"

#include "platform/platform.h"
#include "viewer/viewer.h"

// --- Chat file and avatars -------------------------------------------------------------------

TChatSource TMainFrm::ChatSourceGet() const {
  if (TypeIndexGet().FileIndex == 1) return TChatSource::kViewerLog;
  return EncodingIndex == 0 ? TChatSource::kSelectedUtf8 : TChatSource::kSelectedSjis;
}

Text TMainFrm::TargetFileGet(int32_t fileIndex) const {
  if (fileIndex == 0) return Edit1.GetText();
  // While monitoring, where START found the log; else where the viewer's settings say it is now.
  if (!ViewerLog.Location().Folder.empty()) return ChatLogFileGet(ViewerLog.Location());
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
  ChatFileTick(Monitor, TargetFileGet(TypeIndexGet().FileIndex), ChatSourceGet(),
               [this](const LineList& lines) { LinesSpeak(lines, ChatOptions); });
  Transcripts.Tick(TranscriptSpeaker());
  // Not reached when the tick failed: the timer stays off and monitoring ends.
  Timer1.SetEnabled(true);
  ChatWatchUpdate();  // the file may be another (the next day's) or made anew
}

bool TMainFrm::LinesSpeak(const LineList& lines, const TChatOptions& options) {
  Text mask = Edit2.GetText();
  std::vector<TSpeechPiece> pieces =
      ModeSpeechGet({TypeIndexGet().TextMode, ChatFilter, options, mask}, lines);
  if (pieces.empty()) return false;
  Speaking.PiecesSend(pieces, WindowVoice(), Options, SecondsNow());
  return true;
}

TranscriptLinesHandler TMainFrm::TranscriptSpeaker() {
  return [this](const TTranscript& transcript, const LineList& lines) {
    return LinesSpeak(lines, TranscriptChatOptions(ChatOptions, transcript));
  };
}

void TMainFrm::ChatWatchUpdate() {
  std::vector<Text> paths;
  if (Timer1.Enabled()) {
    Text file = TargetFileGet(TypeIndexGet().FileIndex);
    if (!file.empty()) paths = {file, PathFolderOf(file)};
    if (!ViewerLog.SettingsPath().empty()) paths.push_back(ViewerLog.SettingsPath());
  }
  ChatWatcher.Watch(paths);
}

void TMainFrm::ChatWatcherChange(const Text& path) {
  if (!Timer1.Enabled()) return;
  ChangesHeld.insert(path);
  // The first change after a quiet spell is read at once; those that follow within the wake's
  // delay are gathered, and read together when it ends.
  if (!WakeTimer.Enabled()) ChangesRead();
}

void TMainFrm::WakeTimerTimer() {
  WakeTimer.SetEnabled(false);
  if (Timer1.Enabled() && !ChangesHeld.empty()) ChangesRead();
}

void TMainFrm::ChangesRead() {
  WakeTimer.SetEnabled(true);
  bool others = false;
  for (const Text& path : std::exchange(ChangesHeld, {})) {
    // The folder itself: the system lost count of what changed in it.
    if (path == ViewerLog.Location().Folder) Transcripts.Rescan(TranscriptSpeaker());
    if (Transcripts.Owns(path)) {
      Transcripts.Changed(path, TranscriptSpeaker());
    } else {
      others = true;
    }
  }
  if (!others) return;
  if (auto account = ViewerLog.Recheck(ViewerNameAt(ComboBox1.ItemIndex()), AvatarName())) {
    ChatOptions.ViewerStamps = account->Timestamps;
    TranscriptsFollow(*account, true);
  }
  Timer1Timer();
}

void TMainFrm::TranscriptsFollow(const TAccountLogSettings& account, bool again) {
  TTypeIndex choice = TypeIndexGet();
  const Text& folder = ViewerLog.Location().Folder;
  bool wanted = choice.FileIndex == 1 && choice.TextMode == TTextMode::kSecondLifeChat &&
                account.TranscriptsLogged && (ChatOptions.SpeakIMs || ChatOptions.SpeakGroups) &&
                !folder.empty();
  ChatOptions.CopiesSpoken = !wanted;
  if (again && (wanted ? folder : Text()) == Transcripts.Folder()) return;
  Transcripts.Stop();
  if (wanted) Transcripts.Start(folder, std::time(nullptr));
}
