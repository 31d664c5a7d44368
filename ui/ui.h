// The few controls the main window is built from, free of any toolkit's types. One binding per
// toolkit (headless/ for tests, qt/ for Linux, win32/ for Windows) is chosen at link time.
//
// Rules every binding keeps (ui_contract_test.cpp pins them):
// - an index, check, value or text set by the program runs no handler; only the user's action
//   (or the simulated one: Click, UserSelect, UserType) does;
// - radio buttons with one parent exclude each other;
// - a disabled container disables its children;
// - a disabled timer never fires;
// - an exception leaving a handler goes to the error handler (a message box with a stop icon, OK
//   and the application title) and the program goes on.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/unicode.h"

namespace ui {

using Handler = std::function<void()>;

struct Bounds {
  int left = 0, top = 0, width = 0, height = 0;  // width or height 0: the control's own size
};

struct FontSpec {
  int pixels = 11;
  bool bold = false;
};

enum class MessageKind { kError, kWarning };

struct OpenFileRequest {
  Text initialFolder;  // empty: the dialog's own default
  Text filterName;     // "テキストファイル"
  Text filterPattern;  // "*.txt"
  Text defaultExtension;
  std::vector<Text> encodings;
  int encodingIndex = 0;
};

struct OpenFileResult {
  Text path;
  int encodingIndex = 0;
};

// One labelled field of a dialog of fields.
struct DialogField {
  // kKey takes a key as pressed (with its modifiers), its value a KeyChordText or empty.
  enum class Kind { kNumber, kText, kCheck, kKey };
  Text label;
  Kind kind = Kind::kText;
  Text value;                    // kCheck: "1" checked, "0" not
  int minimum = 0, maximum = 0;  // kNumber
  Text heading = {};             // the group it is shown under, titled where the group changes
  Text note = {};                // shown beside the field
};

struct FieldsRequest {
  Text caption;
  std::vector<DialogField> fields;
  // The values as the user left them, in the fields' order: what is wrong with them, or empty.
  std::function<Text(const std::vector<Text>& values)> check;
};

// A modal message box; the application title is its caption.
void MessageShow(TextView text, MessageKind kind);
// The open-file dialog with an encoding choice; empty when the user cancels.
std::optional<OpenFileResult> OpenFileDialog(const OpenFileRequest& request);
// A modal dialog of the fields with OK and Cancel, owned by the visible form. OK runs the check:
// its message is shown and the dialog stays. The values on OK, nothing on Cancel or close.
std::optional<std::vector<Text>> FieldsDialog(const FieldsRequest& request);

class Form;

// Whether a window can be shown here (a desktop session, or a platform chosen for the toolkit).
bool DisplayAvailable();

class Application {
 public:
  // title: the caption of the error box. argc and argv may be consumed by the toolkit.
  Application(int& argc, char** argv, TextView title);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Shows the form and runs the message loop until it is closed.
  int Run(Form& main);
  // Lets events (timers, idle handlers) happen for this long, then returns.
  void ProcessEventsFor(int milliseconds);

  // Runs fn as an event handler: what it throws is shown by the error handler.
  static void Dispatch(const Handler& fn);
  // Any thread: fn runs soon on the window's thread, as an event handler (nothing when no
  // Application is running).
  static void Post(Handler fn);
  static Text Title();
};

struct Node;

// What every control has. Controls are owned by their creator and die before their parent.
class Widget {
 public:
  ~Widget();
  Widget(const Widget&) = delete;
  Widget& operator=(const Widget&) = delete;

  void SetEnabled(bool enabled);
  bool Enabled() const;
  // Enabled, and so are all its parents: the user can use it.
  bool Usable() const;
  Bounds GetBounds() const;
  // Whether its text (caption, text, every item of a list) is drawn whole at its size in its
  // font.
  bool TextFits() const;
  Node* node() const { return node_; }

 protected:
  explicit Widget(Node* node) : node_(node) {}
  Node* node_;
};

class Form : public Widget {
 public:
  // A fixed-size window (no maximize box), centred when shown.
  Form(TextView caption, int clientWidth, int clientHeight, FontSpec font);
  Text Caption() const;
  // Runs whenever the event queue is empty.
  void OnIdle(Handler handler);
  // Runs when the desktop session ends (sign-out, shut-down) with the window open: the program
  // may be ended at any moment after it, without its window being closed.
  void OnEndSession(Handler handler);
  // Shows the form, centred, without running a message loop (Application::Run does both).
  void Show();
  // Shows the window where it is and brings it in front of the other programs' windows, with
  // the keyboard (as far as the desktop lets a program take it).
  void Raise();
  // Hides the window without closing it (the program goes on: the tray shows it again).
  void Hide();
  bool Visible() const;
  void Close();
  // Adds an item to the window's own menu (the system menu on Windows, the context menu on
  // Linux); menus of the window's controls keep their own.
  void MenuAdd(TextView caption, Handler handler);
  // The user's choice of the item with that caption.
  void MenuChoose(TextView caption);
  // Saves a picture of the window as PNG; false where the binding draws nothing.
  bool Screenshot(TextView pngPath) const;
};

class Panel : public Widget {
 public:
  Panel(Widget& parent, Bounds bounds, bool white);
};

class GroupBox : public Widget {
 public:
  GroupBox(Widget& parent, Bounds bounds, TextView caption);
};

class Label : public Widget {
 public:
  Label(Widget& parent, Bounds bounds, TextView text, FontSpec font = {});
  void SetText(TextView text);
  Text GetText() const;
};

class LinkLabel : public Widget {
 public:
  LinkLabel(Widget& parent, Bounds bounds, FontSpec font);
  // One link whose target and shown text are both target.
  void SetLink(TextView target);
  Text Link() const;
  // onClick gets the clicked link's target.
  void OnClick(std::function<void(const Text&)> onClick);
  void Click();
};

// A picture from the program's resources, by name ("logo").
class Image : public Widget {
 public:
  Image(Widget& parent, Bounds bounds, TextView resource);
};

// Pictures from the program's resources, by index.
class ImageList {
 public:
  explicit ImageList(std::vector<Text> resources) : resources_(std::move(resources)) {}
  const std::vector<Text>& Resources() const { return resources_; }

 private:
  std::vector<Text> resources_;
};

class Button : public Widget {
 public:
  Button(Widget& parent, Bounds bounds, const ImageList& images, int imageMargin);
  void SetCaption(TextView caption);
  Text Caption() const;
  // The image shown while enabled, and the one shown while disabled.
  void SetImages(int enabledImage, int disabledImage);
  int ImageShown() const;
  void OnClick(Handler handler);
  void Click();  // the user's click: nothing while not usable
};

class Edit : public Widget {
 public:
  Edit(Widget& parent, Bounds bounds);
  void SetText(TextView text);
  Text GetText() const;
  void UserType(TextView text);
};

// A number field with up and down arrows. The user may type any text of up to maxLength
// characters; it is brought into range when the field loses the focus.
class SpinEdit : public Widget {
 public:
  SpinEdit(Widget& parent, Bounds bounds, int minimum, int maximum, int maxLength);
  void SetValue(int value);  // brought into range; runs no handler
  // The text read as a whole number; text that is no number counts as the minimum.
  int Value() const;
  Text GetText() const;
  void OnChange(Handler handler);
  void UserType(TextView text);  // runs OnChange
};

// A drop-down list without typing.
class ComboBox : public Widget {
 public:
  ComboBox(Widget& parent, Bounds bounds);
  void ItemsClear();
  void ItemAdd(TextView item);
  int ItemCount() const;
  Text ItemText(int index) const;
  void SetItemIndex(int index);  // -1: no selection; runs no handler
  int ItemIndex() const;
  void OnChange(Handler handler);
  void UserSelect(int index);  // runs OnChange
};

class RadioButton : public Widget {
 public:
  RadioButton(Widget& parent, Bounds bounds, TextView caption);
  void SetChecked(bool checked);  // checking unchecks the siblings; runs no handler
  bool Checked() const;
  void OnClick(Handler handler);
  void Click();  // the user's click: checks it, then OnClick
};

// A window timer; it fires on the window thread.
class Timer {
 public:
  explicit Timer(Form& form);
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  void SetInterval(int milliseconds);
  int Interval() const;
  void SetEnabled(bool enabled);
  bool Enabled() const;
  void OnTimer(Handler handler);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Tells when files change on disk, on the window thread, naming what changed: a watched file
// written, made or removed, or any file of a watched folder. Changes to one file close together
// may be told once. When the system cannot say which files changed (it lost count), the watched
// folder itself is named. A path that cannot be watched (not there, no watches left, a network
// folder) is passed over silently: the caller's timer stays in charge of it.
class FileWatcher {
 public:
  using ChangeHandler = std::function<void(const Text& path)>;
  explicit FileWatcher(Form& form);
  ~FileWatcher();
  FileWatcher(const FileWatcher&) = delete;
  FileWatcher& operator=(const FileWatcher&) = delete;
  // Watches these files and folders from now on (none for an empty list); a path watched
  // already keeps its watch, one that was dropped (its folder replaced) is watched again.
  void Watch(const std::vector<Text>& paths);
  void OnChange(ChangeHandler handler);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// What the running program shows the desktop's media controls (MPRIS on Linux).
struct RemoteState {
  bool monitoring = false;
  bool paused = false;
  bool speaking = false;
  Text speaker;         // of the chat being spoken
  Text title;           // the start of the text being spoken
  bool forYou = false;  // it mentions the user
  bool operator==(const RemoteState&) const = default;
};

// A request from another process: a command as `kelvora skip` and its kin send it ("skip"), or
// on Linux a method of the desktop's media controls (MPRIS: "PlayPause", "Next", "Raise").
struct RemoteRequest {
  enum class Kind { kCommand, kMediaControl };
  Kind kind = Kind::kCommand;
  std::string name;
};
// What the program makes of a request: the work to do (run after the sender has its answer, as an
// event handler), or nothing, which refuses it.
using RemoteAnswer = std::function<Handler(const RemoteRequest& request)>;

// The program offered to the desktop beside its window: the commands another process sends, and
// on Linux the media player the desktop's media keys and controls drive
// (org.mpris.MediaPlayer2.kelvora on the session bus). Where the desktop offers no way (no session
// bus) there is silently none.
class RemoteControl {
 public:
  explicit RemoteControl(Form& form);
  ~RemoteControl();
  RemoteControl(const RemoteControl&) = delete;
  RemoteControl& operator=(const RemoteControl&) = delete;
  void OnRequest(RemoteAnswer answer);
  void StateSet(const RemoteState& state);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Hands a command to the running program (from another process); false when none runs, it
// refused the command, or it did not answer within two seconds.
bool RemoteCommandSend(const std::string& command);

// An icon in the desktop's system tray (Windows always; Linux where a StatusNotifier or XEmbed
// tray exists; none elsewhere), with a menu of actions and a tooltip.
class TrayIcon {
 public:
  // Shows nothing until Show: a window that never runs as the program (a test's) costs nothing.
  explicit TrayIcon(Form& form);
  ~TrayIcon();
  void Show();
  TrayIcon(const TrayIcon&) = delete;
  TrayIcon& operator=(const TrayIcon&) = delete;
  // The menu, in order: each item's caption and the action it tells; an empty caption draws a
  // separator.
  void MenuSet(const std::vector<std::pair<Text, std::string>>& items);
  void OnAction(std::function<void(const std::string& action)> handler);
  void TooltipSet(TextView text);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A key with its modifiers, as Setup.ini writes it: "Ctrl+Alt+Shift+F9".
struct KeyChord {
  bool ctrl = false, alt = false, shift = false, super = false;
  Text key;  // "A".."Z", "0".."9", "F1".."F24", "Pause", "Space"
  bool operator==(const KeyChord&) const = default;
};
// The chord a text names, in any case and with blanks around the "+"; nothing for a text that
// names none (an unknown key, no key or two, no modifier for a letter, digit or Space).
std::optional<KeyChord> KeyChordParse(TextView text);
Text KeyChordText(const KeyChord& chord);

// Keys that act while another program has the focus: Windows' hotkeys, a grab of the X11 root
// window on Linux; none on a desktop that allows neither (Wayland).
class Hotkeys {
 public:
  explicit Hotkeys(Form& form);
  ~Hotkeys();
  Hotkeys(const Hotkeys&) = delete;
  Hotkeys& operator=(const Hotkeys&) = delete;
  // Registers each chord for its action, in place of those registered before; the chords that
  // could not be (another program holds them), which the others do not depend on.
  std::vector<KeyChord> Register(const std::vector<std::pair<KeyChord, std::string>>& keys);
  void OnPress(std::function<void(const std::string& action)> handler);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ui
