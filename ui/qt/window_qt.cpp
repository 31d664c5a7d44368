// The application object, its message loop and the form.
#include <unistd.h>
#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QScreen>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>

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
int signalPipe[2] = {-1, -1};

// SIGTERM, SIGINT and SIGHUP (a logout without session management, kill, Ctrl+C) close the
// windows the normal way, so the main window's destruction saves what it saves. The handler
// only writes to a pipe; the event loop reads it.
void SignalNoted(int) {
  char byte = 1;
  [[maybe_unused]] ssize_t ignored = ::write(signalPipe[1], &byte, 1);
}

void SignalsToClose() {
  if (::pipe(signalPipe) != 0) return;
  auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, application.get());
  QObject::connect(notifier, &QSocketNotifier::activated, application.get(), [] {
    char byte = 0;
    [[maybe_unused]] ssize_t ignored = ::read(signalPipe[0], &byte, 1);
    QApplication::closeAllWindows();
  });
  struct sigaction action {};
  action.sa_handler = SignalNoted;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

// Ends the loop once the watched window has taken a close (the close may be refused: it is
// looked at after the event).
class CloseWatch : public QObject {
 public:
  explicit CloseWatch(QWidget* window) : window_(window) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == window_ && event->type() == QEvent::Close) {
      QMetaObject::invokeMethod(
          qApp, [window = window_] { if (!window->isVisible()) QCoreApplication::quit(); },
          Qt::QueuedConnection);
    }
    return false;
  }

 private:
  QWidget* window_;
};

}  // namespace

Application::Application(int& argc, char** argv, TextView title) {
  TitleSet(title);
  application = std::make_unique<QApplication>(argc, argv);
  QApplication::setApplicationName(Q(title));
  // Where Tahoma is missing, fonts of about its width; the Japanese one for the full-width
  // bracket of the timestamp choice.
  QFont::insertSubstitutions(
      QStringLiteral("Tahoma"),
      {QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Arial Narrow"),
       QStringLiteral("IPAGothic"), QStringLiteral("DejaVu Sans")});
  SignalsToClose();
}

Application::~Application() { application.reset(); }

int Application::Run(Form& main) {
  // Only the main form's close ends the loop: a message box or dialog closed while the form is
  // hidden (in the tray) would otherwise count as the last window closed and end the program.
  QApplication::setQuitOnLastWindowClosed(false);
  QWidget* window = main.node()->widget;
  auto* closing = new CloseWatch(window);
  window->installEventFilter(closing);
  main.Show();
  int result = QApplication::exec();
  window->removeEventFilter(closing);
  delete closing;
  return result;
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
void Form::OnEndSession(Handler handler) {
  // The session manager asks the application to save before the session ends.
  QObject::connect(qApp, &QGuiApplication::commitDataRequest, node_->widget,
                   [handler](QSessionManager&) { Application::Dispatch(handler); });
}
Text Form::Caption() const { return T(node_->widget->windowTitle()); }
void Application::Post(Handler fn) {
  QCoreApplication* application = QCoreApplication::instance();
  if (!application) return;
  QMetaObject::invokeMethod(
      application, [fn = std::move(fn)] { Application::Dispatch(fn); }, Qt::QueuedConnection);
}
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
void Form::MenuAdd(TextView caption, Handler handler) {
  QWidget* window = node_->widget;
  window->setContextMenuPolicy(Qt::ActionsContextMenu);
  auto* action = new QAction(Q(caption), window);
  QObject::connect(action, &QAction::triggered, window,
                   [handler = std::move(handler)] { Application::Dispatch(handler); });
  window->addAction(action);
}
void Form::MenuChoose(TextView caption) {
  for (QAction* action : node_->widget->actions()) {
    if (action->text() == Q(caption)) action->trigger();
  }
}
void Form::Raise() {
  QWidget* window = node_->widget;
  window->show();
  window->raise();
  window->activateWindow();
}
void Form::Hide() { node_->widget->hide(); }
bool Form::Visible() const { return node_->widget->isVisible(); }
void Form::Close() { node_->widget->close(); }

}  // namespace ui
