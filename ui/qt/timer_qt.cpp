// Window timers: a QTimer each.
#include <QTimer>

#include "ui/qt/node_qt.h"

namespace ui {

struct Timer::Impl {
  QTimer timer;
  Handler handler;
};

Timer::Timer(Form&) : impl_(std::make_unique<Impl>()) {
  impl_->timer.setInterval(1000);
  QObject::connect(&impl_->timer, &QTimer::timeout, &impl_->timer,
                   [impl = impl_.get()] { Application::Dispatch(impl->handler); });
}
Timer::~Timer() = default;
void Timer::SetInterval(int milliseconds) { impl_->timer.setInterval(milliseconds); }
int Timer::Interval() const { return impl_->timer.interval(); }
void Timer::SetEnabled(bool enabled) {
  if (enabled && !impl_->timer.isActive()) impl_->timer.start();
  if (!enabled) impl_->timer.stop();
}
bool Timer::Enabled() const { return impl_->timer.isActive(); }
void Timer::OnTimer(Handler handler) { impl_->handler = std::move(handler); }

}  // namespace ui
