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

}  // namespace

bool FieldsDialogAnswer(const std::optional<std::vector<Text>>& values) {
  HWND dialog = OpenDialog();
  if (!dialog) return false;
  for (size_t i = 0; values && i < values->size(); ++i) {
    HWND field = GetDlgItem(dialog, kFieldIdFirst + static_cast<int>(i));
    if (IsCheckBox(field)) {
      SendMessageW(field, BM_SETCHECK, (*values)[i] == u"1" ? BST_CHECKED : BST_UNCHECKED, 0);
    } else {
      SetWindowTextW(field, W((*values)[i]).c_str());
    }
  }
  SendMessageW(GetDlgItem(dialog, values ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
  return true;
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
