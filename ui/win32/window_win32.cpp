// Forms, our container windows' procedure and the message loop, which runs the idle handlers
// whenever the queue is empty.
#include "ui/win32/node_win32.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "ui/win32/picture_win32.h"

namespace ui {

namespace {

// A form keeps the focus on its controls as a dialog does: the control that had it when the form
// was deactivated gets it back, else the first control in the tab order.
void FormFocusRestore(Node* form) {
  HWND target = form->lastFocus;
  if (!target || !IsWindow(target) || !IsChild(form->hwnd, target)) {
    target = GetNextDlgTabItem(form->hwnd, nullptr, FALSE);
  }
  if (target) SetFocus(target);
}

// The system menu's commands of a form's own items: below the system's own (0xF000 on) and with
// the low four bits clear, as the system menu wants.
constexpr WPARAM kFormMenuFirst = 0x1000, kFormMenuStep = 0x10;

bool FormMenuRun(const Node* form, WPARAM command) {
  WPARAM index = (command - kFormMenuFirst) / kFormMenuStep;
  if (command < kFormMenuFirst || index >= form->menu.size()) return false;
  Application::Dispatch(form->menu[index].second);
  return true;
}

constexpr DWORD kFormStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kFormExStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;

// The form's frame around its client size at its dpi.
void FormSizeFit(const Node* form) {
  RECT frame{0, 0, Scaled(form->logical.width, form->dpi), Scaled(form->logical.height, form->dpi)};
  // Windows 10 1607 and later: the frame of a monitor whose dpi is not the system's.
  using AdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
  static const auto adjustForDpi = reinterpret_cast<AdjustForDpi>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
  if (!adjustForDpi ||
      !adjustForDpi(&frame, kFormStyle, FALSE, kFormExStyle, static_cast<UINT>(form->dpi))) {
    AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
  }
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  SetWindowPos(form->hwnd, nullptr, 0, 0, width, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A frame drawn at another dpi than the one asked about (Wine keeps the system's) is made up
  // for: the client area is what counts.
  RECT client{};
  GetClientRect(form->hwnd, &client);
  const int wantedWidth = Scaled(form->logical.width, form->dpi);
  const int wantedHeight = Scaled(form->logical.height, form->dpi);
  if (client.right != wantedWidth || client.bottom != wantedHeight) {
    SetWindowPos(form->hwnd, nullptr, 0, 0, width + wantedWidth - client.right,
                 height + wantedHeight - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

// A node and those beneath it in the fonts, places and sizes of the form's new dpi.
void NodeRelayOut(Node* node, int oldDpi) {
  if (node->font) {
    DeleteObject(node->font);
    node->font = FontCreate(node->fontSpec, NodeDpi(node));
  }
  for (HWND window : {node->hwnd, node->extra}) {
    if (window) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(node)), FALSE);
  }
  if (node->parent) {
    RECT r{};
    GetWindowRect(node->hwnd, &r);
    const Bounds& b = node->logical;
    const int newDpi = NodeDpi(node);
    int width = b.width > 0 ? NodeScaled(node, b.width) : MulDiv(r.right - r.left, newDpi, oldDpi);
    int height =
        b.height > 0 ? NodeScaled(node, b.height) : MulDiv(r.bottom - r.top, newDpi, oldDpi);
    SetWindowPos(node->hwnd, nullptr, NodeScaled(node, b.left), NodeScaled(node, b.top), width,
                 height, SWP_NOZORDER | SWP_NOACTIVATE);
    ControlRescale(node);
  }
  for (Node* child : node->children) NodeRelayOut(child, oldDpi);
}

}  // namespace

void FormDpiChange(Node* form, int dpi, const RECT& suggested) {
  const int oldDpi = form->dpi;
  if (dpi <= 0 || dpi == oldDpi) return;
  form->dpi = dpi;
  NodeRelayOut(form, oldDpi);
  SetWindowPos(form->hwnd, nullptr, suggested.left, suggested.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  FormSizeFit(form);
  RedrawWindow(form->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

namespace {

void FormHide(Node* form) {
  ShowWindow(form->hwnd, SW_HIDE);
  if (form == Global().mainForm) PostQuitMessage(0);
}

}  // namespace

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
    case kFileChangedMessage:
      FileWatcherFire(wParam);
      return 0;
    case kTrayMessage:
      TrayNotify(lParam);
      return 0;
    case WM_HOTKEY:
      HotkeyFire(static_cast<int>(wParam));
      return 0;
    case WM_COPYDATA:
      return RemoteCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case kPostedMessage: {
      std::unique_ptr<Handler> posted(reinterpret_cast<Handler*>(lParam));
      Application::Dispatch(*posted);
      return 0;
    }
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
    case WM_DPICHANGED:
      if (self && self->kind == Kind::kForm) {
        FormDpiChange(self, HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
      }
      break;
    case WM_SYSCOMMAND:
      if (self && FormMenuRun(self, wParam & 0xFFF0)) return 0;
      break;
    case WM_CLOSE:
      if (self) FormHide(self);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;
    case WM_ENDSESSION:
      // The session ends: the process may be ended after this returns, its windows never closed.
      if (wParam && self && self->onEndSession) Application::Dispatch(self->onEndSession);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

namespace {

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

}  // namespace

bool DisplayAvailable() { return true; }

namespace {

// Where Application::Post sends its handlers: a message-only window of the window's thread.
std::atomic<HWND> postWindow{nullptr};

}  // namespace

Application::Application(int&, char**, TextView title) {
  TitleSet(title);
  WindowingPrepare();
  postWindow = CreateWindowExW(0, kContainerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               Instance(), nullptr);
}

Application::~Application() {
  HWND window = postWindow.exchange(nullptr);
  MSG message;
  while (PeekMessageW(&message, window, kPostedMessage, kPostedMessage, PM_REMOVE)) {
    delete reinterpret_cast<Handler*>(message.lParam);
  }
  DestroyWindow(window);
  for (auto& [name, picture] : Global().pictures) DeleteObject(picture);
  Global().pictures.clear();
}

void Application::Post(Handler fn) {
  HWND window = postWindow;
  auto* posted = new Handler(std::move(fn));
  if (!window || !PostMessageW(window, kPostedMessage, 0, reinterpret_cast<LPARAM>(posted))) {
    delete posted;
  }
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

Form::Form(TextView caption, int clientWidth, int clientHeight, FontSpec font)
    : Widget(NodeNew(Kind::kForm, nullptr)) {
  node_->logical = {0, 0, clientWidth, clientHeight};
  node_->hwnd = WindowCreate(node_, kFormExStyle, kContainerClass, caption, kFormStyle,
                             {CW_USEDEFAULT, CW_USEDEFAULT, 0, 0}, nullptr);
  node_->dpi = DpiOf(node_->hwnd);
  FormSizeFit(node_);
  OwnFontSet(node_, font);
  Global().forms.push_back(node_);
}
Text Form::Caption() const { return WindowText(node_->hwnd); }
void Form::OnIdle(Handler handler) { node_->onIdle = std::move(handler); }
void Form::OnEndSession(Handler handler) { node_->onEndSession = std::move(handler); }
void Form::Show() {
  WindowCentre(node_->hwnd);
  ShowWindow(node_->hwnd, SW_SHOW);
  UpdateWindow(node_->hwnd);
}
void Form::MenuAdd(TextView caption, Handler handler) {
  HMENU system = GetSystemMenu(node_->hwnd, FALSE);
  if (node_->menu.empty()) AppendMenuW(system, MF_SEPARATOR, 0, nullptr);
  AppendMenuW(system, MF_STRING, kFormMenuFirst + kFormMenuStep * node_->menu.size(),
              W(caption).c_str());
  node_->menu.emplace_back(Text(caption), std::move(handler));
}
void Form::MenuChoose(TextView caption) {
  for (size_t i = 0; i < node_->menu.size(); ++i) {
    if (node_->menu[i].first == caption) {
      SendMessageW(node_->hwnd, WM_SYSCOMMAND, kFormMenuFirst + kFormMenuStep * i, 0);
    }
  }
}
void Form::Raise() {
  ShowWindow(node_->hwnd, IsIconic(node_->hwnd) ? SW_RESTORE : SW_SHOW);
  BringWindowToTop(node_->hwnd);
  SetForegroundWindow(node_->hwnd);
}
void Form::Hide() { ShowWindow(node_->hwnd, SW_HIDE); }
bool Form::Visible() const { return IsWindowVisible(node_->hwnd) != FALSE; }
void Form::Close() { FormHide(node_); }
bool Form::Screenshot(TextView pngPath) const {
  RedrawWindow(node_->hwnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  return WindowPictureSave(node_->hwnd, pngPath);
}

}  // namespace ui
