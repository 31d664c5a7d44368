#include "speech/testing/recording_server_win32.h"

namespace {

// SAPI 5's voice, the Speech Platform's, SAPI's token category.
constexpr const wchar_t* kClasses[] = {L"{96749377-3391-11D2-9EE3-00C04F797396}",
                                       L"{D941651C-44E6-4C17-BADF-C36826FC3424}",
                                       L"{A910187F-0C7A-45AC-92CC-59EDAFB77B53}"};

std::wstring KeyOf(const wchar_t* clsid) {
  return std::wstring(L"Software\\Classes\\CLSID\\") + clsid + L"\\InprocServer32";
}

std::wstring Read(HKEY root, const std::wstring& key, const wchar_t* name) {
  wchar_t value[MAX_PATH] = {};
  DWORD size = sizeof value;
  if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != 0) {
    return std::wstring();
  }
  return value;
}

void Write(HKEY root, const std::wstring& key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  RegCreateKeyExW(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &handle, nullptr);
  RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(handle);
}

}  // namespace

RecordingServer::RecordingServer(const Text& log) : log_("KELVORA_RECORDING_LOG", log) {
  std::wstring dll = W(Utf8ToText(KELVORA_RECORDING_VOICE_DLL));
  for (const wchar_t* clsid : kClasses) {
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
      std::wstring key = KeyOf(clsid);
      if (root == HKEY_LOCAL_MACHINE) {
        saved_.push_back({key, Read(root, key, nullptr), Read(root, key, L"ThreadingModel")});
      }
      Write(root, key, nullptr, dll);
      Write(root, key, L"ThreadingModel", L"Apartment");
    }
  }
}

RecordingServer::~RecordingServer() {
  for (const wchar_t* clsid : kClasses) {
    RegDeleteTreeW(HKEY_CURRENT_USER,
                   (std::wstring(L"Software\\Classes\\CLSID\\") + clsid).c_str());
  }
  for (const Saved& saved : saved_) {
    if (saved.server.empty()) {
      RegDeleteTreeW(HKEY_LOCAL_MACHINE, saved.key.c_str());
    } else {
      Write(HKEY_LOCAL_MACHINE, saved.key, nullptr, saved.server);
      Write(HKEY_LOCAL_MACHINE, saved.key, L"ThreadingModel", saved.model);
    }
  }
}
