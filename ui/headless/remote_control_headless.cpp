// In-process: a request reaches the live RemoteControl's answer directly.
#include "ui/headless/remote_control_headless.h"

#include "ui/headless/node_headless.h"

namespace ui {

namespace {

struct Live {
  RemoteAnswer answer;
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
void RemoteControl::OnRequest(RemoteAnswer answer) { impl_->live.answer = std::move(answer); }
void RemoteControl::StateSet(const RemoteState& state) { impl_->live.state = state; }

bool RemoteCommandSend(const std::string& command) {
  return MediaControlRequest({RemoteRequest::Kind::kCommand, command});
}

bool MediaControlRequest(const RemoteRequest& request) {
  if (!live || !live->answer) return false;
  Handler work = live->answer(request);
  if (!work) return false;
  Application::Dispatch(work);
  return true;
}

RemoteState RemoteStateGet() { return live ? live->state : RemoteState{}; }

}  // namespace ui
