// Actions from another process: WM_COPYDATA to a message-only window of ours, found by its class
// and name.
#include <string>

#include "ui/win32/node_win32.h"

namespace ui {

namespace {

constexpr wchar_t kRemoteName[] = L"KELVORA Pro remote control";
constexpr ULONG_PTR kActionData = 0x4B454C56;  // "KELV": the data is an action's name
constexpr UINT kSendTimeout = 2000;            // milliseconds

RemoteAnswer* liveAnswer = nullptr;

}  // namespace

struct RemoteControl::Impl {
  HWND window = nullptr;
  RemoteAnswer answer;
};

RemoteControl::RemoteControl(Form&) : impl_(std::make_unique<Impl>()) {
  WindowingPrepare();
  impl_->window = CreateWindowExW(0, kContainerClass, kRemoteName, 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, Instance(), nullptr);
  liveAnswer = &impl_->answer;
}

RemoteControl::~RemoteControl() {
  if (liveAnswer == &impl_->answer) liveAnswer = nullptr;
  if (impl_->window) DestroyWindow(impl_->window);
}

void RemoteControl::OnRequest(RemoteAnswer answer) { impl_->answer = std::move(answer); }

// The media controls are Linux's; Windows has its hotkeys and the commands.
void RemoteControl::StateSet(const RemoteState&) {}

LRESULT RemoteCopyData(const COPYDATASTRUCT* data) {
  if (!data || data->dwData != kActionData || !liveAnswer || !*liveAnswer) return FALSE;
  std::string command(static_cast<const char*>(data->lpData), data->cbData);
  Handler work = (*liveAnswer)({RemoteRequest::Kind::kCommand, command});
  if (!work) return FALSE;  // a command another process may not give
  // After the sender has its answer: the work may run a message loop (a warning box).
  Application::Post(std::move(work));
  return TRUE;
}

bool RemoteCommandSend(const std::string& action) {
  HWND window = FindWindowExW(HWND_MESSAGE, nullptr, kContainerClass, kRemoteName);
  if (!window) return false;
  COPYDATASTRUCT data{kActionData, static_cast<DWORD>(action.size()),
                      const_cast<char*>(action.data())};
  DWORD_PTR taken = FALSE;
  return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                             SMTO_ABORTIFHUNG, kSendTimeout, &taken) != 0 &&
         taken == TRUE;
}

}  // namespace ui
