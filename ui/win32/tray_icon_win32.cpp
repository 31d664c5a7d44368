// The tray icon through Shell_NotifyIcon, owned by a hidden window of ours that gets its clicks.
#include <algorithm>

#include "ui/win32/node_win32.h"

// After windows.h, which node_win32.h brings.
// clang-format off
#include <shellapi.h>
// clang-format on

namespace ui {

namespace {

constexpr UINT kTrayId = 1;

struct TrayState {
  HWND window = nullptr;
  Text tooltip = u"KELVORA Pro";
  std::vector<std::pair<Text, std::string>> menu;
  std::function<void(const std::string&)> handler;
};
TrayState* liveTray = nullptr;

NOTIFYICONDATAW IconData(HWND window) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = kTrayId;
  return data;
}

}  // namespace

struct TrayIcon::Impl {
  TrayState state;
};

TrayIcon::TrayIcon(Form&) : impl_(std::make_unique<Impl>()) {}

void TrayIcon::Show() {
  if (impl_->state.window) return;
  WindowingPrepare();
  // A hidden top-level window: a menu needs a window that can come to the foreground.
  impl_->state.window =
      CreateWindowExW(WS_EX_TOOLWINDOW, kContainerClass, L"KELVORA Pro tray", WS_POPUP, 0, 0, 0, 0,
                      nullptr, nullptr, Instance(), nullptr);
  if (!impl_->state.window) return;
  NOTIFYICONDATAW data = IconData(impl_->state.window);
  data.uFlags = NIF_ICON | NIF_MESSAGE | NIF_TIP;
  data.uCallbackMessage = kTrayMessage;
  data.hIcon = LoadIconW(Instance(), L"KELVORA");
  std::wstring tip = W(impl_->state.tooltip).substr(0, std::size(data.szTip) - 1);
  std::copy(tip.begin(), tip.end(), data.szTip);
  Shell_NotifyIconW(NIM_ADD, &data);
  liveTray = &impl_->state;
}

TrayIcon::~TrayIcon() {
  if (liveTray == &impl_->state) liveTray = nullptr;
  if (!impl_->state.window) return;
  NOTIFYICONDATAW data = IconData(impl_->state.window);
  Shell_NotifyIconW(NIM_DELETE, &data);
  DestroyWindow(impl_->state.window);
}

void TrayIcon::MenuSet(const std::vector<std::pair<Text, std::string>>& items) {
  impl_->state.menu = items;
}

void TrayIcon::OnAction(std::function<void(const std::string&)> handler) {
  impl_->state.handler = std::move(handler);
}

void TrayIcon::TooltipSet(TextView text) {
  impl_->state.tooltip = Text(text);
  if (!impl_->state.window) return;
  NOTIFYICONDATAW data = IconData(impl_->state.window);
  data.uFlags = NIF_TIP;
  std::wstring tip = W(text).substr(0, std::size(data.szTip) - 1);
  std::copy(tip.begin(), tip.end(), data.szTip);
  Shell_NotifyIconW(NIM_MODIFY, &data);
}

void TrayNotify(LPARAM event) {
  if (!liveTray || (event != WM_RBUTTONUP && event != WM_LBUTTONUP && event != WM_CONTEXTMENU)) {
    return;
  }
  HMENU menu = CreatePopupMenu();
  for (size_t i = 0; i < liveTray->menu.size(); ++i) {
    const Text& caption = liveTray->menu[i].first;
    if (caption.empty()) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    } else {
      AppendMenuW(menu, MF_STRING, i + 1, W(caption).c_str());
    }
  }
  POINT at{};
  GetCursorPos(&at);
  SetForegroundWindow(liveTray->window);
  UINT chosen = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y,
                                                 0, liveTray->window, nullptr));
  PostMessageW(liveTray->window, WM_NULL, 0, 0);
  DestroyMenu(menu);
  if (chosen == 0 || chosen > liveTray->menu.size() || !liveTray->handler) return;
  std::string action = liveTray->menu[chosen - 1].second;
  Application::Dispatch([&] { liveTray->handler(action); });
}

}  // namespace ui
