#include <algorithm>

#include "ui/headless/node_headless.h"

namespace ui {

State& Global() {
  static State state;
  return state;
}

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
bool Widget::TextFits() const { return true; }  // nothing is drawn

}  // namespace ui
