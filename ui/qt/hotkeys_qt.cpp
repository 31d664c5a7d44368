// Hotkeys on X11: passive grabs of the chords on the root window, through the X connection Qt
// already has; the key presses come back through Qt's native event filter. On another platform
// (Wayland) none can be had: the media controls and the commands are the ways in there.
#include <QAbstractNativeEventFilter>
#include <QGuiApplication>

#include "ui/qt/node_qt.h"

// After Qt's headers: Xlib's macros (None, Bool, CursorShape...) would break them.
// clang-format off
#include <X11/Xlib.h>
#include <xcb/xcb.h>
// clang-format on

namespace ui {

namespace {

// NumLock and CapsLock must not keep a chord from acting: each grab is made with each of them.
constexpr uint16_t kLocks[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                               XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr uint16_t kChordMask =
    XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1 | XCB_MOD_MASK_4;

uint16_t ModifiersOf(const KeyChord& chord) {
  return (chord.shift ? XCB_MOD_MASK_SHIFT : 0) | (chord.ctrl ? XCB_MOD_MASK_CONTROL : 0) |
         (chord.alt ? XCB_MOD_MASK_1 : 0) | (chord.super ? XCB_MOD_MASK_4 : 0);
}

struct Grab {
  xcb_keycode_t keycode;
  uint16_t modifiers;
  std::string action;
};

class Grabber : public QAbstractNativeEventFilter {
 public:
  Grabber(Display* display, xcb_connection_t* connection)
      : display_(display),
        connection_(connection),
        root_(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root) {}
  ~Grabber() override { Release(); }
  Grabber(const Grabber&) = delete;
  Grabber& operator=(const Grabber&) = delete;

  std::function<void(const std::string&)> handler;

  // False when the X server refused the grab (another program holds the chord).
  bool Take(const KeyChord& chord, const std::string& action) {
    std::string name = chord.key == u"Space" ? "space" : TextToUtf8(chord.key);
    KeySym symbol = XStringToKeysym(name.c_str());
    xcb_keycode_t keycode = symbol == NoSymbol ? 0 : XKeysymToKeycode(display_, symbol);
    if (keycode == 0) return false;
    uint16_t modifiers = ModifiersOf(chord);
    for (uint16_t lock : kLocks) {
      xcb_void_cookie_t cookie =
          xcb_grab_key_checked(connection_, 1, root_, modifiers | lock, keycode,
                               XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
      if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
        std::free(error);
        Ungrab(keycode, modifiers);
        return false;
      }
    }
    grabs_.push_back({keycode, modifiers, action});
    return true;
  }

  void Release() {
    for (const Grab& grab : grabs_) Ungrab(grab.keycode, grab.modifiers);
    grabs_.clear();
    xcb_flush(connection_);
  }

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    auto* event = static_cast<xcb_generic_event_t*>(message);
    if ((event->response_type & ~0x80) != XCB_KEY_PRESS) return false;
    auto* press = reinterpret_cast<xcb_key_press_event_t*>(event);
    for (const Grab& grab : grabs_) {
      if (grab.keycode != press->detail || grab.modifiers != (press->state & kChordMask)) continue;
      if (handler) Application::Dispatch([&] { handler(grab.action); });
      return true;
    }
    return false;
  }

 private:
  void Ungrab(xcb_keycode_t keycode, uint16_t modifiers) {
    for (uint16_t lock : kLocks) xcb_ungrab_key(connection_, keycode, root_, modifiers | lock);
  }

  Display* display_;
  xcb_connection_t* connection_;
  xcb_window_t root_;
  std::vector<Grab> grabs_;
};

}  // namespace

struct Hotkeys::Impl {
  std::unique_ptr<Grabber> grabber;  // none off X11
};

Hotkeys::Hotkeys(Form&) : impl_(std::make_unique<Impl>()) {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11 || !x11->display() || !x11->connection()) return;
  impl_->grabber = std::make_unique<Grabber>(x11->display(), x11->connection());
  qGuiApp->installNativeEventFilter(impl_->grabber.get());
}

Hotkeys::~Hotkeys() {
  if (impl_->grabber && qGuiApp) qGuiApp->removeNativeEventFilter(impl_->grabber.get());
}

std::vector<KeyChord> Hotkeys::Register(const std::vector<std::pair<KeyChord, std::string>>& keys) {
  if (!impl_->grabber) return {};  // no way to have them here: nothing to report
  impl_->grabber->Release();
  std::vector<KeyChord> refused;
  for (const auto& [chord, action] : keys) {
    if (!impl_->grabber->Take(chord, action)) refused.push_back(chord);
  }
  return refused;
}

void Hotkeys::OnPress(std::function<void(const std::string&)> handler) {
  if (impl_->grabber) impl_->grabber->handler = std::move(handler);
}

}  // namespace ui
