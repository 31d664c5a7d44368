// The application object, its message loop and the form.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QScreen>
#include <QTimer>

#include "ui/qt/node_qt.h"

namespace ui {

bool DisplayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    if (!qEnvironmentVariableIsEmpty(name)) return true;
  }
  return false;
}

namespace {
std::unique_ptr<QApplication> application;
}  // namespace

Application::Application(int& argc, char** argv, TextView title) {
  TitleSet(title);
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

}  // namespace ui
