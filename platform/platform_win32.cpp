// Win32 implementation of the platform layer.
#include "platform/win32.h"

#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <array>
#include <cstdio>
#include <cwchar>
#include <string>

#include "platform/platform.h"

std::string SystemMessage(DWORD error) {
  wchar_t* buffer = nullptr;
  DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  Text message = length ? FromW(buffer) : AsciiToText("system error " + std::to_string(error));
  LocalFree(buffer);
  while (!message.empty() &&
         (message.back() == u'\r' || message.back() == u'\n' || message.back() == u'.')) {
    message.pop_back();
  }
  return TextToUtf8(message);
}

std::string HresultMessage(const char* call, HRESULT hr) {
  char code[16];
  std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
  return std::string(call) + " failed with HRESULT " + code;
}

namespace {

[[noreturn]] void SystemErrorThrow(const char* what, TextView path, DWORD error = GetLastError()) {
  throw PlatformError(std::string(what) + " \"" + TextToUtf8(path) + "\": " + SystemMessage(error));
}

Text EnvironmentGet(const wchar_t* name) {
  std::array<wchar_t, 32768> buffer{};
  DWORD length = GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
  return length > 0 && length < buffer.size() ? FromW(buffer.data()) : Text();
}

Text ShellFolderGet(const wchar_t* overrideName, int csidl) {
  Text overridden = EnvironmentGet(overrideName);
  if (!overridden.empty()) return overridden;
  std::array<wchar_t, MAX_PATH + 1> buffer{};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer.data()))) {
    return Text();
  }
  Text folder = FromW(buffer.data());
  while (!folder.empty() && folder.back() == u'\\') folder.pop_back();
  return folder;
}

Text ModuleFileGet() {
  std::wstring buffer(32768, L'\0');
  DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
  buffer.resize(length);
  return FromW(buffer.c_str());
}

HANDLE SharedOpen(TextView path) {
  return CreateFileW(W(path).c_str(), GENERIC_READ,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

struct Handle {
  HANDLE handle;
  explicit Handle(HANDLE h) : handle(h) {}
  ~Handle() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
};

int64_t FileTimeTicks(const FILETIME& time) {
  return static_cast<int64_t>(uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime);
}

}  // namespace

char16_t PathSeparator() { return u'\\'; }

Text LocalAppDataGet() { return ShellFolderGet(L"KELVORA_LOCAL_APPDATA", CSIDL_LOCAL_APPDATA); }

Text AppDataGet() { return ShellFolderGet(L"KELVORA_APPDATA", CSIDL_APPDATA); }

Text EnvironmentGet(const char* name) { return EnvironmentGet(W(AsciiToText(name)).c_str()); }

Text ProgramFolderGet() {
  Text overridden = EnvironmentGet(L"KELVORA_PROGRAM_DIR");
  if (!overridden.empty()) return overridden;
  Text folder = PathFolderPart(ModuleFileGet());
  if (!folder.empty()) folder.pop_back();
  return folder;
}

bool SideFilesInSettingsFolder() { return false; }

bool FileExists(TextView path) {
  DWORD attributes = GetFileAttributesW(W(path).c_str());
  return !path.empty() && attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(TextView path) {
  DWORD attributes = GetFileAttributesW(W(path).c_str());
  return !path.empty() && attributes != INVALID_FILE_ATTRIBUTES &&
         (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void FolderCreate(TextView path) {
  Text native(path);
  for (size_t pos = 0; pos <= native.size(); ++pos) {
    if (pos != native.size() && native[pos] != u'\\') continue;
    Text prefix = native.substr(0, pos);
    if (prefix.empty() || prefix.back() == u':' || FolderExists(prefix)) continue;
    if (!CreateDirectoryW(W(prefix).c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
      SystemErrorThrow("Cannot create folder", prefix);
    }
  }
  if (!FolderExists(path)) SystemErrorThrow("Cannot create folder", path, ERROR_DIRECTORY);
}

std::vector<FolderEntry> FolderEntriesGet(TextView folder, TextView pattern) {
  std::vector<FolderEntry> entries;
  WIN32_FIND_DATAW data{};
  HANDLE find = FindFirstFileW(W(PathJoin(folder, pattern)).c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return entries;
  do {
    FolderEntry entry;
    entry.name = FromW(data.cFileName);
    entry.isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
    entry.isHidden = data.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN;
    entry.modified = FileTimeTicks(data.ftLastWriteTime);
    entry.size = static_cast<int64_t>(uint64_t{data.nFileSizeHigh} << 32 | data.nFileSizeLow);
    entries.push_back(std::move(entry));
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return entries;
}

int64_t FileSizeProbe(TextView path) {
  Handle file(SharedOpen(path));
  LARGE_INTEGER size{};
  if (file.handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(file.handle, &size)) return -1;
  return size.QuadPart;
}

struct SharedFile::Impl {
  Text path;
  Handle file;
  Impl(TextView p, HANDLE h) : path(p), file(h) {}
};

SharedFile::SharedFile(TextView path) {
  HANDLE handle = SharedOpen(path);
  if (handle == INVALID_HANDLE_VALUE) SystemErrorThrow("Cannot open file", path);
  impl_ = std::make_unique<Impl>(path, handle);
}

SharedFile::~SharedFile() = default;

int64_t SharedFile::Size() const {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(impl_->file.handle, &size)) SystemErrorThrow("Cannot read file", impl_->path);
  return size.QuadPart;
}

void SharedFile::Seek(int64_t offset) {
  LARGE_INTEGER distance{};
  distance.QuadPart = offset;
  if (!SetFilePointerEx(impl_->file.handle, distance, nullptr, FILE_BEGIN)) {
    SystemErrorThrow("Cannot seek in file", impl_->path);
  }
}

std::string SharedFile::Read(size_t count) {
  std::string bytes(count, '\0');
  size_t done = 0;
  while (done < count) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(impl_->file.handle, bytes.data() + done, chunk, &got, nullptr)) {
      SystemErrorThrow("Cannot read file", impl_->path);
    }
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return bytes;
}

// --- Profile strings ---------------------------------------------------------------------------

struct ProfileFile::Impl {
  std::wstring path;
  bool unicode = false;  // the file is known to be UTF-16 with its byte-order mark
};

namespace {

// The profile functions keep a file in UTF-16 only when it starts with its byte-order mark; one
// made by hand or by an older program (ANSI, or UTF-8 with its mark) becomes UTF-16 LE, every key
// kept, so text outside the ANSI code page survives the save. A new file starts with the mark.
void ProfileFileToUnicode(TextView path) {
  std::string bytes = FileExists(path) ? FileContentsRead(path) : std::string();
  if (ByteOrderMarkGet(bytes) == ByteOrderMark::kUtf16Le) return;
  Text text = ByteOrderMarkGet(bytes) == ByteOrderMark::kUtf8 ? Utf8ToText(Utf8MarkSkip(bytes))
                                                              : AnsiCodePageToText(bytes);
  std::string unicode(ByteOrderMarkBytes(ByteOrderMark::kUtf16Le));
  for (char16_t unit : text) {
    unicode.push_back(static_cast<char>(unit & 0xFF));
    unicode.push_back(static_cast<char>(unit >> 8));
  }
  FileReplace(path, unicode);
}

}  // namespace

ProfileFile::ProfileFile(TextView path) : impl_(std::make_unique<Impl>()) { impl_->path = W(path); }

ProfileFile::~ProfileFile() = default;

Text ProfileFile::RawStringGet(TextView section, TextView key, TextView defaultValue) const {
  // The functions strip blanks from a default they hand back, so a missing key is told by a
  // default no file holds, and the caller's default is returned untouched.
  static constexpr wchar_t kMissing[] = L"\x01kelvora-missing\x01";
  std::array<wchar_t, 2048> buffer{};
  GetPrivateProfileStringW(W(section).c_str(), W(key).c_str(), kMissing, buffer.data(),
                           static_cast<DWORD>(buffer.size()), impl_->path.c_str());
  if (std::wcscmp(buffer.data(), kMissing) == 0) return Text(defaultValue);
  return FromW(buffer.data());
}

void ProfileFile::RawStringSet(TextView section, TextView key, TextView value) {
  Text path = FromW(impl_->path.c_str());
  if (!impl_->unicode) {
    // Flushes the system's cached copy first: the conversion reads the file as it is.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, impl_->path.c_str());
    ProfileFileToUnicode(path);
    impl_->unicode = true;
  }
  if (!WritePrivateProfileStringW(W(section).c_str(), W(key).c_str(), W(value).c_str(),
                                  impl_->path.c_str())) {
    SystemErrorThrow("Cannot write file", path);
  }
}

void ProfileFile::Flush() {
  // Flushes the system's cached copy of the file to disk.
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, impl_->path.c_str());
}

void FileReplace(TextView path, std::string_view contents) {
  // Written beside the target and moved over it, so a crash never leaves half a file.
  std::wstring target = W(path), temp = target + L".new";
  {
    Handle file(CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.handle == INVALID_HANDLE_VALUE) SystemErrorThrow("Cannot write file", path);
    DWORD wrote = 0;
    if (!WriteFile(file.handle, contents.data(), static_cast<DWORD>(contents.size()), &wrote,
                   nullptr) ||
        wrote != contents.size() || !FlushFileBuffers(file.handle)) {
      DWORD error = GetLastError();
      DeleteFileW(temp.c_str());
      SystemErrorThrow("Cannot write file", path, error);
    }
  }
  if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
    DWORD error = GetLastError();
    DeleteFileW(temp.c_str());
    SystemErrorThrow("Cannot write file", path, error);
  }
}

// --- Conversions, version, shell -------------------------------------------------------------

Text AnsiCodePageToText(std::string_view bytes) {
  if (bytes.empty()) return Text();
  int size = static_cast<int>(bytes.size());
  int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
  std::wstring out(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, out.data(), length);
  return Text(out.begin(), out.end());
}

Text VersionGet() {
  std::wstring file = W(ModuleFileGet());
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return Text();
  std::string block(size, '\0');
  if (!GetFileVersionInfoW(file.c_str(), 0, size, block.data())) return Text();
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return Text();
  }
  return AsciiToText(std::to_string(HIWORD(info->dwFileVersionMS)) + "." +
                     std::to_string(LOWORD(info->dwFileVersionMS)) + "." +
                     std::to_string(HIWORD(info->dwFileVersionLS)) + "." +
                     std::to_string(LOWORD(info->dwFileVersionLS)));
}

void ShellOpen(TextView target) {
  ShellExecuteW(nullptr, L"open", W(target).c_str(), nullptr, nullptr, SW_SHOW);
}

CommandConsole::CommandConsole() {
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if ((output == nullptr || output == INVALID_HANDLE_VALUE) &&
      AttachConsole(ATTACH_PARENT_PROCESS)) {
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
    std::freopen("CONIN$", "r", stdin);
  }
  if (GetConsoleWindow()) {
    previousCodePage_ = GetConsoleOutputCP();
    SetConsoleOutputCP(CP_UTF8);  // the commands write UTF-8
  }
}

CommandConsole::~CommandConsole() {
  if (previousCodePage_) SetConsoleOutputCP(previousCodePage_);
}

ComApartment::ComApartment()
    : entered_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}

ComApartment::~ComApartment() {
  if (entered_) CoUninitialize();
}

void EnvironmentSet(const std::string& name, TextView value) {
  // The C runtime's copy, which getenv reads, and the process's own.
  std::wstring wideName(name.begin(), name.end());
  _wputenv_s(wideName.c_str(), W(value).c_str());
  SetEnvironmentVariableW(wideName.c_str(), value.empty() ? nullptr : W(value).c_str());
}
