#include "ui/qt/node_qt.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <algorithm>

namespace ui {

QFont FontOf(FontSpec wanted) {
  QFont font(QStringLiteral("Tahoma"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(wanted.pixels);
  font.setBold(wanted.bold);
  return font;
}

QPixmap Picture(const Text& resource) {
  const QString path = QStringLiteral(":/images/") + Q(resource);
  // On a scaled screen the picture drawn at twice the size, where the program has one.
  if (qGuiApp->devicePixelRatio() > 1) {
    QPixmap sharp(path + "_2x.png");
    if (!sharp.isNull()) {
      sharp.setDevicePixelRatio(2);
      return sharp;
    }
  }
  return QPixmap(path + ".png");
}

Widget::~Widget() {
  delete node_->widget;
  delete node_;
}
void Widget::SetEnabled(bool enabled) { node_->widget->setEnabled(enabled); }
bool Widget::Enabled() const { return !node_->widget->testAttribute(Qt::WA_ForceDisabled); }
bool Widget::Usable() const { return node_->widget->isEnabled(); }
bool Widget::TextFits() const {
  QWidget* widget = node_->widget;
  int width = widget->width();
  if (auto* combo = qobject_cast<QComboBox*>(widget)) {
    // The widest item, with the frame and arrow the style draws around it.
    QStyleOptionComboBox option;
    option.initFrom(combo);
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i) {
      widest = std::max(widest, combo->fontMetrics().horizontalAdvance(combo->itemText(i)));
    }
    QSize needed = combo->style()->sizeFromContents(
        QStyle::CT_ComboBox, &option, QSize(widest, combo->fontMetrics().height()), combo);
    return needed.width() <= width;
  }
  if (auto* group = qobject_cast<QGroupBox*>(widget)) {
    return group->fontMetrics().horizontalAdvance(group->title()) + 16 <= width;
  }
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    return edit->fontMetrics().horizontalAdvance(edit->text()) + 8 <= width;
  }
  if (auto* button = qobject_cast<QPushButton*>(widget)) {
    // The style's minimum width is not the text's: the text and the picture beside it.
    int picture = button->icon().isNull() ? 0 : button->iconSize().width() + 4;
    return button->fontMetrics().horizontalAdvance(button->text()) + picture + 8 <= width;
  }
  if (qobject_cast<QLabel*>(widget) || qobject_cast<QAbstractButton*>(widget)) {
    return widget->sizeHint().width() <= width;
  }
  return true;
}

Bounds Widget::GetBounds() const {
  QRect r = node_->widget->geometry();
  return {r.x(), r.y(), r.width(), r.height()};
}

}  // namespace ui
