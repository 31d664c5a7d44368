#include "app/viewer_log.h"

TAccountLogSettings TViewerLog::Start(TextView viewer, TextView avatar, bool followed) {
  Text path = AccountSettingsPathGet(viewer, avatar);
  settingsPath_ = followed ? path : Text();
  settingsBytes_ = AccountSettingsBytesRead(path);
  TAccountLogSettings account = AccountLogSettingsOf(viewer, settingsBytes_);
  location_ = ChatLogLocate(viewer, avatar, account);
  return account;
}

std::optional<TAccountLogSettings> TViewerLog::Recheck(TextView viewer, TextView avatar) {
  if (settingsPath_.empty()) return std::nullopt;
  std::string bytes = AccountSettingsBytesRead(settingsPath_);
  if (bytes == settingsBytes_) return std::nullopt;
  std::optional<TAccountLogSettings> account = AccountLogSettingsParse(viewer, bytes);
  // Caught half-written (or gone for a moment): the rest of the rewrite wakes the tick again.
  if (!account) return std::nullopt;
  settingsBytes_ = std::move(bytes);
  location_ = ChatLogLocate(viewer, avatar, *account);
  return account;
}
