#include <algorithm>

#include "ui/headless/node_headless.h"

namespace ui {

struct Timer::Impl {
  TimerState state;
};

Timer::Timer(Form&) : impl_(std::make_unique<Impl>()) { Global().timers.push_back(&impl_->state); }
Timer::~Timer() {
  auto& timers = Global().timers;
  timers.erase(std::remove(timers.begin(), timers.end(), &impl_->state), timers.end());
}
void Timer::SetInterval(int milliseconds) {
  impl_->state.interval = milliseconds;
  impl_->state.remaining = milliseconds;
}
int Timer::Interval() const { return impl_->state.interval; }
void Timer::SetEnabled(bool enabled) {
  if (enabled && !impl_->state.enabled) impl_->state.remaining = impl_->state.interval;
  impl_->state.enabled = enabled;
}
bool Timer::Enabled() const { return impl_->state.enabled; }
void Timer::OnTimer(Handler handler) { impl_->state.handler = std::move(handler); }

}  // namespace ui
