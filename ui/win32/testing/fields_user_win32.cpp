#include "ui/testing/fields_user.h"
#include "ui/win32/node_win32.h"

namespace ui {

namespace {

HWND OpenDialog() { return FindWindowW(kFieldsClass, nullptr); }

Text ClassOf(HWND control) {
  wchar_t name[64] = {};
  GetClassNameW(control, name, 64);
  return FromW(name);
}

bool IsCheckBox(HWND control) {
  return (GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX;
}

// The control's text in its font, beside the room it has.
bool ControlTextFits(HWND control, int margin) {
  RECT r{};
  GetClientRect(control, &r);
  auto font = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  SIZE needed = TextExtent(control, font, WindowText(control));
  return needed.cx + margin <= r.right && needed.cy <= r.bottom;
}

// What the hotkey control takes from a key pressed with its modifiers held.
void HotkeyPress(HWND field, TextView chordText) {
  std::optional<KeyChord> chord = KeyChordParse(chordText);
  SendMessageW(field, HKM_SETHOTKEY, chord ? HotkeyControlValue(*chord) : 0, 0);
}

}  // namespace

bool FieldsDialogAnswer(const std::optional<std::vector<Text>>& values) {
  HWND dialog = OpenDialog();
  if (!dialog) return false;
  for (size_t i = 0; values && i < values->size(); ++i) {
    HWND field = GetDlgItem(dialog, kFieldIdFirst + static_cast<int>(i));
    if (IsCheckBox(field)) {
      SendMessageW(field, BM_SETCHECK, (*values)[i] == u"1" ? BST_CHECKED : BST_UNCHECKED, 0);
    } else if (ClassOf(field) == FromW(HOTKEY_CLASSW)) {
      HotkeyPress(field, (*values)[i]);
    } else {
      SetWindowTextW(field, W((*values)[i]).c_str());
    }
  }
  SendMessageW(GetDlgItem(dialog, values ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
  return true;
}

std::vector<Text> FieldsDialogTexts() {
  std::vector<Text> texts;
  HWND dialog = OpenDialog();
  for (HWND child = dialog ? GetWindow(dialog, GW_CHILD) : nullptr; child;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (ClassOf(child) == u"Static") texts.push_back(WindowText(child));
  }
  return texts;
}

bool FieldsDialogTextFits() {
  HWND dialog = OpenDialog();
  if (!dialog) return false;
  for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    Text kind = ClassOf(child);
    if (kind == u"Static" && !ControlTextFits(child, 0)) return false;
    if (kind == u"Edit" && !ControlTextFits(child, 8)) return false;
    if (kind == u"Button" && !IsCheckBox(child) && !ControlTextFits(child, 8)) return false;
  }
  return true;
}

}  // namespace ui
