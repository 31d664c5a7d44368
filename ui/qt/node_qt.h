// What the files of the Qt binding share: the node behind every control and the helpers that
// make controls.
#pragma once

#include <QKeySequence>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include "ui/binding.h"
#include "ui/ui.h"

namespace ui {

struct Node {
  QWidget* widget = nullptr;
  int enabledImage = -1, disabledImage = -1;
  std::vector<Text> images;
  Text link;
  std::function<void(const Text&)> onLink;
  Handler onChange, onClick;
};

inline QString Q(TextView text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

inline Text T(const QString& text) {
  return Text(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}

template <typename W>
W* Make(Widget& parent, Bounds bounds) {
  auto* widget = new W(parent.node()->widget);
  if (bounds.width > 0 && bounds.height > 0) {
    widget->setGeometry(bounds.left, bounds.top, bounds.width, bounds.height);
  } else {
    widget->move(bounds.left, bounds.top);
    widget->adjustSize();
    if (bounds.width > 0) widget->resize(bounds.width, widget->height());
  }
  return widget;
}

template <typename W>
Node* NodeFor(W* widget) {
  auto* node = new Node;
  node->widget = widget;
  return node;
}

template <typename W>
W* As(const Node* node) {
  return static_cast<W*>(node->widget);
}

// Tahoma where the system has it, else a font of about its width (see Application).
QFont FontOf(FontSpec wanted);
// A key chord (KeyChordText's form) as Qt names its keys, and back: Win is Qt's Meta; the first
// key of a sequence, as a KeyChordText where Setup.ini can keep it, else as Qt writes it.
QKeySequence KeySequenceOf(TextView chord);
Text ChordTextOf(const QKeySequence& sequence);
// A picture of the program's resources, by name ("logo"), at the screens' pixel ratio.
QPixmap Picture(const Text& resource);

}  // namespace ui
