// The controls: Qt's widgets, their signals turned into the handlers.
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "ui/qt/node_qt.h"

namespace ui {

Panel::Panel(Widget& parent, Bounds bounds, bool white)
    : Widget(NodeFor(Make<QWidget>(parent, bounds))) {
  if (white) {
    QPalette palette = node_->widget->palette();
    palette.setColor(QPalette::Window, Qt::white);
    node_->widget->setPalette(palette);
    node_->widget->setAutoFillBackground(true);
  }
}

GroupBox::GroupBox(Widget& parent, Bounds bounds, TextView caption)
    : Widget(NodeFor(Make<QGroupBox>(parent, bounds))) {
  As<QGroupBox>(node_)->setTitle(Q(caption));
}

Label::Label(Widget& parent, Bounds bounds, TextView text, FontSpec font)
    : Widget(NodeFor(Make<QLabel>(parent, bounds))) {
  if (font.bold || font.pixels != FontSpec{}.pixels) node_->widget->setFont(FontOf(font));
  SetText(text);
}
void Label::SetText(TextView text) {
  As<QLabel>(node_)->setText(Q(text));
  node_->widget->adjustSize();
}
Text Label::GetText() const { return T(As<QLabel>(node_)->text()); }

LinkLabel::LinkLabel(Widget& parent, Bounds bounds, FontSpec font)
    : Widget(NodeFor(Make<QLabel>(parent, bounds))) {
  node_->widget->setFont(FontOf(font));
  QObject::connect(As<QLabel>(node_), &QLabel::linkActivated, node_->widget,
                   [this](const QString&) { Click(); });
}
void LinkLabel::SetLink(TextView target) {
  node_->link = Text(target);
  QString link = Q(target).toHtmlEscaped();
  As<QLabel>(node_)->setText("<a href=\"" + link + "\">" + link + "</a>");
}
Text LinkLabel::Link() const { return node_->link; }
void LinkLabel::OnClick(std::function<void(const Text&)> onClick) {
  node_->onLink = std::move(onClick);
}
void LinkLabel::Click() {
  if (Usable() && node_->onLink) Application::Dispatch([this] { node_->onLink(node_->link); });
}

Image::Image(Widget& parent, Bounds bounds, TextView resource)
    : Widget(NodeFor(Make<QLabel>(parent, bounds))) {
  As<QLabel>(node_)->setPixmap(Picture(Text(resource)));
}

Button::Button(Widget& parent, Bounds bounds, const ImageList& images, int)
    : Widget(NodeFor(Make<QPushButton>(parent, bounds))) {
  node_->images = images.Resources();
  QObject::connect(As<QPushButton>(node_), &QPushButton::clicked, node_->widget,
                   [this] { Application::Dispatch(node_->onClick); });
}
void Button::SetCaption(TextView caption) { As<QPushButton>(node_)->setText(Q(caption)); }
Text Button::Caption() const { return T(As<QPushButton>(node_)->text()); }
void Button::SetImages(int enabledImage, int disabledImage) {
  if (enabledImage == node_->enabledImage && disabledImage == node_->disabledImage) return;
  node_->enabledImage = enabledImage;
  node_->disabledImage = disabledImage;
  QIcon icon;
  auto add = [&](int index, QIcon::Mode mode) {
    if (index >= 0 && index < static_cast<int>(node_->images.size())) {
      icon.addPixmap(Picture(node_->images[static_cast<size_t>(index)]), mode);
    }
  };
  add(enabledImage, QIcon::Normal);
  add(disabledImage, QIcon::Disabled);
  As<QPushButton>(node_)->setIcon(icon);
}
int Button::ImageShown() const { return Usable() ? node_->enabledImage : node_->disabledImage; }
void Button::OnClick(Handler handler) { node_->onClick = std::move(handler); }
void Button::Click() {
  if (Usable()) As<QPushButton>(node_)->click();
}

Edit::Edit(Widget& parent, Bounds bounds) : Widget(NodeFor(Make<QLineEdit>(parent, bounds))) {}
void Edit::SetText(TextView text) { As<QLineEdit>(node_)->setText(Q(text)); }
Text Edit::GetText() const { return T(As<QLineEdit>(node_)->text()); }
void Edit::UserType(TextView text) {
  if (Usable()) As<QLineEdit>(node_)->setText(Q(text));
}

SpinEdit::SpinEdit(Widget& parent, Bounds bounds, int minimum, int maximum, int maxLength)
    : Widget(NodeFor(Make<QSpinBox>(parent, bounds))) {
  auto* spin = As<QSpinBox>(node_);
  spin->setRange(minimum, maximum);
  spin->findChild<QLineEdit*>()->setMaxLength(maxLength);
  QObject::connect(spin, &QSpinBox::valueChanged, spin,
                   [this](int) { Application::Dispatch(node_->onChange); });
}
void SpinEdit::SetValue(int value) {
  QSignalBlocker quiet(node_->widget);
  As<QSpinBox>(node_)->setValue(value);
}
int SpinEdit::Value() const { return As<QSpinBox>(node_)->value(); }
Text SpinEdit::GetText() const { return T(As<QSpinBox>(node_)->text()); }
void SpinEdit::OnChange(Handler handler) { node_->onChange = std::move(handler); }
void SpinEdit::UserType(TextView text) {
  if (!Usable()) return;
  auto* spin = As<QSpinBox>(node_);
  bool ok = false;
  int value = Q(text).toInt(&ok);
  spin->setValue(ok ? value : spin->minimum());
}

ComboBox::ComboBox(Widget& parent, Bounds bounds)
    : Widget(NodeFor(Make<QComboBox>(parent, bounds))) {
  QObject::connect(As<QComboBox>(node_), &QComboBox::activated, node_->widget,
                   [this](int) { Application::Dispatch(node_->onChange); });
}
void ComboBox::ItemsClear() { As<QComboBox>(node_)->clear(); }
void ComboBox::ItemAdd(TextView item) {
  auto* box = As<QComboBox>(node_);
  int index = box->currentIndex();
  box->addItem(Q(item));
  box->setCurrentIndex(index);  // Qt selects the first item added; the program decides here
}
int ComboBox::ItemCount() const { return As<QComboBox>(node_)->count(); }
Text ComboBox::ItemText(int index) const { return T(As<QComboBox>(node_)->itemText(index)); }
void ComboBox::SetItemIndex(int index) {
  As<QComboBox>(node_)->setCurrentIndex(index >= 0 && index < ItemCount() ? index : -1);
}
int ComboBox::ItemIndex() const { return As<QComboBox>(node_)->currentIndex(); }
void ComboBox::OnChange(Handler handler) { node_->onChange = std::move(handler); }
void ComboBox::UserSelect(int index) {
  if (!Usable() || index < 0 || index >= ItemCount()) return;
  As<QComboBox>(node_)->setCurrentIndex(index);
  Q_EMIT As<QComboBox>(node_)->activated(index);
}

RadioButton::RadioButton(Widget& parent, Bounds bounds, TextView caption)
    : Widget(NodeFor(Make<QRadioButton>(parent, bounds))) {
  auto* radio = As<QRadioButton>(node_);
  radio->setText(Q(caption));
  radio->adjustSize();
  QObject::connect(radio, &QRadioButton::clicked, radio,
                   [this] { Application::Dispatch(node_->onClick); });
}
void RadioButton::SetChecked(bool checked) {
  auto* radio = As<QRadioButton>(node_);
  QSignalBlocker quiet(radio);
  // An exclusive button cannot be unchecked on its own; the group may end with none checked.
  radio->setAutoExclusive(checked);
  radio->setChecked(checked);
  radio->setAutoExclusive(true);
}
bool RadioButton::Checked() const { return As<QRadioButton>(node_)->isChecked(); }
void RadioButton::OnClick(Handler handler) { node_->onClick = std::move(handler); }
void RadioButton::Click() {
  if (Usable()) As<QRadioButton>(node_)->click();
}

}  // namespace ui
