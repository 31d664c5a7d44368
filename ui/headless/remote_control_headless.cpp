// In-process: RemoteActionSend reaches the live RemoteControl's handler directly.
#include "ui/headless/remote_control_headless.h"

#include "ui/headless/node_headless.h"

namespace ui {

namespace {

struct Live {
  std::function<void(const std::string&)> handler;
  RemoteState state;
};
Live* live = nullptr;

}  // namespace

struct RemoteControl::Impl {
  Live live;
};

RemoteControl::RemoteControl(Form&) : impl_(std::make_unique<Impl>()) { live = &impl_->live; }
RemoteControl::~RemoteControl() {
  if (live == &impl_->live) live = nullptr;
}
void RemoteControl::OnAction(std::function<void(const std::string&)> handler) {
  impl_->live.handler = std::move(handler);
}
void RemoteControl::StateSet(const RemoteState& state) { impl_->live.state = state; }

bool RemoteActionSend(const std::string& action) {
  if (!live || !live->handler) return false;
  Application::Dispatch([action] { live->handler(action); });
  return true;
}

RemoteState RemoteStateGet() { return live ? live->state : RemoteState{}; }

}  // namespace ui
