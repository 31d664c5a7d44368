// The system's message box and open-file dialog (with its encoding choice).
#include "ui/win32/node_win32.h"

#include <shobjidl.h>

namespace ui {

namespace {

constexpr int kEncodingBox = 1;  // the open-file dialog's own control id

HWND DialogOwner() {
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

}  // namespace ui
