// The system's message box and open-file dialog (with its encoding choice), and the dialog of
// fields.
#include "ui/win32/node_win32.h"

#include <shobjidl.h>

#include <algorithm>

namespace ui {

namespace {

constexpr int kEncodingBox = 1;  // the open-file dialog's own control id

// The window a dialog belongs to: the active one of ours (a dialog above a form), else the
// visible form.
HWND DialogOwner() {
  HWND active = GetActiveWindow();
  if (active && IsWindowVisible(active)) return active;
  for (Node* form : Global().forms) {
    if (IsWindowVisible(form->hwnd)) return form->hwnd;
  }
  return nullptr;
}

}  // namespace

void NativeMessageShow(TextView text, MessageKind kind) {
  HWND owner = DialogOwner();
  UINT style = MB_OK | (kind == MessageKind::kError ? MB_ICONSTOP : MB_ICONWARNING) |
               (owner ? 0 : MB_TASKMODAL | MB_SETFOREGROUND);
  MessageBoxW(owner, W(text).c_str(), W(Application::Title()).c_str(), style);
}

std::optional<OpenFileResult> NativeOpenFileDialog(const OpenFileRequest& request) {
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
  ComCheck("IFileDialog::SetTitle", dialog->SetTitle(W(Application::Title()).c_str()));
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

namespace {

// Lengths of the dialog at 96 dpi.
constexpr int kMargin = 12, kGap = 8, kRowHeight = 23, kTextWidth = 180, kNumberWidth = 80,
              kButtonWidth = 75;

bool IsHotkeyControl(HWND control) {
  wchar_t name[32] = {};
  GetClassNameW(control, name, 32);
  return std::wstring_view(name) == HOTKEY_CLASSW;
}

// A key field takes the keys as pressed, in the system's hotkey control; one whose chord holds
// Win, which that control cannot show, stays a text field.
bool KeyCaptured(const DialogField& field) {
  std::optional<KeyChord> chord = KeyChordParse(field.value);
  return field.kind == DialogField::Kind::kKey && !(chord && chord->super);
}

struct FieldsWindow {
  const FieldsRequest* request = nullptr;
  std::vector<HWND> inputs;
  std::optional<bool> accepted;  // none while the dialog is open
};

// The hotkey control's chord as KeyChordText writes it; empty for none.
Text HotkeyText(HWND control) {
  auto pressed = static_cast<WORD>(SendMessageW(control, HKM_GETHOTKEY, 0, 0));
  BYTE modifiers = HIBYTE(pressed);
  Text key = KeyNameOfVirtualKey(LOBYTE(pressed));
  if (key.empty()) return {};
  return KeyChordText({(modifiers & HOTKEYF_CONTROL) != 0, (modifiers & HOTKEYF_ALT) != 0,
                       (modifiers & HOTKEYF_SHIFT) != 0, false, key});
}

std::vector<Text> FieldsValues(const FieldsWindow& window) {
  std::vector<Text> values;
  for (size_t i = 0; i < window.inputs.size(); ++i) {
    if (window.request->fields[i].kind == DialogField::Kind::kCheck) {
      bool checked = SendMessageW(window.inputs[i], BM_GETCHECK, 0, 0) == BST_CHECKED;
      values.push_back(checked ? u"1" : u"0");
    } else if (IsHotkeyControl(window.inputs[i])) {
      values.push_back(HotkeyText(window.inputs[i]));
    } else {
      values.push_back(WindowText(window.inputs[i]));
    }
  }
  return values;
}

}  // namespace

LRESULT CALLBACK FieldsProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* window = reinterpret_cast<FieldsWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (window && message == WM_COMMAND && LOWORD(wParam) == IDOK) {
    Application::Dispatch([window] {
      Text problem = FieldsProblem(*window->request, FieldsValues(*window));
      if (problem.empty()) {
        window->accepted = true;
      } else {
        MessageShow(problem, MessageKind::kWarning);
      }
    });
    return 0;
  }
  if (window && ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE)) {
    window->accepted = false;
    return 0;
  }
  return DefWindowProcW(hwnd, message, wParam, lParam);
}

namespace {

HWND ChildMake(HWND parent, HFONT font, const wchar_t* windowClass, TextView text, DWORD style,
               RECT r, int id, DWORD exStyle = 0) {
  HWND child =
      CreateWindowExW(exStyle, windowClass, W(text).c_str(), WS_CHILD | WS_VISIBLE | style, r.left,
                      r.top, r.right - r.left, r.bottom - r.top, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
  if (!child) SystemFail("Cannot create a control of the dialog");
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return child;
}

HWND InputMake(HWND dialog, HFONT font, const DialogField& field, RECT line, int id, int dpi) {
  auto s = [dpi](int length) { return Scaled(length, dpi); };
  if (field.kind == DialogField::Kind::kCheck) {
    HWND check = ChildMake(dialog, font, WC_BUTTONW, {}, BS_AUTOCHECKBOX | WS_TABSTOP,
                           {line.left, line.top, line.left + s(kRowHeight), line.bottom}, id);
    SendMessageW(check, BM_SETCHECK, field.value == u"1" ? BST_CHECKED : BST_UNCHECKED, 0);
    return check;
  }
  bool number = field.kind == DialogField::Kind::kNumber;
  RECT box{line.left, line.top, line.left + s(number ? kNumberWidth : kTextWidth), line.bottom};
  if (KeyCaptured(field)) {
    HWND keys = ChildMake(dialog, font, HOTKEY_CLASSW, {}, WS_TABSTOP, box, id, WS_EX_CLIENTEDGE);
    if (std::optional<KeyChord> chord = KeyChordParse(field.value)) {
      SendMessageW(keys, HKM_SETHOTKEY, HotkeyControlValue(*chord), 0);
    }
    return keys;
  }
  DWORD style = ES_AUTOHSCROLL | WS_TABSTOP | (number && field.minimum >= 0 ? ES_NUMBER : 0);
  return ChildMake(dialog, font, WC_EDITW, field.value, style, box, id, WS_EX_CLIENTEDGE);
}

// The labels in one column, each field beside its label with its note after it, a group's title
// above its first field, OK and Cancel beneath on the right.
void FieldsLayOut(HWND dialog, HFONT font, HFONT bold, int dpi, FieldsWindow& window) {
  auto s = [dpi](int length) { return Scaled(length, dpi); };
  const auto& fields = window.request->fields;
  LONG labelWidth = 0, noteWidth = 0;
  const LONG textHeight = TextExtent(dialog, font, u"Ag").cy;
  for (const DialogField& field : fields) {
    labelWidth = std::max(labelWidth, TextExtent(dialog, font, field.label).cx);
    if (!field.note.empty())
      noteWidth = std::max(noteWidth, TextExtent(dialog, font, field.note).cx);
  }
  // Drawn, a line of text can come out a pixel or two wider than measured (Wine's fonts).
  labelWidth += s(2);
  if (noteWidth > 0) noteWidth += s(2) + s(kGap);
  const int inputLeft = s(kMargin) + labelWidth + s(kGap), row = s(kRowHeight) + s(kGap) / 2;
  int top = s(kMargin);
  Text heading;
  for (size_t i = 0; i < fields.size(); ++i) {
    const DialogField& field = fields[i];
    if (!field.heading.empty() && field.heading != heading) {
      LONG width = TextExtent(dialog, bold, field.heading).cx + s(2);
      ChildMake(dialog, bold, WC_STATICW, field.heading, SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                {s(kMargin), top, s(kMargin) + width, top + textHeight}, -1);
      top += textHeight + s(kGap) / 2;
    }
    heading = field.heading;
    // Centred on its field's line, as the main window's labels: one line, sized to the text.
    const int textTop = top + (s(kRowHeight) - textHeight) / 2;
    ChildMake(dialog, font, WC_STATICW, field.label, SS_LEFTNOWORDWRAP | SS_NOPREFIX,
              {s(kMargin), textTop, s(kMargin) + labelWidth, textTop + textHeight}, -1);
    window.inputs.push_back(InputMake(dialog, font, field,
                                      {inputLeft, top, inputLeft, top + s(kRowHeight)},
                                      kFieldIdFirst + static_cast<int>(i), dpi));
    if (!field.note.empty()) {
      const int noteLeft = inputLeft + s(kTextWidth) + s(kGap);
      ChildMake(dialog, font, WC_STATICW, field.note, SS_LEFTNOWORDWRAP | SS_NOPREFIX,
                {noteLeft, textTop, noteLeft + noteWidth, textTop + textHeight}, -1);
    }
    top += row;
  }
  const int right = inputLeft + s(kTextWidth) + noteWidth;
  top += s(kGap);
  const int width = s(kButtonWidth);
  ChildMake(dialog, font, WC_BUTTONW, u"Cancel", BS_PUSHBUTTON | WS_TABSTOP,
            {right - width, top, right, top + s(kRowHeight)}, IDCANCEL);
  ChildMake(dialog, font, WC_BUTTONW, u"OK", BS_DEFPUSHBUTTON | WS_TABSTOP,
            {right - 2 * width - s(kGap), top, right - width - s(kGap), top + s(kRowHeight)}, IDOK);
  // The OK button goes first in the tab order, before Cancel.
  SetWindowPos(GetDlgItem(dialog, IDOK), GetDlgItem(dialog, IDCANCEL), 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  RECT frame{0, 0, right + s(kMargin), top + s(kRowHeight) + s(kMargin)};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE)));
  SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  WindowCentre(dialog);
}

// Runs the dialog's own message loop until OK (with a good check) or Cancel; a WM_QUIT ends it
// too and is posted again for the loop beneath.
void FieldsModalLoop(HWND dialog, const FieldsWindow& window) {
  MSG message;
  while (!window.accepted) {
    BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (!IsDialogMessageW(dialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

}  // namespace

std::optional<std::vector<Text>> NativeFieldsDialog(const FieldsRequest& request) {
  WindowingPrepare();
  HWND owner = DialogOwner();
  HWND dialog = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kFieldsClass,
                                W(request.caption).c_str(), WS_POPUP | WS_CAPTION | WS_SYSMENU, 0,
                                0, 0, 0, owner, nullptr, Instance(), nullptr);
  if (!dialog) SystemFail("Cannot create the dialog");
  const int dpi = DpiOf(owner ? owner : dialog);
  HFONT font = FontCreate(FontSpec{}, dpi);
  HFONT bold = FontCreate({FontSpec{}.pixels, true}, dpi);
  FieldsWindow window{&request, {}, std::nullopt};
  try {
    FieldsLayOut(dialog, font, bold, dpi, window);
  } catch (...) {
    DestroyWindow(dialog);
    DeleteObject(font);
    DeleteObject(bold);
    throw;
  }
  SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&window));
  if (owner) EnableWindow(owner, FALSE);
  ShowWindow(dialog, SW_SHOW);
  SetForegroundWindow(dialog);
  if (!window.inputs.empty()) SetFocus(window.inputs.front());
  FieldsModalLoop(dialog, window);
  std::optional<std::vector<Text>> values;
  if (window.accepted.value_or(false)) values = FieldsValues(window);
  // The owner is enabled again before the dialog goes, so the system activates it.
  if (owner) EnableWindow(owner, TRUE);
  DestroyWindow(dialog);
  DeleteObject(font);
  DeleteObject(bold);
  return values;
}

}  // namespace ui
