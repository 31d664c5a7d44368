#include <algorithm>

#include "ui/headless/node_headless.h"

namespace ui {

namespace {

Node* NodeOf(Widget& widget) { return widget.node(); }

}  // namespace

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

}  // namespace ui
