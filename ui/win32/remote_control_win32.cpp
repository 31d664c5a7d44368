// Actions from another process: WM_COPYDATA to a message-only window of ours, found by its class
// and name.
#include <string>

#include "ui/win32/node_win32.h"

namespace ui {

namespace {

constexpr wchar_t kRemoteName[] = L"KELVORA Pro remote control";
constexpr ULONG_PTR kActionData = 0x4B454C56;  // "KELV": the data is an action's name
constexpr UINT kSendTimeout = 2000;            // milliseconds

std::function<void(const std::string&)>* liveHandler = nullptr;

}  // namespace

struct RemoteControl::Impl {
  HWND window = nullptr;
  std::function<void(const std::string&)> handler;
};

RemoteControl::RemoteControl(Form&) : impl_(std::make_unique<Impl>()) {
  WindowingPrepare();
  impl_->window = CreateWindowExW(0, kContainerClass, kRemoteName, 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, Instance(), nullptr);
  liveHandler = &impl_->handler;
}

RemoteControl::~RemoteControl() {
  if (liveHandler == &impl_->handler) liveHandler = nullptr;
  if (impl_->window) DestroyWindow(impl_->window);
}

void RemoteControl::OnAction(std::function<void(const std::string&)> handler) {
  impl_->handler = std::move(handler);
}

// The media controls are Linux's; Windows has its hotkeys and the commands.
void RemoteControl::StateSet(const RemoteState&) {}

LRESULT RemoteCopyData(const COPYDATASTRUCT* data) {
  if (!data || data->dwData != kActionData || !liveHandler || !*liveHandler) return FALSE;
  std::string action(static_cast<const char*>(data->lpData), data->cbData);
  // After the sender has its answer: an action may run a message loop (a warning box).
  Application::Post([action] {
    if (liveHandler && *liveHandler) (*liveHandler)(action);
  });
  return TRUE;
}

bool RemoteActionSend(const std::string& action) {
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
