// The Win32 binding: native controls of common controls 6 (the program's manifest asks for
// them). Forms, panels and groups are windows of one class of ours, whose procedure turns the
// controls' notifications into the handlers; the message loop runs the idle handlers whenever
// the queue is empty.
#include "platform/win32.h"

#include <commctrl.h>
#include <shobjidl.h>
#include <vsstyle.h>

#include <algorithm>
#include <map>
#include <stdexcept>

#include "platform/platform.h"
#include "ui/binding.h"
#include "ui/ui.h"
#include "ui/win32/picture_win32.h"

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
  Handler onChange, onClick, onIdle;
};

struct TimerState {
  HWND window = nullptr;
  UINT_PTR id = 0;
  int interval = 1000;
  bool enabled = false;
  Handler handler;
};

struct Timer::Impl : TimerState {};

namespace {

constexpr wchar_t kContainerClass[] = L"KelvoraContainer";
constexpr wchar_t kIconName[] = L"KELVORA";
constexpr int kEncodingBox = 1;  // the open-file dialog's own control id

struct State {
  Text title;
  MessageHook messageHook;
  OpenFileHook openFileHook;
  std::vector<Node*> forms;
  Node* mainForm = nullptr;
  std::map<UINT_PTR, TimerState*> timers;
  UINT_PTR lastTimer = 0;
  std::map<Text, HBITMAP> pictures;  // the image lists' pictures, decoded once
  std::unique_ptr<ComApartment> apartment;
};

State& Global() {
  static State state;
  return state;
}

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

[[noreturn]] void SystemFail(const std::string& what) {
  throw std::runtime_error(what + ": " + SystemMessage(GetLastError()));
}

Node* NodeOf(HWND hwnd) { return reinterpret_cast<Node*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

bool NodeUsable(const Node* node) {
  for (; node; node = node->parent) {
    if (!node->enabled) return false;
  }
  return true;
}

// Tahoma itself, also on a Japanese system, where a font of any charset may be mapped to the
// locale's own (wider) font; characters Tahoma lacks come from the system's linked fonts.
HFONT FontCreate(FontSpec wanted) {
  return CreateFontW(-wanted.pixels, 0, 0, 0, wanted.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE,
                     FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

// The control's own font, else its nearest container's.
HFONT FontOf(const Node* node) {
  for (; node; node = node->parent) {
    if (node->font) return node->font;
  }
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

SIZE TextExtent(const Node* node, TextView text) {
  HDC dc = GetDC(node->hwnd);
  HGDIOBJ previous = SelectObject(dc, FontOf(node));
  RECT r{};
  std::wstring wide = W(text.empty() ? u" " : text);
  DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, previous);
  ReleaseDC(node->hwnd, dc);
  return {r.right, r.bottom};
}

void Resize(const Node* node, int width, int height) {
  SetWindowPos(node->hwnd, nullptr, 0, 0, width, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The size where the bounds leave it to the control.
void FitTo(const Node* node, Bounds bounds, SIZE natural) {
  Resize(node, bounds.width > 0 ? bounds.width : natural.cx,
         bounds.height > 0 ? bounds.height : natural.cy);
}

Text WindowText(HWND hwnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return FromW(text.c_str());
}

// The program sets a text: the control's notifications of it run no handler.
void QuietTextSet(Node* node, TextView text) {
  ++node->quiet;
  SetWindowTextW(node->hwnd, W(text).c_str());
  --node->quiet;
}

void EnableTree(Node* node) {
  BOOL usable = NodeUsable(node);
  EnableWindow(node->hwnd, usable);
  if (node->extra) EnableWindow(node->extra, usable);
  for (Node* child : node->children) EnableTree(child);
}

void RadioCheck(Node* node, bool checked) {
  if (checked) {
    for (Node* sibling : node->parent->children) {
      if (sibling->kind == Kind::kRadio) SendMessageW(sibling->hwnd, BM_SETCHECK, BST_UNCHECKED, 0);
    }
  }
  SendMessageW(node->hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int SpinValue(const Node* node) { return SpinTextValue(WindowText(node->hwnd), node->minimum); }

void SpinValueSet(Node* node, int value) {
  QuietTextSet(node, AsciiToText(std::to_string(std::clamp(value, node->minimum, node->maximum))));
}

// A notification (WM_COMMAND) from one of the controls.
void ControlNotify(Node* control, WORD code) {
  switch (control->kind) {
    case Kind::kButton:
      if (code == BN_CLICKED) Application::Dispatch(control->onClick);
      break;
    case Kind::kRadio:
      if (code == BN_CLICKED && !control->quiet) {
        RadioCheck(control, true);
        Application::Dispatch(control->onClick);
      }
      break;
    case Kind::kCombo:
      if (code == CBN_SELCHANGE) Application::Dispatch(control->onChange);
      break;
    case Kind::kSpin:
      if (code == EN_CHANGE && !control->quiet) Application::Dispatch(control->onChange);
      if (code == EN_KILLFOCUS) SpinValueSet(control, SpinValue(control));
      break;
    default:
      break;
  }
}

void LinkActivate(Node* link) {
  if (NodeUsable(link) && link->onLink) Application::Dispatch([link] { link->onLink(link->link); });
}

void TimerFire(UINT_PTR id) {
  auto found = Global().timers.find(id);
  if (found != Global().timers.end() && found->second->enabled) {
    Application::Dispatch(found->second->handler);
  }
}

// A form keeps the focus on its controls as a dialog does: the control that had it when the form
// was deactivated gets it back, else the first control in the tab order.
void FormFocusRestore(Node* form) {
  HWND target = form->lastFocus;
  if (!target || !IsWindow(target) || !IsChild(form->hwnd, target)) {
    target = GetNextDlgTabItem(form->hwnd, nullptr, FALSE);
  }
  if (target) SetFocus(target);
}

void FormHide(Node* form) {
  ShowWindow(form->hwnd, SW_HIDE);
  if (form == Global().mainForm) PostQuitMessage(0);
}

LRESULT CALLBACK ContainerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  Node* self = NodeOf(hwnd);
  switch (message) {
    case WM_COMMAND:
      if (Node* control = lParam ? NodeOf(reinterpret_cast<HWND>(lParam)) : nullptr) {
        ControlNotify(control, HIWORD(wParam));
        return 0;
      }
      break;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      Node* control = NodeOf(header->hwndFrom);
      if (control && control->kind == Kind::kLink &&
          (header->code == NM_CLICK || header->code == NM_RETURN)) {
        LinkActivate(control);
        return 0;
      }
      break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      if (self && self->background) {
        SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(self->background);
      }
      break;
    case WM_ERASEBKGND:
      if (self && self->background) {
        RECT r;
        GetClientRect(hwnd, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, self->background);
        return 1;
      }
      break;
    case WM_TIMER:
      TimerFire(wParam);
      return 0;
    case WM_ACTIVATE:
      if (!self || self->kind != Kind::kForm) break;
      if (LOWORD(wParam) == WA_INACTIVE) {
        self->lastFocus = GetFocus();
      } else if (!HIWORD(wParam)) {  // not while minimized
        FormFocusRestore(self);
      }
      return 0;
    case WM_SETFOCUS:
      if (self && self->kind == Kind::kForm) {
        FormFocusRestore(self);
        return 0;
      }
      break;
    case WM_CLOSE:
      if (self) FormHide(self);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

// Common controls, our window class and COM for the pictures and dialogs: once per program.
void WindowingPrepare() {
  static bool prepared = false;
  if (prepared) return;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LINK_CLASS |
                                                     ICC_UPDOWN_CLASS | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = ContainerProc;
  windowClass.hInstance = Instance();
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kContainerClass;
  windowClass.hIcon = LoadIconW(Instance(), kIconName);
  windowClass.hIconSm = static_cast<HICON>(
      LoadImageW(Instance(), kIconName, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                 GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  if (!RegisterClassExW(&windowClass)) SystemFail("Cannot register the window class");
  Global().apartment = std::make_unique<ComApartment>();
  prepared = true;
}

Node* NodeNew(Kind kind, Node* parent) {
  auto* node = new Node;
  node->kind = kind;
  node->parent = parent;
  if (parent) parent->children.push_back(node);
  return node;
}

HWND WindowCreate(Node* node, DWORD exStyle, const wchar_t* windowClass, TextView text, DWORD style,
                  Bounds b, HWND parent) {
  WindowingPrepare();
  HWND hwnd = CreateWindowExW(exStyle, windowClass, W(text).c_str(), style, b.left, b.top, b.width,
                              b.height, parent, nullptr, Instance(), nullptr);
  if (!hwnd) SystemFail("Cannot create a window of class " + TextToUtf8(FromW(windowClass)));
  SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(node));
  return hwnd;
}

// A new child window goes to the bottom of its siblings (the tab order follows creation); a
// group's frame must stay beneath them all, or it would hide them.
void GroupFrameLower(const Node* parent) {
  if (parent->kind == Kind::kGroup && parent->extra) {
    SetWindowPos(parent->extra, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

// A child control of parent, in the parent's font, usable when the parent is.
Node* ControlMake(Kind kind, Widget& parent, const wchar_t* windowClass, DWORD style, Bounds b,
                  TextView text = {}, DWORD exStyle = 0) {
  Node* node = NodeNew(kind, parent.node());
  node->hwnd =
      WindowCreate(node, exStyle, windowClass, text,
                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, b, parent.node()->hwnd);
  SendMessageW(node->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(node)), FALSE);
  GroupFrameLower(parent.node());
  EnableTree(node);
  return node;
}

void OwnFontSet(Node* node, FontSpec font) {
  node->font = FontCreate(font);
  SendMessageW(node->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(node->font), FALSE);
}

Node* ContainerMake(Kind kind, Widget& parent, Bounds b, DWORD style) {
  return ControlMake(kind, parent, kContainerClass, style, b, {}, WS_EX_CONTROLPARENT);
}

COLORREF BackgroundOf(const Node* node) {
  for (; node; node = node->parent) {
    if (node->background) return RGB(255, 255, 255);
  }
  return GetSysColor(COLOR_BTNFACE);
}

HBITMAP ListPicture(const Text& name) {
  auto& pictures = Global().pictures;
  auto found = pictures.find(name);
  if (found == pictures.end()) found = pictures.emplace(name, PictureLoad(name)).first;
  return found->second;
}

// The button's pictures, one per button state: the disabled one for the disabled state.
HIMAGELIST ButtonImagesMake(const Node* node) {
  auto picture = [&](int index) -> HBITMAP {
    bool known = index >= 0 && index < static_cast<int>(node->images.size());
    return known ? ListPicture(node->images[static_cast<size_t>(index)]) : nullptr;
  };
  HBITMAP enabled = picture(node->enabledImage), disabled = picture(node->disabledImage);
  if (!enabled) return nullptr;
  BITMAP size{};
  GetObjectW(enabled, sizeof size, &size);
  HIMAGELIST list = ImageList_Create(size.bmWidth, size.bmHeight, ILC_COLOR32, 6, 0);
  for (int state = PBS_NORMAL; state <= PBS_DEFAULTED_ANIMATING; ++state) {
    ImageList_Add(list, state == PBS_DISABLED && disabled ? disabled : enabled, nullptr);
  }
  return list;
}

bool DialogMessage(MSG& message) {
  HWND root = GetAncestor(message.hwnd, GA_ROOT);
  for (Node* form : Global().forms) {
    if (form->hwnd == root) return IsDialogMessageW(root, &message);
  }
  return false;
}

// Dispatches what is queued; false when the loop was asked to end (the quit code in exitCode).
bool MessagesPump(int& exitCode) {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      exitCode = static_cast<int>(message.wParam);
      return false;
    }
    if (!DialogMessage(message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return true;
}

void IdleRun() {
  for (Node* form : std::vector<Node*>(Global().forms)) Application::Dispatch(form->onIdle);
}

HWND DialogOwner() {
  for (Node* form : Global().forms) {
    if (IsWindowVisible(form->hwnd)) return form->hwnd;
  }
  return nullptr;
}

}  // namespace

bool DisplayAvailable() { return true; }

void MessageHookSet(MessageHook hook) { Global().messageHook = std::move(hook); }
void OpenFileHookSet(OpenFileHook hook) { Global().openFileHook = std::move(hook); }

void MessageShow(TextView text, MessageKind kind) {
  if (Global().messageHook) return Global().messageHook(text, kind);
  HWND owner = DialogOwner();
  UINT style = MB_OK | (kind == MessageKind::kError ? MB_ICONSTOP : MB_ICONWARNING) |
               (owner ? 0 : MB_TASKMODAL | MB_SETFOREGROUND);
  MessageBoxW(owner, W(text).c_str(), W(Global().title).c_str(), style);
}

std::optional<OpenFileResult> OpenFileDialog(const OpenFileRequest& request) {
  if (Global().openFileHook) return Global().openFileHook(request);
  WindowingPrepare();
  Com<IFileOpenDialog> dialog;
  ComCheck("CoCreateInstance(FileOpenDialog)",
           CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                            IID_IFileOpenDialog, dialog.OutVoid()));
  std::wstring filterName = W(request.filterName), filterPattern = W(request.filterPattern);
  COMDLG_FILTERSPEC filter{filterName.c_str(), filterPattern.c_str()};
  ComCheck("IFileDialog::SetFileTypes", dialog->SetFileTypes(1, &filter));
  ComCheck("IFileDialog::SetDefaultExtension",
           dialog->SetDefaultExtension(W(request.defaultExtension).c_str()));
  ComCheck("IFileDialog::SetTitle", dialog->SetTitle(W(Global().title).c_str()));
  FILEOPENDIALOGOPTIONS options = 0;
  ComCheck("IFileDialog::GetOptions", dialog->GetOptions(&options));
  ComCheck("IFileDialog::SetOptions", dialog->SetOptions(options | FOS_FORCEFILESYSTEM |
                                                         FOS_FILEMUSTEXIST | FOS_PATHMUSTEXIST));
  if (!request.initialFolder.empty()) {
    Com<IShellItem> folder;
    // A folder the shell cannot name leaves the dialog's own default.
    if (SUCCEEDED(SHCreateItemFromParsingName(W(request.initialFolder).c_str(), nullptr,
                                              IID_IShellItem, folder.OutVoid()))) {
      ComCheck("IFileDialog::SetFolder", dialog->SetFolder(folder.get()));
    }
  }
  Com<IFileDialogCustomize> custom;
  ComCheck("IFileDialog::QueryInterface(IFileDialogCustomize)",
           dialog->QueryInterface(IID_IFileDialogCustomize, custom.OutVoid()));
  ComCheck("IFileDialogCustomize::StartVisualGroup", custom->StartVisualGroup(0, L"Encoding:"));
  ComCheck("IFileDialogCustomize::AddComboBox", custom->AddComboBox(kEncodingBox));
  for (size_t i = 0; i < request.encodings.size(); ++i) {
    ComCheck("IFileDialogCustomize::AddControlItem",
             custom->AddControlItem(kEncodingBox, static_cast<DWORD>(i),
                                    W(request.encodings[i]).c_str()));
  }
  ComCheck("IFileDialogCustomize::SetSelectedControlItem",
           custom->SetSelectedControlItem(kEncodingBox, static_cast<DWORD>(request.encodingIndex)));
  ComCheck("IFileDialogCustomize::EndVisualGroup", custom->EndVisualGroup());
  HRESULT shown = dialog->Show(DialogOwner());
  if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED)) return std::nullopt;
  ComCheck("IFileDialog::Show", shown);
  Com<IShellItem> chosen;
  ComCheck("IFileDialog::GetResult", dialog->GetResult(chosen.Out()));
  wchar_t* path = nullptr;
  ComCheck("IShellItem::GetDisplayName", chosen->GetDisplayName(SIGDN_FILESYSPATH, &path));
  OpenFileResult result{FromW(path), request.encodingIndex};
  CoTaskMemFree(path);
  DWORD encoding = 0;
  ComCheck("IFileDialogCustomize::GetSelectedControlItem",
           custom->GetSelectedControlItem(kEncodingBox, &encoding));
  result.encodingIndex = static_cast<int>(encoding);
  return result;
}

Application::Application(int&, char**, TextView title) {
  Global().title = Text(title);
  WindowingPrepare();
}

Application::~Application() {
  for (auto& [name, picture] : Global().pictures) DeleteObject(picture);
  Global().pictures.clear();
}

int Application::Run(Form& main) {
  Global().mainForm = main.node();
  main.Show();
  int exitCode = 0;
  while (MessagesPump(exitCode)) {
    IdleRun();
    WaitMessage();
  }
  Global().mainForm = nullptr;
  return exitCode;
}

void Application::ProcessEventsFor(int milliseconds) {
  const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(std::max(milliseconds, 0));
  int exitCode = 0;
  for (;;) {
    if (!MessagesPump(exitCode)) {
      PostQuitMessage(exitCode);  // for the loop that runs the program
      return;
    }
    IdleRun();
    ULONGLONG now = GetTickCount64();
    if (now >= deadline) return;
    MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
}

Text Application::Title() { return Global().title; }

Widget::~Widget() {
  if (node_->parent) {
    auto& siblings = node_->parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), node_), siblings.end());
  }
  auto& forms = Global().forms;
  forms.erase(std::remove(forms.begin(), forms.end(), node_), forms.end());
  if (node_->extra) DestroyWindow(node_->extra);
  DestroyWindow(node_->hwnd);
  if (node_->buttonImages) ImageList_Destroy(node_->buttonImages);
  for (HGDIOBJ object : {static_cast<HGDIOBJ>(node_->font), static_cast<HGDIOBJ>(node_->background),
                         static_cast<HGDIOBJ>(node_->picture)}) {
    if (object) DeleteObject(object);
  }
  delete node_;
}

void Widget::SetEnabled(bool enabled) {
  node_->enabled = enabled;
  EnableTree(node_);
}
bool Widget::Enabled() const { return node_->enabled; }
bool Widget::Usable() const { return NodeUsable(node_); }

Bounds Widget::GetBounds() const {
  RECT r{};
  GetWindowRect(node_->hwnd, &r);
  if (node_->kind == Kind::kSpin) {
    RECT arrows{};
    GetWindowRect(node_->extra, &arrows);
    UnionRect(&r, &r, &arrows);
  }
  if (node_->parent)
    MapWindowPoints(HWND_DESKTOP, node_->parent->hwnd, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

Form::Form(TextView caption, int clientWidth, int clientHeight, FontSpec font)
    : Widget(NodeNew(Kind::kForm, nullptr)) {
  constexpr DWORD style =
      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  constexpr DWORD exStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, style, FALSE, exStyle);
  node_->hwnd = WindowCreate(
      node_, exStyle, kContainerClass, caption, style,
      {CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top}, nullptr);
  OwnFontSet(node_, font);
  Global().forms.push_back(node_);
}
Text Form::Caption() const { return WindowText(node_->hwnd); }
void Form::OnIdle(Handler handler) { node_->onIdle = std::move(handler); }
void Form::Show() {
  RECT area{}, window{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(node_->hwnd, &window);
  int width = window.right - window.left, height = window.bottom - window.top;
  SetWindowPos(node_->hwnd, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(node_->hwnd, SW_SHOW);
  UpdateWindow(node_->hwnd);
}
void Form::Close() { FormHide(node_); }
bool Form::Screenshot(TextView pngPath) const {
  RedrawWindow(node_->hwnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  return WindowPictureSave(node_->hwnd, pngPath);
}

Panel::Panel(Widget& parent, Bounds bounds, bool white)
    : Widget(ContainerMake(Kind::kPanel, parent, bounds, WS_CLIPCHILDREN)) {
  if (white) node_->background = CreateSolidBrush(RGB(255, 255, 255));
}

GroupBox::GroupBox(Widget& parent, Bounds bounds, TextView caption)
    : Widget(ContainerMake(Kind::kGroup, parent, bounds, 0)) {  // its frame is a child too
  // The frame and caption: a group-box button beneath the group's controls.
  node_->extra = CreateWindowExW(
      0, WC_BUTTONW, W(caption).c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX, 0,
      0, bounds.width, bounds.height, node_->hwnd, nullptr, Instance(), nullptr);
  if (!node_->extra) SystemFail("Cannot create a group box");
  SendMessageW(node_->extra, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(node_)), FALSE);
  EnableTree(node_);
}

Label::Label(Widget& parent, Bounds bounds, TextView text, FontSpec font)
    : Widget(ControlMake(Kind::kLabel, parent, WC_STATICW, SS_LEFT | SS_NOPREFIX, bounds, text)) {
  if (font.bold || font.pixels != FontSpec{}.pixels) OwnFontSet(node_, font);
  SetText(text);  // sized to the text in its font
}
void Label::SetText(TextView text) {
  SetWindowTextW(node_->hwnd, W(text).c_str());
  SIZE size = TextExtent(node_, text);
  Resize(node_, size.cx, size.cy);
}
Text Label::GetText() const { return WindowText(node_->hwnd); }

LinkLabel::LinkLabel(Widget& parent, Bounds bounds, FontSpec font)
    : Widget(ControlMake(Kind::kLink, parent, WC_LINK, WS_TABSTOP, bounds)) {
  OwnFontSet(node_, font);
}
void LinkLabel::SetLink(TextView target) {
  // The target is kept here, not in the markup, so no character of it can break the markup.
  node_->link = Text(target);
  Text markup = u"<a>" + node_->link + u"</a>";
  SetWindowTextW(node_->hwnd, W(markup).c_str());
}
Text LinkLabel::Link() const { return node_->link; }
void LinkLabel::OnClick(std::function<void(const Text&)> onClick) {
  node_->onLink = std::move(onClick);
}
void LinkLabel::Click() { LinkActivate(node_); }

Image::Image(Widget& parent, Bounds bounds, TextView resource)
    : Widget(ControlMake(Kind::kImage, parent, WC_STATICW, SS_BITMAP, bounds)) {
  node_->picture = PictureLoad(resource, BackgroundOf(node_));
  SendMessageW(node_->hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(node_->picture));
}

Button::Button(Widget& parent, Bounds bounds, const ImageList& images, int imageMargin)
    : Widget(ControlMake(Kind::kButton, parent, WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, bounds)) {
  node_->images = images.Resources();
  node_->imageMargin = imageMargin;
}
void Button::SetCaption(TextView caption) {
  // The idle handler sets it again and again: only a change repaints.
  if (WindowText(node_->hwnd) != caption) SetWindowTextW(node_->hwnd, W(caption).c_str());
}
Text Button::Caption() const { return WindowText(node_->hwnd); }
void Button::SetImages(int enabledImage, int disabledImage) {
  if (enabledImage == node_->enabledImage && disabledImage == node_->disabledImage) return;
  node_->enabledImage = enabledImage;
  node_->disabledImage = disabledImage;
  HIMAGELIST previous = node_->buttonImages;
  node_->buttonImages = ButtonImagesMake(node_);
  BUTTON_IMAGELIST list{
      node_->buttonImages, {node_->imageMargin, 0, 0, 0}, BUTTON_IMAGELIST_ALIGN_LEFT};
  SendMessageW(node_->hwnd, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
  if (previous) ImageList_Destroy(previous);
}
int Button::ImageShown() const { return Usable() ? node_->enabledImage : node_->disabledImage; }
void Button::OnClick(Handler handler) { node_->onClick = std::move(handler); }
void Button::Click() {
  if (Usable()) SendMessageW(node_->hwnd, BM_CLICK, 0, 0);
}

Edit::Edit(Widget& parent, Bounds bounds)
    : Widget(ControlMake(Kind::kEdit, parent, WC_EDITW, ES_AUTOHSCROLL | WS_TABSTOP, bounds, {},
                         WS_EX_CLIENTEDGE)) {
  FitTo(node_, bounds, {bounds.width, TextExtent(node_, u"Ag").cy + 8});
}
void Edit::SetText(TextView text) { QuietTextSet(node_, text); }
Text Edit::GetText() const { return WindowText(node_->hwnd); }
void Edit::UserType(TextView text) {
  if (Usable()) SetWindowTextW(node_->hwnd, W(text).c_str());
}

SpinEdit::SpinEdit(Widget& parent, Bounds bounds, int minimum, int maximum, int maxLength)
    : Widget(ControlMake(Kind::kSpin, parent, WC_EDITW, ES_AUTOHSCROLL | WS_TABSTOP, bounds, {},
                         WS_EX_CLIENTEDGE)) {
  node_->minimum = minimum;
  node_->maximum = maximum;
  node_->maxLength = maxLength;
  SendMessageW(node_->hwnd, EM_SETLIMITTEXT, static_cast<WPARAM>(maxLength), 0);
  SpinValueSet(node_, minimum);
  // The arrows take their place at the right end of the field, which they narrow.
  node_->extra = CreateWindowExW(0, UPDOWN_CLASSW, nullptr,
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | UDS_SETBUDDYINT |
                                     UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS,
                                 0, 0, 0, 0, parent.node()->hwnd, nullptr, Instance(), nullptr);
  if (!node_->extra) SystemFail("Cannot create the arrows of a spin field");
  SendMessageW(node_->extra, UDM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
  SendMessageW(node_->extra, UDM_SETBUDDY, reinterpret_cast<WPARAM>(node_->hwnd), 0);
  GroupFrameLower(parent.node());
  EnableTree(node_);
}
void SpinEdit::SetValue(int value) { SpinValueSet(node_, value); }
int SpinEdit::Value() const { return SpinValue(node_); }
Text SpinEdit::GetText() const { return WindowText(node_->hwnd); }
void SpinEdit::OnChange(Handler handler) { node_->onChange = std::move(handler); }
void SpinEdit::UserType(TextView text) {
  // Typing stops at the field's limit; the field runs OnChange.
  if (Usable())
    SetWindowTextW(node_->hwnd, W(text.substr(0, static_cast<size_t>(node_->maxLength))).c_str());
}
void SpinEdit::FocusLeave() { SpinValueSet(node_, SpinValue(node_)); }

ComboBox::ComboBox(Widget& parent, Bounds bounds)
    : Widget(ControlMake(Kind::kCombo, parent, WC_COMBOBOXW,
                         CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP,
                         {bounds.left, bounds.top, bounds.width, 240})) {}  // 240: the open list
void ComboBox::ItemsClear() { SendMessageW(node_->hwnd, CB_RESETCONTENT, 0, 0); }
void ComboBox::ItemAdd(TextView item) {
  SendMessageW(node_->hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(item).c_str()));
}
int ComboBox::ItemCount() const {
  return static_cast<int>(SendMessageW(node_->hwnd, CB_GETCOUNT, 0, 0));
}
Text ComboBox::ItemText(int index) const {
  if (index < 0 || index >= ItemCount()) throw std::out_of_range("list index out of range");
  std::wstring text(static_cast<size_t>(
                        SendMessageW(node_->hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0)) +
                        1,
                    L'\0');
  SendMessageW(node_->hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(text.data()));
  return FromW(text.c_str());
}
void ComboBox::SetItemIndex(int index) {
  SendMessageW(node_->hwnd, CB_SETCURSEL,
               static_cast<WPARAM>(index >= 0 && index < ItemCount() ? index : -1), 0);
}
int ComboBox::ItemIndex() const {
  return static_cast<int>(SendMessageW(node_->hwnd, CB_GETCURSEL, 0, 0));
}
void ComboBox::OnChange(Handler handler) { node_->onChange = std::move(handler); }
void ComboBox::UserSelect(int index) {
  if (!Usable() || index < 0 || index >= ItemCount()) return;
  SetItemIndex(index);
  Application::Dispatch(node_->onChange);
}

RadioButton::RadioButton(Widget& parent, Bounds bounds, TextView caption)
    : Widget(ControlMake(Kind::kRadio, parent, WC_BUTTONW, BS_RADIOBUTTON | WS_TABSTOP, bounds,
                         caption)) {
  SIZE text = TextExtent(node_, caption);
  int mark = GetSystemMetrics(SM_CXMENUCHECK);
  FitTo(node_, bounds, {text.cx + mark + 6, std::max<LONG>(text.cy, mark) + 2});
}
void RadioButton::SetChecked(bool checked) { RadioCheck(node_, checked); }
bool RadioButton::Checked() const {
  return SendMessageW(node_->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void RadioButton::OnClick(Handler handler) { node_->onClick = std::move(handler); }
void RadioButton::Click() {
  if (Usable()) SendMessageW(node_->hwnd, BM_CLICK, 0, 0);
}

Timer::Timer(Form& form) : impl_(std::make_unique<Impl>()) {
  impl_->window = form.node()->hwnd;
  impl_->id = ++Global().lastTimer;
  Global().timers[impl_->id] = impl_.get();
}
Timer::~Timer() {
  KillTimer(impl_->window, impl_->id);
  Global().timers.erase(impl_->id);
}
void Timer::SetInterval(int milliseconds) {
  impl_->interval = milliseconds;
  if (impl_->enabled) SetTimer(impl_->window, impl_->id, static_cast<UINT>(milliseconds), nullptr);
}
int Timer::Interval() const { return impl_->interval; }
void Timer::SetEnabled(bool enabled) {
  if (enabled && !impl_->enabled) {
    SetTimer(impl_->window, impl_->id, static_cast<UINT>(impl_->interval), nullptr);
  }
  if (!enabled && impl_->enabled) KillTimer(impl_->window, impl_->id);
  impl_->enabled = enabled;
}
bool Timer::Enabled() const { return impl_->enabled; }
void Timer::OnTimer(Handler handler) { impl_->handler = std::move(handler); }

}  // namespace ui
