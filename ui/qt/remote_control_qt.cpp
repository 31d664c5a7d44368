// The program on the session bus: org.mpris.MediaPlayer2.kelvora, the media player the desktop's
// media keys and controls drive (org.mpris.MediaPlayer2 and its Player), and org.kelvora.Control,
// which `kelvora skip` and its kin call. A virtual object, so no generated adaptor is needed.
#include <dbus/dbus.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <optional>

#include "ui/qt/node_qt.h"

namespace ui {

namespace {

const QString kService = QStringLiteral("org.mpris.MediaPlayer2.kelvora");
const QString kPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kControl = QStringLiteral("org.kelvora.Control");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr int kCallTimeout = 2000;  // milliseconds

constexpr char kIntrospection[] = R"(
  <interface name="org.mpris.MediaPlayer2">
    <method name="Raise"/><method name="Quit"/>
    <property name="CanQuit" type="b" access="read"/>
    <property name="CanRaise" type="b" access="read"/>
    <property name="HasTrackList" type="b" access="read"/>
    <property name="Identity" type="s" access="read"/>
    <property name="DesktopEntry" type="s" access="read"/>
    <property name="SupportedUriSchemes" type="as" access="read"/>
    <property name="SupportedMimeTypes" type="as" access="read"/>
  </interface>
  <interface name="org.mpris.MediaPlayer2.Player">
    <method name="Next"/><method name="Previous"/><method name="Pause"/>
    <method name="PlayPause"/><method name="Stop"/><method name="Play"/>
    <property name="PlaybackStatus" type="s" access="read"/>
    <property name="Rate" type="d" access="read"/>
    <property name="Metadata" type="a{sv}" access="read"/>
    <property name="Volume" type="d" access="read"/>
    <property name="Position" type="x" access="read"/>
    <property name="MinimumRate" type="d" access="read"/>
    <property name="MaximumRate" type="d" access="read"/>
    <property name="CanGoNext" type="b" access="read"/>
    <property name="CanGoPrevious" type="b" access="read"/>
    <property name="CanPlay" type="b" access="read"/>
    <property name="CanPause" type="b" access="read"/>
    <property name="CanSeek" type="b" access="read"/>
    <property name="CanControl" type="b" access="read"/>
  </interface>
  <interface name="org.kelvora.Control">
    <method name="Action"><arg name="action" type="s" direction="in"/></method>
  </interface>
)";

// The request a message makes: an MPRIS method, or the command of org.kelvora.Control's Action;
// nothing for another message.
std::optional<RemoteRequest> RequestOf(const QDBusMessage& message) {
  const QString interface = message.interface();
  if (interface == kRoot || interface == kPlayer) {
    return RemoteRequest{RemoteRequest::Kind::kMediaControl, message.member().toStdString()};
  }
  const QList<QVariant> args = message.arguments();
  if (interface == kControl && message.member() == QLatin1String("Action") && !args.isEmpty()) {
    return RemoteRequest{RemoteRequest::Kind::kCommand, args.front().toString().toStdString()};
  }
  return std::nullopt;
}

QString PlaybackStatus(const RemoteState& state) {
  if (!state.monitoring) return QStringLiteral("Stopped");
  return state.paused ? QStringLiteral("Paused") : QStringLiteral("Playing");
}

QVariantMap Metadata(const RemoteState& state) {
  QVariantMap metadata;
  metadata[QStringLiteral("mpris:trackid")] =
      QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/kelvora/chat")));
  metadata[QStringLiteral("xesam:title")] = Q(state.title);
  metadata[QStringLiteral("xesam:artist")] = QStringList{Q(state.speaker)};
  return metadata;
}

QVariantMap PlayerProperties(const RemoteState& state) {
  return {{QStringLiteral("PlaybackStatus"), PlaybackStatus(state)},
          {QStringLiteral("Rate"), 1.0},
          {QStringLiteral("Metadata"), Metadata(state)},
          {QStringLiteral("Volume"), 1.0},
          {QStringLiteral("Position"), qlonglong(0)},
          {QStringLiteral("MinimumRate"), 1.0},
          {QStringLiteral("MaximumRate"), 1.0},
          {QStringLiteral("CanGoNext"), true},
          {QStringLiteral("CanGoPrevious"), true},
          {QStringLiteral("CanPlay"), true},
          {QStringLiteral("CanPause"), true},
          {QStringLiteral("CanSeek"), false},
          {QStringLiteral("CanControl"), true}};
}

QVariantMap RootProperties() {
  return {{QStringLiteral("CanQuit"), false},
          {QStringLiteral("CanRaise"), true},
          {QStringLiteral("HasTrackList"), false},
          {QStringLiteral("Identity"), QStringLiteral("KELVORA Pro")},
          {QStringLiteral("DesktopEntry"), QStringLiteral("com.example.vortane.KelvoraPro")},
          {QStringLiteral("SupportedUriSchemes"), QStringList()},
          {QStringLiteral("SupportedMimeTypes"), QStringList()}};
}

class Player : public QDBusVirtualObject {
 public:
  RemoteAnswer answer;
  RemoteState state;

  QString introspect(const QString&) const override { return QString::fromLatin1(kIntrospection); }

  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.interface() == kProperties) return PropertiesAnswer(message, connection);
    std::optional<RemoteRequest> request = RequestOf(message);
    Handler work = request && answer ? answer(*request) : Handler();
    if (!work) {
      connection.send(message.createErrorReply(QDBusError::AccessDenied,
                                               QStringLiteral("not a request this program takes")));
      return true;
    }
    connection.send(message.createReply());
    // After the reply: the work may run a message loop (a warning box).
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [work] { Application::Dispatch(work); },
        Qt::QueuedConnection);
    return true;
  }

  void StateTell(const RemoteState& next) {
    if (next == state) return;
    state = next;
    QDBusMessage changed =
        QDBusMessage::createSignal(kPath, kProperties, QStringLiteral("PropertiesChanged"));
    changed << kPlayer << PlayerProperties(state) << QStringList();
    QDBusConnection::sessionBus().send(changed);
  }

 private:
  bool PropertiesAnswer(const QDBusMessage& message, const QDBusConnection& connection) {
    const QList<QVariant> args = message.arguments();
    QVariantMap all =
        args.value(0).toString() == kRoot ? RootProperties() : PlayerProperties(state);
    if (message.member() == QLatin1String("GetAll")) {
      connection.send(message.createReply(QVariant(all)));
    } else if (message.member() == QLatin1String("Get") && all.contains(args.value(1).toString())) {
      connection.send(
          message.createReply(QVariant::fromValue(QDBusVariant(all[args.value(1).toString()]))));
    } else {
      connection.send(
          message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("no such property")));
    }
    return true;
  }
};

}  // namespace

struct RemoteControl::Impl {
  Player player;
  bool registered = false;
};

RemoteControl::RemoteControl(Form&) : impl_(std::make_unique<Impl>()) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;  // no session bus: no media controls, no commands
  impl_->registered =
      bus.registerVirtualObject(kPath, &impl_->player) && bus.registerService(kService);
}

RemoteControl::~RemoteControl() {
  if (!impl_->registered) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterService(kService);
  bus.unregisterObject(kPath);
}

void RemoteControl::OnRequest(RemoteAnswer answer) { impl_->player.answer = std::move(answer); }

void RemoteControl::StateSet(const RemoteState& state) {
  if (impl_->registered) impl_->player.StateTell(state);
}

bool RemoteCommandSend(const std::string& action) {
  // Through libdbus itself, on a private connection of the command's own: no thread and no
  // queued signal outlives the call. QtDBus's connection thread could still deliver a call's
  // error (a queued signal carrying a QDBusError and a QDBusMessage) while the process ended,
  // after Qt's type registry was gone ("Trying to construct an instance of an invalid type").
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* bus = dbus_bus_get_private(DBUS_BUS_SESSION, &error);
  bool taken = false;
  if (bus) {
    dbus_connection_set_exit_on_disconnect(bus, FALSE);
    const std::string service = kService.toStdString(), path = kPath.toStdString(),
                      control = kControl.toStdString();
    DBusMessage* call =
        dbus_message_new_method_call(service.c_str(), path.c_str(), control.c_str(), "Action");
    const char* verb = action.c_str();
    if (call && dbus_message_append_args(call, DBUS_TYPE_STRING, &verb, DBUS_TYPE_INVALID)) {
      DBusMessage* reply =
          dbus_connection_send_with_reply_and_block(bus, call, kCallTimeout, &error);
      taken = reply && dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN;
      if (reply) dbus_message_unref(reply);
    }
    if (call) dbus_message_unref(call);
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
  }
  dbus_error_free(&error);
  return taken;
}

}  // namespace ui
