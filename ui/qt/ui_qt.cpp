// The Qt 6 Widgets binding.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTimer>

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

namespace {

struct State {
  Text title;
  MessageHook messageHook;
  OpenFileHook openFileHook;
};

State& Global() {
  static State state;
  return state;
}

QString Q(TextView text) {
  return QString(reinterpret_cast<const QChar*>(text.data()), static_cast<qsizetype>(text.size()));
}

Text T(const QString& text) {
  return Text(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
}

QFont FontOf(FontSpec wanted) {
  // Tahoma where the system has it, else the platform's sans-serif.
  QFont font(QStringLiteral("Tahoma"));
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(wanted.pixels);
  font.setBold(wanted.bold);
  return font;
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

QPixmap Picture(const Text& resource) {
  return QPixmap(QStringLiteral(":/images/") + Q(resource) + ".png");
}

}  // namespace

bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    if (!qEnvironmentVariableIsEmpty(name)) return true;
  }
  return false;
}

void MessageHookSet(MessageHook hook) { Global().messageHook = std::move(hook); }
void OpenFileHookSet(OpenFileHook hook) { Global().openFileHook = std::move(hook); }

void MessageShow(TextView text, MessageKind kind) {
  if (Global().messageHook) return Global().messageHook(text, kind);
  QMessageBox box(kind == MessageKind::kError ? QMessageBox::Critical : QMessageBox::Warning,
                  Q(Global().title), Q(text), QMessageBox::Ok);
  box.exec();
}

std::optional<OpenFileResult> OpenFileDialog(const OpenFileRequest& request) {
  if (Global().openFileHook) return Global().openFileHook(request);
  QFileDialog dialog(nullptr, Q(Global().title), Q(request.initialFolder));
  dialog.setOption(QFileDialog::DontUseNativeDialog);  // so it can hold the encoding choice
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(Q(request.filterName) + " (" + Q(request.filterPattern) + ")");
  dialog.setDefaultSuffix(Q(request.defaultExtension));
  auto* encoding = new QComboBox(&dialog);
  for (const Text& name : request.encodings) encoding->addItem(Q(name));
  encoding->setCurrentIndex(request.encodingIndex);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    int row = grid->rowCount();
    grid->addWidget(new QLabel(QStringLiteral("Encoding:"), &dialog), row, 0);
    grid->addWidget(encoding, row, 1);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return OpenFileResult{T(QDir::toNativeSeparators(dialog.selectedFiles().front())),
                        encoding->currentIndex()};
}

namespace {
std::unique_ptr<QApplication> application;
}  // namespace

Application::Application(int& argc, char** argv, TextView title) {
  Global().title = Text(title);
  application = std::make_unique<QApplication>(argc, argv);
  QApplication::setApplicationName(Q(title));
  // Where Tahoma is missing, fonts of about its width; the Japanese one for the full-width
  // bracket of the timestamp choice.
  QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                             {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                              QStringLiteral("IPAGothic"), QStringLiteral("DejaVu Sans")});
}

Application::~Application() { application.reset(); }

int Application::Run(Form& main) {
  main.Show();
  return QApplication::exec();
}

void Application::ProcessEventsFor(int milliseconds) {
  QEventLoop loop;
  QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
  loop.exec();
}

Text Application::Title() { return Global().title; }

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

Form::Form(TextView caption, int clientWidth, int clientHeight, FontSpec font)
    : Widget(
          NodeFor(new QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                           Qt::WindowCloseButtonHint))) {
  QWidget* window = node_->widget;
  window->setWindowTitle(Q(caption));
  window->setFixedSize(clientWidth, clientHeight);
  window->setFont(FontOf(font));
}
Text Form::Caption() const { return T(node_->widget->windowTitle()); }
void Form::OnIdle(Handler handler) {
  // The event loop is about to wait: nothing else is queued.
  QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock,
                   node_->widget, [handler] { Application::Dispatch(handler); });
}
void Form::Show() {
  QWidget* window = node_->widget;
  window->show();
  if (QScreen* screen = window->screen()) {
    QRect area = screen->availableGeometry();
    window->move(area.center() - window->rect().center());
  }
}
bool Form::Screenshot(TextView pngPath) const {
  return node_->widget->grab().save(Q(pngPath), "PNG");
}
void Form::Close() { node_->widget->close(); }

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
void SpinEdit::FocusLeave() {}

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
