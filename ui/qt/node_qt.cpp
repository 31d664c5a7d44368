#include "ui/qt/node_qt.h"

namespace ui {

QFont FontOf(FontSpec wanted) {
  QFont font(QStringLiteral("Tahoma"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(wanted.pixels);
  font.setBold(wanted.bold);
  return font;
}

QPixmap Picture(const Text& resource) {
  return QPixmap(QStringLiteral(":/images/") + Q(resource) + ".png");
}

Widget::~Widget() {
  delete node_->widget;
  delete node_;
}
void Widget::SetEnabled(bool enabled) { node_->widget->setEnabled(enabled); }
bool Widget::Enabled() const { return !node_->widget->testAttribute(Qt::WA_ForceDisabled); }
bool Widget::Usable() const { return node_->widget->isEnabled(); }
Bounds Widget::GetBounds() const {
  QRect r = node_->widget->geometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

}  // namespace ui
