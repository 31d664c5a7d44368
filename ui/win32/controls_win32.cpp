// The controls: native controls of common controls 6, whose notifications the container's
// procedure hands to ControlNotify.
#include "ui/win32/node_win32.h"

#include <vsstyle.h>

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "ui/win32/picture_win32.h"

namespace ui {

namespace {

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

}  // namespace

void ControlNotify(Node* control, WORD code) {
  switch (control->kind) {
    case Kind::kButton:
      if (code == BN_CLICKED) Application::Dispatch(control->onClick);
      break;
    case Kind::kRadio:
      // Windows also reports a radio button that merely gets the focus (by Tab) as clicked:
      // only a click the button saw itself (or BM_CLICK, which clicks it) counts.
      if (code == BN_CLICKED && !control->quiet && std::exchange(control->clicked, false)) {
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

namespace {

// Notes the radio button's own click, by mouse or space key, before the button reports it.
LRESULT CALLBACK RadioClickNote(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                DWORD_PTR data) {
  bool spaceUp = message == WM_KEYUP && wParam == VK_SPACE;
  if (message == WM_LBUTTONUP || spaceUp || message == BM_CLICK) {
    reinterpret_cast<Node*>(data)->clicked = true;
  }
  return DefSubclassProc(hwnd, message, wParam, lParam);
}

}  // namespace

void LinkActivate(Node* link) {
  if (NodeUsable(link) && link->onLink) Application::Dispatch([link] { link->onLink(link->link); });
}

namespace {

HBITMAP ListPicture(const Text& name, int dpi) {
  auto& pictures = Global().pictures;
  auto found = pictures.find({name, dpi});
  if (found == pictures.end())
    found = pictures.emplace(std::pair{name, dpi}, PictureLoad(name, dpi)).first;
  return found->second;
}

// The button's pictures, one per button state: the disabled one for the disabled state.
HIMAGELIST ButtonImagesMake(const Node* node) {
  auto picture = [&](int index) -> HBITMAP {
    bool known = index >= 0 && index < static_cast<int>(node->images.size());
    return known ? ListPicture(node->images[static_cast<size_t>(index)], NodeDpi(node)) : nullptr;
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

// The button shows its pictures as the node names them, at its dpi.
void ButtonImagesApply(Node* node) {
  HIMAGELIST previous = node->buttonImages;
  node->buttonImages = ButtonImagesMake(node);
  BUTTON_IMAGELIST list{node->buttonImages,
                        {NodeScaled(node, node->imageMargin), 0, 0, 0},
                        BUTTON_IMAGELIST_ALIGN_LEFT};
  SendMessageW(node->hwnd, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&list));
  if (previous) ImageList_Destroy(previous);
}

void ImagePictureSet(Node* node) {
  HBITMAP previous = node->picture;
  node->picture = PictureLoad(node->images.front(), NodeDpi(node), BackgroundOf(node));
  SendMessageW(node->hwnd, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(node->picture));
  if (previous) DeleteObject(previous);
}

SIZE RadioNaturalSize(const Node* node) {
  SIZE text = TextExtent(node, WindowText(node->hwnd));
  int mark = MetricFor(SM_CXMENUCHECK, NodeDpi(node));
  return {text.cx + mark + NodeScaled(node, 6), std::max<LONG>(text.cy, mark) + 2};
}

SIZE EditNaturalSize(const Node* node) {
  return {0, TextExtent(node, u"Ag").cy + NodeScaled(node, 8)};
}

}  // namespace

void ControlRescale(Node* control) {
  switch (control->kind) {
    case Kind::kImage:
      ImagePictureSet(control);
      break;
    case Kind::kButton:
      if (control->enabledImage >= 0) ButtonImagesApply(control);
      break;
    case Kind::kLabel: {
      SIZE size = TextExtent(control, WindowText(control->hwnd));
      Resize(control, size.cx, size.cy);
      break;
    }
    case Kind::kRadio:
      FitTo(control, control->logical, RadioNaturalSize(control));
      break;
    case Kind::kEdit:
      FitTo(control, control->logical, EditNaturalSize(control));
      break;
    case Kind::kGroup: {
      RECT r{};
      GetClientRect(control->hwnd, &r);
      SetWindowPos(control->extra, nullptr, 0, 0, r.right, r.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    case Kind::kSpin:
      // The arrows take their place at the field's new right end again.
      SendMessageW(control->extra, UDM_SETBUDDY, reinterpret_cast<WPARAM>(control->hwnd), 0);
      break;
    default:
      break;
  }
}

Panel::Panel(Widget& parent, Bounds bounds, bool white)
    : Widget(ContainerMake(Kind::kPanel, parent, bounds, WS_CLIPCHILDREN)) {
  if (white) node_->background = CreateSolidBrush(RGB(255, 255, 255));
}

GroupBox::GroupBox(Widget& parent, Bounds bounds, TextView caption)
    : Widget(ContainerMake(Kind::kGroup, parent, bounds, 0)) {  // its frame is a child too
  // The frame and caption: a group-box button beneath the group's controls.
  node_->extra = CreateWindowExW(0, WC_BUTTONW, W(caption).c_str(),
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_GROUPBOX, 0, 0,
                                 NodeScaled(node_, bounds.width), NodeScaled(node_, bounds.height),
                                 node_->hwnd, nullptr, Instance(), nullptr);
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
  node_->images = {Text(resource)};
  ImagePictureSet(node_);
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
  ButtonImagesApply(node_);
}
int Button::ImageShown() const { return Usable() ? node_->enabledImage : node_->disabledImage; }
void Button::OnClick(Handler handler) { node_->onClick = std::move(handler); }
void Button::Click() {
  if (Usable()) SendMessageW(node_->hwnd, BM_CLICK, 0, 0);
}

Edit::Edit(Widget& parent, Bounds bounds)
    : Widget(ControlMake(Kind::kEdit, parent, WC_EDITW, ES_AUTOHSCROLL | WS_TABSTOP, bounds, {},
                         WS_EX_CLIENTEDGE)) {
  FitTo(node_, bounds, EditNaturalSize(node_));
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
  SendMessageW(node_->hwnd, BM_SETDONTCLICK, TRUE, 0);
  SetWindowSubclass(node_->hwnd, RadioClickNote, 0, reinterpret_cast<DWORD_PTR>(node_));
  FitTo(node_, bounds, RadioNaturalSize(node_));
}
void RadioButton::SetChecked(bool checked) { RadioCheck(node_, checked); }
bool RadioButton::Checked() const {
  return SendMessageW(node_->hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
void RadioButton::OnClick(Handler handler) { node_->onClick = std::move(handler); }
void RadioButton::Click() {
  if (Usable()) SendMessageW(node_->hwnd, BM_CLICK, 0, 0);
}

}  // namespace ui
