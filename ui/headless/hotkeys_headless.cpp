#include "ui/headless/hotkeys_headless.h"

#include <algorithm>
#include <utility>

namespace ui {

namespace {

struct Live {
  std::vector<std::pair<KeyChord, std::string>> keys;
  std::function<void(const std::string&)> handler;
};
Live* live = nullptr;
std::vector<KeyChord> heldByOthers;

}  // namespace

struct Hotkeys::Impl {
  Live live;
};

Hotkeys::Hotkeys(Form&) : impl_(std::make_unique<Impl>()) { live = &impl_->live; }
Hotkeys::~Hotkeys() {
  if (live == &impl_->live) live = nullptr;
}

std::vector<KeyChord> Hotkeys::Register(const std::vector<std::pair<KeyChord, std::string>>& keys) {
  impl_->live.keys.clear();
  std::vector<KeyChord> refused;
  for (const auto& [chord, action] : keys) {
    bool held = std::find(heldByOthers.begin(), heldByOthers.end(), chord) != heldByOthers.end();
    if (held) {
      refused.push_back(chord);
    } else {
      impl_->live.keys.push_back({chord, action});
    }
  }
  return refused;
}

void Hotkeys::OnPress(std::function<void(const std::string&)> handler) {
  impl_->live.handler = std::move(handler);
}

void HotkeyPress(const KeyChord& chord) {
  if (!live || !live->handler) return;
  for (const auto& [registered, action] : live->keys) {
    if (registered == chord) Application::Dispatch([&] { live->handler(action); });
  }
}

void HotkeysHeldSet(std::vector<KeyChord> held) { heldByOthers = std::move(held); }

}  // namespace ui
