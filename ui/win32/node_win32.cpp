#include "ui/win32/node_win32.h"

#include <algorithm>

namespace ui {

namespace {

constexpr wchar_t kIconName[] = L"KELVORA";

}  // namespace

int DpiOf(HWND hwnd) {
  // Windows 10 1607 and later; earlier systems have one dpi for every monitor.
  using DpiForWindow = UINT(WINAPI*)(HWND);
  static const auto forWindow = reinterpret_cast<DpiForWindow>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (hwnd && forWindow) {
    if (UINT dpi = forWindow(hwnd)) return static_cast<int>(dpi);
  }
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

int MetricFor(int index, int dpi) {
  // Windows 10 1607 and later; earlier systems have the system's dpi everywhere.
  using MetricsForDpi = int(WINAPI*)(int, UINT);
  static const auto forDpi = reinterpret_cast<MetricsForDpi>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi")));
  return forDpi ? forDpi(index, static_cast<UINT>(dpi)) : GetSystemMetrics(index);
}

// Tahoma itself, also on a Japanese system, where a font of any charset may be mapped to the
// locale's own (wider) font; characters Tahoma lacks come from the system's linked fonts.
// The height is rounded down: text laid out at 96 dpi must not outgrow its scaled box.
HFONT FontCreate(FontSpec wanted, int dpi) {
  return CreateFontW(-(wanted.pixels * dpi / 96), 0, 0, 0, wanted.bold ? FW_BOLD : FW_NORMAL, FALSE,
                     FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                     DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma");
}

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

HFONT FontOf(const Node* node) {
  for (; node; node = node->parent) {
    if (node->font) return node->font;
  }
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

SIZE TextExtent(HWND hwnd, HFONT font, TextView text) {
  HDC dc = GetDC(hwnd);
  HGDIOBJ previous = SelectObject(dc, font);
  RECT r{};
  std::wstring wide = W(text.empty() ? u" " : text);
  DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r,
            DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  SelectObject(dc, previous);
  ReleaseDC(hwnd, dc);
  return {r.right, r.bottom};
}

SIZE TextExtent(const Node* node, TextView text) {
  return TextExtent(node->hwnd, FontOf(node), text);
}

void WindowCentre(HWND hwnd) {
  RECT area{}, window{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  GetWindowRect(hwnd, &window);
  int width = window.right - window.left, height = window.bottom - window.top;
  SetWindowPos(hwnd, nullptr, area.left + (area.right - area.left - width) / 2,
               area.top + (area.bottom - area.top - height) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Resize(const Node* node, int width, int height) {
  SetWindowPos(node->hwnd, nullptr, 0, 0, width, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FitTo(const Node* node, Bounds bounds, SIZE natural) {
  Resize(node, bounds.width > 0 ? NodeScaled(node, bounds.width) : natural.cx,
         bounds.height > 0 ? NodeScaled(node, bounds.height) : natural.cy);
}

int NodeDpi(const Node* node) {
  while (node->parent) node = node->parent;
  return node->dpi;
}
int NodeScaled(const Node* node, int length) { return Scaled(length, NodeDpi(node)); }
int NodeUnscaled(const Node* node, int length) { return MulDiv(length, 96, NodeDpi(node)); }

Text WindowText(HWND hwnd) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(
      static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return FromW(text.c_str());
}

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

namespace {

WNDCLASSEXW WindowClassOf(const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = Instance();
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = name;
  return windowClass;
}

}  // namespace

void WindowingPrepare() {
  static bool prepared = false;
  if (prepared) return;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_LINK_CLASS |
                                                     ICC_UPDOWN_CLASS | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  WNDCLASSEXW container = WindowClassOf(kContainerClass, ContainerProc);
  container.hIcon = LoadIconW(Instance(), kIconName);
  container.hIconSm = static_cast<HICON>(
      LoadImageW(Instance(), kIconName, IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                 GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  WNDCLASSEXW fields = WindowClassOf(kFieldsClass, FieldsProc);
  for (const WNDCLASSEXW* windowClass : {&container, &fields}) {
    if (!RegisterClassExW(windowClass)) SystemFail("Cannot register the window class");
  }
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

void GroupFrameLower(const Node* parent) {
  if (parent->kind == Kind::kGroup && parent->extra) {
    SetWindowPos(parent->extra, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

Node* ControlMake(Kind kind, Widget& parent, const wchar_t* windowClass, DWORD style, Bounds b,
                  TextView text, DWORD exStyle) {
  Node* node = NodeNew(kind, parent.node());
  node->logical = b;
  const Bounds scaled{NodeScaled(node, b.left), NodeScaled(node, b.top), NodeScaled(node, b.width),
                      NodeScaled(node, b.height)};
  node->hwnd =
      WindowCreate(node, exStyle, windowClass, text,
                   WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | style, scaled, parent.node()->hwnd);
  SendMessageW(node->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(node)), FALSE);
  GroupFrameLower(parent.node());
  EnableTree(node);
  return node;
}

void OwnFontSet(Node* node, FontSpec font) {
  node->fontSpec = font;
  node->font = FontCreate(font, NodeDpi(node));
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

bool Widget::TextFits() const {
  RECT r{};
  GetClientRect(node_->hwnd, &r);
  int width = r.right;
  switch (node_->kind) {
    case Kind::kCombo: {
      // The widest item in the box's own text area, beside its arrow.
      COMBOBOXINFO info{};
      info.cbSize = sizeof info;
      if (GetComboBoxInfo(node_->hwnd, &info)) width = info.rcItem.right - info.rcItem.left;
      int count = static_cast<int>(SendMessageW(node_->hwnd, CB_GETCOUNT, 0, 0));
      int widest = 0;
      for (int i = 0; i < count; ++i) {
        std::wstring item(static_cast<size_t>(SendMessageW(node_->hwnd, CB_GETLBTEXTLEN, i, 0)) + 1,
                          L'\0');
        SendMessageW(node_->hwnd, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data()));
        widest = std::max<int>(widest, TextExtent(node_, FromW(item.c_str())).cx);
      }
      return widest <= width;
    }
    case Kind::kLabel:
    case Kind::kButton:
    case Kind::kEdit:
      return TextExtent(node_, WindowText(node_->hwnd)).cx +
                 (node_->kind == Kind::kLabel ? 0 : 8) <=
             width;
    case Kind::kRadio:
      return TextExtent(node_, WindowText(node_->hwnd)).cx +
                 MetricFor(SM_CXMENUCHECK, NodeDpi(node_)) + 4 <=
             width;
    case Kind::kGroup:
      return !node_->extra || TextExtent(node_, WindowText(node_->extra)).cx + 16 <= width;
    default:
      return true;
  }
}

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
  // In the program's lengths, whatever the monitor's dpi.
  return {NodeUnscaled(node_, r.left), NodeUnscaled(node_, r.top),
          NodeUnscaled(node_, r.right - r.left), NodeUnscaled(node_, r.bottom - r.top)};
}

}  // namespace ui
