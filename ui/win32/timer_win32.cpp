// Window timers (SetTimer on the form); WM_TIMER reaches TimerFire through the form's procedure.
#include "ui/win32/node_win32.h"

namespace ui {

void TimerFire(UINT_PTR id) {
  auto found = Global().timers.find(id);
  if (found != Global().timers.end() && found->second->enabled) {
    Application::Dispatch(found->second->handler);
  }
}

Timer::Timer(Form& form) : impl_(std::make_unique<Impl>()) {
  impl_->window = form.node()->hwnd;
  impl_->id = ++Global().lastTimer;
  Global().timers[impl_->id] = impl_.get();
}
Timer::~Timer() {
  KillTimer(impl_->window, impl_->id);
  Global().timers.erase(impl_->id);
}
void Timer::SetInterval(int milliseconds) {
  impl_->interval = milliseconds;
  if (impl_->enabled) SetTimer(impl_->window, impl_->id, static_cast<UINT>(milliseconds), nullptr);
}
int Timer::Interval() const { return impl_->interval; }
void Timer::SetEnabled(bool enabled) {
  if (enabled && !impl_->enabled) {
    SetTimer(impl_->window, impl_->id, static_cast<UINT>(impl_->interval), nullptr);
  }
  if (!enabled && impl_->enabled) KillTimer(impl_->window, impl_->id);
  impl_->enabled = enabled;
}
bool Timer::Enabled() const { return impl_->enabled; }
void Timer::OnTimer(Handler handler) { impl_->handler = std::move(handler); }

}  // namespace ui
