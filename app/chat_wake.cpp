// Speech follows the chat as it is written: the watcher wakes the monitor tick when the chat
// file, its folder or the account's settings change; Timer1 stays as the fallback, alone in
// charge where nothing can be watched.
#include <optional>

#include "app/uMainFrm.h"
#include "platform/platform.h"

void TMainFrm::ChatWatchUpdate() {
  std::vector<Text> paths;
  if (Timer1.Enabled()) {
    Text file = TargetFileGet(TypeIndexGet().FileIndex);
    if (!file.empty()) paths = {file, PathFolderOf(file)};
    if (!AccountSettingsPath.empty()) paths.push_back(AccountSettingsPath);
  }
  ChatWatcher.Watch(paths);
}

void TMainFrm::ChatWatcherChange() {
  // A change while the wake is armed already is read by the same tick.
  if (Timer1.Enabled()) WakeTimer.SetEnabled(true);
}

void TMainFrm::WakeTimerTimer() {
  WakeTimer.SetEnabled(false);
  if (!Timer1.Enabled()) return;  // monitoring ended since
  AccountSettingsRecheck();
  Timer1Timer();
}

TAccountLogSettings TMainFrm::AccountSettingsLoad(TextView viewer) {
  Text path = AccountSettingsPathGet(viewer, AvatarName());
  AccountSettingsPath = TypeIndexGet().FileIndex == 1 ? path : Text();
  AccountSettingsBytes = AccountSettingsBytesRead(path);
  return AccountLogSettingsOf(viewer, AccountSettingsBytes);
}

void TMainFrm::AccountSettingsRecheck() {
  if (AccountSettingsPath.empty()) return;
  std::string bytes = AccountSettingsBytesRead(AccountSettingsPath);
  if (bytes == AccountSettingsBytes) return;
  Text viewer = ViewerNameAt(ComboBox1.ItemIndex());
  std::optional<TAccountLogSettings> account = AccountLogSettingsParse(viewer, bytes);
  // Caught half-written (or gone for a moment): the rest of the rewrite wakes the tick again.
  if (!account) return;
  AccountSettingsBytes = std::move(bytes);
  LogLocation = ChatLogLocate(viewer, AvatarName(), *account);
  ChatOptions.ViewerStamps = account->Timestamps;
}
