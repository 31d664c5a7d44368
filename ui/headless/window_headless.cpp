// The application's virtual clock: ProcessEventsFor fires the timers due in the time given, in
// order, without waiting.
#include <algorithm>
#include <mutex>
#include <vector>

#include "ui/headless/node_headless.h"

namespace ui {

bool DisplayAvailable() { return true; }

Application::Application(int&, char**, TextView title) { TitleSet(title); }
Application::~Application() = default;

namespace {

// What Application::Post was given, run by the loop in the order it came.
std::mutex postedMutex;
std::vector<Handler> posted;

void PostedRun() {
  for (;;) {
    std::vector<Handler> taken;
    {
      std::lock_guard<std::mutex> lock(postedMutex);
      taken.swap(posted);
    }
    if (taken.empty()) return;
    for (const Handler& fn : taken) Application::Dispatch(fn);
  }
}

void IdleRun() {
  PostedRun();
  for (Node* form : Global().forms) {
    if (form->onIdle) Application::Dispatch(form->onIdle);
  }
}

}  // namespace

void Application::Post(Handler fn) {
  std::lock_guard<std::mutex> lock(postedMutex);
  posted.push_back(std::move(fn));
}

int Application::Run(Form&) {
  IdleRun();
  return 0;
}

void Application::ProcessEventsFor(int milliseconds) {
  IdleRun();
  int left = milliseconds;
  for (;;) {
    TimerState* next = nullptr;
    for (TimerState* t : Global().timers) {
      if (t->enabled && t->interval > 0 && (!next || t->remaining < next->remaining)) next = t;
    }
    if (!next || next->remaining > left) break;
    int step = next->remaining;
    left -= step;
    for (TimerState* t : Global().timers) {
      if (t->enabled && t->interval > 0) t->remaining -= step;
    }
    next->remaining = next->interval;
    Dispatch(next->handler);
    IdleRun();
  }
  for (TimerState* t : Global().timers) {
    if (t->enabled && t->interval > 0) t->remaining -= left;
  }
}

Form::Form(TextView caption, int clientWidth, int clientHeight, FontSpec)
    : Widget(new Node(nullptr, {0, 0, clientWidth, clientHeight})) {
  node_->text = Text(caption);
  Global().forms.push_back(node_);
}
Text Form::Caption() const { return node_->text; }
void Form::OnIdle(Handler handler) { node_->onIdle = std::move(handler); }
void Form::OnEndSession(Handler handler) { node_->onEndSession = std::move(handler); }
void Form::Show() { node_->visible = true; }
void Form::Raise() { node_->visible = true; }
void Form::Hide() { node_->visible = false; }
bool Form::Visible() const { return node_->visible; }
bool Form::Screenshot(TextView) const { return false; }
void Form::MenuAdd(TextView caption, Handler handler) {
  node_->menu.emplace_back(Text(caption), std::move(handler));
}
void Form::MenuChoose(TextView caption) {
  for (const auto& [item, handler] : node_->menu) {
    if (item == caption) Application::Dispatch(handler);
  }
}
void Form::Close() {
  auto& forms = Global().forms;
  forms.erase(std::remove(forms.begin(), forms.end(), node_), forms.end());
}

}  // namespace ui
