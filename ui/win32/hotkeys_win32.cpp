// Hotkeys through RegisterHotKey on a message-only window of ours: WM_HOTKEY tells the action.
#include "ui/win32/node_win32.h"

#include <map>

namespace ui {

UINT VirtualKeyOf(const Text& key) {
  if (key.size() == 1) return static_cast<UINT>(key[0]);  // 'A'..'Z', '0'..'9' are their codes
  if (key == u"Pause") return VK_PAUSE;
  if (key == u"Space") return VK_SPACE;
  if (key.size() >= 2 && key[0] == u'F')
    return VK_F1 + static_cast<UINT>(std::stoi(TextToUtf8(key.substr(1)))) - 1;
  return 0;
}

WORD HotkeyControlValue(const KeyChord& chord) {
  BYTE modifiers = (chord.ctrl ? HOTKEYF_CONTROL : 0) | (chord.alt ? HOTKEYF_ALT : 0) |
                   (chord.shift ? HOTKEYF_SHIFT : 0);
  return MAKEWORD(static_cast<BYTE>(VirtualKeyOf(chord.key)), modifiers);
}

Text KeyNameOfVirtualKey(UINT code) {
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) {
    return Text(1, static_cast<char16_t>(code));
  }
  if (code == VK_PAUSE) return u"Pause";
  if (code == VK_SPACE) return u"Space";
  if (code >= VK_F1 && code <= VK_F24) return u"F" + AsciiToText(std::to_string(code - VK_F1 + 1));
  return {};
}

namespace {

UINT ModifiersOf(const KeyChord& chord) {
  return (chord.ctrl ? MOD_CONTROL : 0) | (chord.alt ? MOD_ALT : 0) |
         (chord.shift ? MOD_SHIFT : 0) | (chord.super ? MOD_WIN : 0) | MOD_NOREPEAT;
}

std::map<int, std::string>* liveActions = nullptr;
std::function<void(const std::string&)>* liveHandler = nullptr;

}  // namespace

struct Hotkeys::Impl {
  HWND window = nullptr;
  std::map<int, std::string> actions;  // hotkey id: action
  std::function<void(const std::string&)> handler;
  void Unregister() {
    for (const auto& [id, action] : actions) UnregisterHotKey(window, id);
    actions.clear();
  }
};

Hotkeys::Hotkeys(Form&) : impl_(std::make_unique<Impl>()) {
  WindowingPrepare();
  impl_->window = CreateWindowExW(0, kContainerClass, kHotkeysWindowName, 0, 0, 0, 0, 0,
                                  HWND_MESSAGE, nullptr, Instance(), nullptr);
  liveActions = &impl_->actions;
  liveHandler = &impl_->handler;
}

Hotkeys::~Hotkeys() {
  impl_->Unregister();
  if (liveActions == &impl_->actions) liveActions = nullptr, liveHandler = nullptr;
  if (impl_->window) DestroyWindow(impl_->window);
}

std::vector<KeyChord> Hotkeys::Register(const std::vector<std::pair<KeyChord, std::string>>& keys) {
  impl_->Unregister();
  std::vector<KeyChord> refused;
  int id = 1;
  for (const auto& [chord, action] : keys) {
    UINT key = VirtualKeyOf(chord.key);
    if (key && RegisterHotKey(impl_->window, id, ModifiersOf(chord), key)) {
      impl_->actions[id++] = action;
    } else {
      refused.push_back(chord);
    }
  }
  return refused;
}

void Hotkeys::OnPress(std::function<void(const std::string&)> handler) {
  impl_->handler = std::move(handler);
}

void HotkeyFire(int id) {
  if (!liveActions || !liveHandler || !*liveHandler) return;
  auto found = liveActions->find(id);
  if (found != liveActions->end()) Application::Dispatch([&] { (*liveHandler)(found->second); });
}

}  // namespace ui
