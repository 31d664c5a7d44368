// What the files of the Win32 binding share: the node behind every control, the binding's
// state, and the helpers that make controls and read them back.
#pragma once

#include "platform/win32.h"

#include <commctrl.h>

#include <map>
#include <memory>
#include <utility>

#include "platform/platform.h"
#include "ui/binding.h"
#include "ui/ui.h"

namespace ui {

enum class Kind {
  kForm,
  kPanel,
  kGroup,
  kLabel,
  kLink,
  kImage,
  kButton,
  kEdit,
  kSpin,
  kCombo,
  kRadio
};

struct Node {
  Kind kind = Kind::kForm;
  Node* parent = nullptr;
  std::vector<Node*> children;
  HWND hwnd = nullptr;   // the control; for a form, panel or group, its container window
  HWND extra = nullptr;  // a group's frame, a spin field's arrows
  bool enabled = true;
  int quiet = 0;         // the program changes the control: its notifications are not the user's
  HFONT font = nullptr;  // owned, where the control has a font of its own
  HBRUSH background = nullptr;  // owned: a white panel's
  HBITMAP picture = nullptr;    // owned: an image's
  HWND lastFocus = nullptr;     // a form's control that had the focus when it was deactivated
  HIMAGELIST buttonImages = nullptr;
  std::vector<Text> images;
  int imageMargin = 0;
  int enabledImage = -1, disabledImage = -1;
  int minimum = 0, maximum = 0, maxLength = 0;
  Text link;
  std::function<void(const Text&)> onLink;
  Handler onChange, onClick, onIdle, onEndSession;
  bool clicked =
      false;  // a radio button: a real click (mouse or space) comes before its BN_CLICKED
  std::vector<std::pair<Text, Handler>> menu;  // a form's items in its system menu
  // Lengths as the program gives them are pixels at 96 dpi, scaled to the form's monitor.
  Bounds logical;     // as given (a form: its client size)
  FontSpec fontSpec;  // of the node's own font
  int dpi = 96;       // a form's: its monitor's
};

struct TimerState {
  HWND window = nullptr;
  UINT_PTR id = 0;
  int interval = 1000;
  bool enabled = false;
  Handler handler;
};

struct Timer::Impl : TimerState {};

struct FileWatcherState;  // file_watcher_win32.cpp

inline constexpr wchar_t kContainerClass[] = L"KelvoraContainer";
// Posted to a form by a file watcher's thread: wParam is the watcher's id.
inline constexpr UINT kFileChangedMessage = WM_APP + 1;
// The tray icon's callback message: lParam is the mouse message.
inline constexpr UINT kTrayMessage = WM_APP + 3;
// The message-only window that receives WM_HOTKEY (ids from 1, in the order registered).
inline constexpr wchar_t kHotkeysWindowName[] = L"KELVORA Pro hotkeys";
// The dialog of fields: its window class, and its fields' control ids, in order.
inline constexpr wchar_t kFieldsClass[] = L"KelvoraFields";
// A chord's key as a virtual-key code (0 for none), and back (empty for a key no chord names).
UINT VirtualKeyOf(const Text& key);
// A chord (Win left out) as the system's hotkey control holds it.
WORD HotkeyControlValue(const KeyChord& chord);
Text KeyNameOfVirtualKey(UINT code);
inline constexpr int kFieldIdFirst = 100;
// Posted by Application::Post to its message-only window: lParam is the Handler to run (owned).
inline constexpr UINT kPostedMessage = WM_APP + 2;

struct State {
  std::vector<Node*> forms;
  Node* mainForm = nullptr;
  std::map<UINT_PTR, TimerState*> timers;
  UINT_PTR lastTimer = 0;
  std::map<UINT_PTR, FileWatcherState*> watchers;
  UINT_PTR lastWatcher = 0;
  std::map<std::pair<Text, int>, HBITMAP> pictures;  // the image lists' pictures by name and dpi
  std::unique_ptr<ComApartment> apartment;
};

State& Global();
HINSTANCE Instance();
[[noreturn]] void SystemFail(const std::string& what);

// --- Nodes and their windows (node_win32.cpp) ------------------------------------------------

Node* NodeOf(HWND hwnd);
// Enabled, and so are all its parents.
bool NodeUsable(const Node* node);
Node* NodeNew(Kind kind, Node* parent);
// Common controls, our window class and COM for the pictures and dialogs: once per program.
void WindowingPrepare();
HWND WindowCreate(Node* node, DWORD exStyle, const wchar_t* windowClass, TextView text, DWORD style,
                  Bounds b, HWND parent);
// A child control of parent, in the parent's font, usable when the parent is.
Node* ControlMake(Kind kind, Widget& parent, const wchar_t* windowClass, DWORD style, Bounds b,
                  TextView text = {}, DWORD exStyle = 0);
// A form, panel or group: a window of our class that holds controls.
Node* ContainerMake(Kind kind, Widget& parent, Bounds b, DWORD style);
// A new child window goes to the bottom of its siblings (the tab order follows creation); a
// group's frame must stay beneath them all, or it would hide them.
void GroupFrameLower(const Node* parent);
// The dots per inch of the window's monitor; the system's for no window.
int DpiOf(HWND hwnd);
// A system metric (SM_CXMENUCHECK...) at this dpi.
int MetricFor(int index, int dpi);
// A length in pixels at 96 dpi, at this dpi.
inline int Scaled(int length, int dpi) { return MulDiv(length, dpi, 96); }
// Tahoma at the given size (in pixels at 96 dpi) at this dpi.
HFONT FontCreate(FontSpec wanted, int dpi);
// The dpi of the node's form.
int NodeDpi(const Node* node);
// A length of the program's (at 96 dpi) at the node's dpi, and back.
int NodeScaled(const Node* node, int length);
int NodeUnscaled(const Node* node, int length);
// Tahoma at the given size; the node owns it from then on.
void OwnFontSet(Node* node, FontSpec font);
// The control's own font, else its nearest container's.
HFONT FontOf(const Node* node);
// The size of one line of text in the font (of a blank for none), drawn in the window.
SIZE TextExtent(HWND hwnd, HFONT font, TextView text);
SIZE TextExtent(const Node* node, TextView text);
void Resize(const Node* node, int width, int height);
// Moves the window to the middle of the desktop's work area.
void WindowCentre(HWND hwnd);
// The size where the bounds leave it to the control (natural: at the node's dpi).
void FitTo(const Node* node, Bounds bounds, SIZE natural);
// The form moved to a monitor of another dpi: every control laid out, lettered and pictured
// anew for it; the form takes the rectangle the system suggests (window_win32.cpp).
void FormDpiChange(Node* form, int dpi, const RECT& suggested);
// A control's own part of that: its pictures and the size its text gives it (controls_win32.cpp).
void ControlRescale(Node* control);
// White beneath a white panel, the dialog colour elsewhere.
COLORREF BackgroundOf(const Node* node);
Text WindowText(HWND hwnd);
// The program sets a text: the control's notifications of it run no handler.
void QuietTextSet(Node* node, TextView text);
// Enables the node's windows as its own state and its parents' allow.
void EnableTree(Node* node);

// --- What the window procedure hands on ------------------------------------------------------

// Our container windows' procedure (window_win32.cpp).
LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// The dialog of fields' procedure (dialogs_win32.cpp).
LRESULT CALLBACK FieldsProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// A notification (WM_COMMAND) from one of the controls (controls_win32.cpp).
void ControlNotify(Node* control, WORD code);
// A click on a link (controls_win32.cpp).
void LinkActivate(Node* link);
// WM_TIMER (timer_win32.cpp).
void TimerFire(UINT_PTR id);
// kFileChangedMessage (file_watcher_win32.cpp).
void FileWatcherFire(UINT_PTR id);
// kTrayMessage (tray_icon_win32.cpp).
void TrayNotify(LPARAM event);
// WM_HOTKEY (hotkeys_win32.cpp).
void HotkeyFire(int id);
// WM_COPYDATA: an action sent by another process (remote_control_win32.cpp); TRUE when taken.
LRESULT RemoteCopyData(const COPYDATASTRUCT* data);

}  // namespace ui
