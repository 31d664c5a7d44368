// The headless binding: controls held in memory and a virtual clock, for fast deterministic
// tests of every handler. Modal dialogs answer through the hooks of ui.h.
#include <algorithm>

#include "ui/binding.h"
#include "ui/ui.h"

namespace ui {

struct Node {
  Node* parent = nullptr;
  std::vector<Node*> children;
  Bounds bounds;
  bool enabled = true;
  bool radio = false;
  Text text;
  std::vector<Text> items;
  int itemIndex = -1;
  bool checked = false;
  int minimum = 0, maximum = 0, maxLength = 0;
  int enabledImage = -1, disabledImage = -1;
  Handler onChange, onClick, onIdle;
  std::function<void(const Text&)> onLink;

  explicit Node(Node* p, Bounds b = {}) : parent(p), bounds(b) {
    if (parent) parent->children.push_back(this);
  }
  ~Node() {
    if (parent)
      parent->children.erase(std::find(parent->children.begin(), parent->children.end(), this));
  }
};

struct TimerState {
  int interval = 1000;
  bool enabled = false;
  int remaining = 1000;
  Handler handler;
};

namespace {

struct State {
  Text title;
  MessageHook messageHook;
  OpenFileHook openFileHook;
  std::vector<Node*> forms;
  std::vector<TimerState*> timers;
};

State& Global() {
  static State state;
  return state;
}

Node* NodeOf(Widget& widget) { return widget.node(); }

}  // namespace

struct Timer::Impl {
  TimerState state;
};

bool DisplayAvailable() { return true; }

void MessageHookSet(MessageHook hook) { Global().messageHook = std::move(hook); }
void OpenFileHookSet(OpenFileHook hook) { Global().openFileHook = std::move(hook); }

void MessageShow(TextView text, MessageKind kind) {
  if (Global().messageHook) Global().messageHook(text, kind);
}

std::optional<OpenFileResult> OpenFileDialog(const OpenFileRequest& request) {
  if (Global().openFileHook) return Global().openFileHook(request);
  return std::nullopt;
}

Application::Application(int&, char**, TextView title) { Global().title = Text(title); }
Application::~Application() = default;

namespace {

void IdleRun() {
  for (Node* form : Global().forms) {
    if (form->onIdle) Application::Dispatch(form->onIdle);
  }
}

}  // namespace

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

Text Application::Title() { return Global().title; }

Widget::~Widget() {
  auto& forms = Global().forms;
  forms.erase(std::remove(forms.begin(), forms.end(), node_), forms.end());
  delete node_;
}
void Widget::SetEnabled(bool enabled) { node_->enabled = enabled; }
bool Widget::Enabled() const { return node_->enabled; }
bool Widget::Usable() const {
  for (Node* n = node_; n; n = n->parent) {
    if (!n->enabled) return false;
  }
  return true;
}
Bounds Widget::GetBounds() const { return node_->bounds; }

Form::Form(TextView caption, int clientWidth, int clientHeight, FontSpec)
    : Widget(new Node(nullptr, {0, 0, clientWidth, clientHeight})) {
  node_->text = Text(caption);
  Global().forms.push_back(node_);
}
Text Form::Caption() const { return node_->text; }
void Form::OnIdle(Handler handler) { node_->onIdle = std::move(handler); }
void Form::Show() {}
bool Form::Screenshot(TextView) const { return false; }
void Form::Close() {
  auto& forms = Global().forms;
  forms.erase(std::remove(forms.begin(), forms.end(), node_), forms.end());
}

Panel::Panel(Widget& parent, Bounds bounds, bool) : Widget(new Node(NodeOf(parent), bounds)) {}

GroupBox::GroupBox(Widget& parent, Bounds bounds, TextView caption)
    : Widget(new Node(NodeOf(parent), bounds)) {
  node_->text = Text(caption);
}

Label::Label(Widget& parent, Bounds bounds, TextView text, FontSpec)
    : Widget(new Node(NodeOf(parent), bounds)) {
  node_->text = Text(text);
}
void Label::SetText(TextView text) { node_->text = Text(text); }
Text Label::GetText() const { return node_->text; }

LinkLabel::LinkLabel(Widget& parent, Bounds bounds, FontSpec)
    : Widget(new Node(NodeOf(parent), bounds)) {}
void LinkLabel::SetLink(TextView target) { node_->text = Text(target); }
Text LinkLabel::Link() const { return node_->text; }
void LinkLabel::OnClick(std::function<void(const Text&)> onClick) {
  node_->onLink = std::move(onClick);
}
void LinkLabel::Click() {
  if (Usable() && node_->onLink) Application::Dispatch([this] { node_->onLink(node_->text); });
}

Image::Image(Widget& parent, Bounds bounds, TextView resource)
    : Widget(new Node(NodeOf(parent), bounds)) {
  node_->text = Text(resource);
}

Button::Button(Widget& parent, Bounds bounds, const ImageList&, int)
    : Widget(new Node(NodeOf(parent), bounds)) {}
void Button::SetCaption(TextView caption) { node_->text = Text(caption); }
Text Button::Caption() const { return node_->text; }
void Button::SetImages(int enabledImage, int disabledImage) {
  node_->enabledImage = enabledImage;
  node_->disabledImage = disabledImage;
}
int Button::ImageShown() const { return Usable() ? node_->enabledImage : node_->disabledImage; }
void Button::OnClick(Handler handler) { node_->onClick = std::move(handler); }
void Button::Click() {
  if (Usable()) Application::Dispatch(node_->onClick);
}

Edit::Edit(Widget& parent, Bounds bounds) : Widget(new Node(NodeOf(parent), bounds)) {}
void Edit::SetText(TextView text) { node_->text = Text(text); }
Text Edit::GetText() const { return node_->text; }
void Edit::UserType(TextView text) {
  if (Usable()) node_->text = Text(text);
}

SpinEdit::SpinEdit(Widget& parent, Bounds bounds, int minimum, int maximum, int maxLength)
    : Widget(new Node(NodeOf(parent), bounds)) {
  node_->minimum = minimum;
  node_->maximum = maximum;
  node_->maxLength = maxLength;
  node_->text = AsciiToText(std::to_string(minimum));
}
void SpinEdit::SetValue(int value) {
  node_->text = AsciiToText(std::to_string(std::clamp(value, node_->minimum, node_->maximum)));
}
int SpinEdit::Value() const { return SpinTextValue(node_->text, node_->minimum); }
Text SpinEdit::GetText() const { return node_->text; }
void SpinEdit::OnChange(Handler handler) { node_->onChange = std::move(handler); }
void SpinEdit::UserType(TextView text) {
  if (!Usable()) return;
  node_->text = Text(text.substr(0, static_cast<size_t>(node_->maxLength)));
  Application::Dispatch(node_->onChange);
}
void SpinEdit::FocusLeave() { SetValue(Value()); }

ComboBox::ComboBox(Widget& parent, Bounds bounds) : Widget(new Node(NodeOf(parent), bounds)) {}
void ComboBox::ItemsClear() {
  node_->items.clear();
  node_->itemIndex = -1;
}
void ComboBox::ItemAdd(TextView item) { node_->items.emplace_back(item); }
int ComboBox::ItemCount() const { return static_cast<int>(node_->items.size()); }
Text ComboBox::ItemText(int index) const { return node_->items.at(static_cast<size_t>(index)); }
void ComboBox::SetItemIndex(int index) {
  node_->itemIndex = index >= 0 && index < ItemCount() ? index : -1;
}
int ComboBox::ItemIndex() const { return node_->itemIndex; }
void ComboBox::OnChange(Handler handler) { node_->onChange = std::move(handler); }
void ComboBox::UserSelect(int index) {
  if (!Usable() || index < 0 || index >= ItemCount()) return;
  node_->itemIndex = index;
  Application::Dispatch(node_->onChange);
}

RadioButton::RadioButton(Widget& parent, Bounds bounds, TextView caption)
    : Widget(new Node(NodeOf(parent), bounds)) {
  node_->text = Text(caption);
  node_->radio = true;
}
void RadioButton::SetChecked(bool checked) {
  if (checked) {
    for (Node* sibling : node_->parent->children) {
      if (sibling->radio) sibling->checked = false;
    }
  }
  node_->checked = checked;
}
bool RadioButton::Checked() const { return node_->checked; }
void RadioButton::OnClick(Handler handler) { node_->onClick = std::move(handler); }
void RadioButton::Click() {
  if (!Usable()) return;
  SetChecked(true);
  Application::Dispatch(node_->onClick);
}

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
