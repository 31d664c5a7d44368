// POSIX implementation of the platform layer (Linux; macOS folders where they differ).
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <iconv.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// Values are UTF-8 both in memory and on disk, so no conversion layer is needed.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"

extern char** environ;

namespace {

std::string Native(TextView path) { return TextToUtf8(path); }

[[noreturn]] void SystemErrorThrow(const char* what, TextView path, int error) {
  throw PlatformError(std::string(what) + " \"" + Native(path) + "\": " + std::strerror(error));
}

Text HomeGet() { return EnvironmentGet("HOME"); }

struct FileDescriptor {
  int fd = -1;
  explicit FileDescriptor(int f) : fd(f) {}
  ~FileDescriptor() {
    if (fd >= 0) ::close(fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
};

int ReadOnlyOpen(TextView path) {
  // O_NONBLOCK keeps a FIFO at the path from stalling the window thread.
  return ::open(Native(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

}  // namespace

char16_t PathSeparator() { return u'/'; }

Text EnvironmentGet(const char* name) {
  const char* value = std::getenv(name);
  return value ? Utf8ToText(value) : Text();
}

Text LocalAppDataGet() {
  Text overridden = EnvironmentGet("KELVORA_LOCAL_APPDATA");
  if (!overridden.empty()) return overridden;
  Text xdg = EnvironmentGet("XDG_CONFIG_HOME");
  if (!xdg.empty()) return xdg;
  Text home = HomeGet();
  return home.empty() ? Text() : PathJoin(home, u".config");
}

Text AppDataGet() {
  Text overridden = EnvironmentGet("KELVORA_APPDATA");
  return overridden.empty() ? HomeGet() : overridden;
}

Text ProgramFolderGet() {
  Text overridden = EnvironmentGet("KELVORA_PROGRAM_DIR");
  if (!overridden.empty()) return overridden;
  std::array<char, 4096> buffer{};
  ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return Text();
  Text exe = Utf8ToText(std::string_view(buffer.data(), static_cast<size_t>(length)));
  Text folder = PathFolderPart(exe);
  if (folder.size() > 1) folder.pop_back();
  return folder;
}

bool SideFilesInSettingsFolder() { return EnvironmentGet("KELVORA_PROGRAM_DIR").empty(); }

bool FileExists(TextView path) {
  struct stat info {};
  return !path.empty() && ::stat(Native(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool FolderExists(TextView path) {
  struct stat info {};
  return !path.empty() && ::stat(Native(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

void FolderCreate(TextView path) {
  std::string native = Native(path);
  for (size_t pos = 1; pos <= native.size(); ++pos) {
    if (pos != native.size() && native[pos] != '/') continue;
    std::string prefix = native.substr(0, pos);
    if (::mkdir(prefix.c_str(), 0755) != 0 && errno != EEXIST) {
      SystemErrorThrow("Cannot create folder", Utf8ToText(prefix), errno);
    }
  }
  if (!FolderExists(path)) SystemErrorThrow("Cannot create folder", path, ENOTDIR);
}

std::vector<FolderEntry> FolderEntriesGet(TextView folder, TextView pattern) {
  std::vector<FolderEntry> entries;
  DIR* dir = ::opendir(Native(folder).c_str());
  if (!dir) return entries;
  // Windows reads "*.*" as every name, with or without a dot, and ignores letter case.
  std::string glob = pattern == u"*.*" ? "*" : Native(pattern);
  std::string base = Native(PathWithSeparator(folder));
  while (dirent* item = ::readdir(dir)) {
    if (::fnmatch(glob.c_str(), item->d_name, FNM_CASEFOLD) != 0) continue;
    FolderEntry entry;
    entry.name = Utf8ToText(item->d_name);
    entry.isHidden = item->d_name[0] == '.';
    struct stat info {};
    if (::stat((base + item->d_name).c_str(), &info) == 0) {
      entry.isFolder = S_ISDIR(info.st_mode);
      entry.modified = int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
      entry.size = int64_t{info.st_size};
    }
    entries.push_back(std::move(entry));
  }
  ::closedir(dir);
  return entries;
}

int64_t FileSizeProbe(TextView path) {
  FileDescriptor file(ReadOnlyOpen(path));
  struct stat info {};
  if (file.fd < 0 || ::fstat(file.fd, &info) != 0) return -1;
  return int64_t{info.st_size};
}

struct SharedFile::Impl {
  Text path;
  FileDescriptor file;
  Impl(TextView p, int fd) : path(p), file(fd) {}
};

SharedFile::SharedFile(TextView path) {
  int fd = ReadOnlyOpen(path);
  if (fd < 0) SystemErrorThrow("Cannot open file", path, errno);
  impl_ = std::make_unique<Impl>(path, fd);
}

SharedFile::~SharedFile() = default;

int64_t SharedFile::Size() const {
  struct stat info {};
  if (::fstat(impl_->file.fd, &info) != 0) SystemErrorThrow("Cannot read file", impl_->path, errno);
  return int64_t{info.st_size};
}

void SharedFile::Seek(int64_t offset) {
  if (::lseek(impl_->file.fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
    SystemErrorThrow("Cannot seek in file", impl_->path, errno);
  }
}

std::string SharedFile::Read(size_t count) {
  std::string bytes(count, '\0');
  size_t done = 0;
  while (done < count) {
    ssize_t got = ::read(impl_->file.fd, bytes.data() + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    // A pipe at the path with nothing in it yet: what came so far, rather than spinning.
    if (got < 0 && errno == EAGAIN) break;
    if (got < 0) SystemErrorThrow("Cannot read file", impl_->path, errno);
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  bytes.resize(done);
  return bytes;
}

// --- Profile strings ---------------------------------------------------------------------------

struct ProfileFile::Impl {
  Text path;
  CSimpleIniA ini{/*isUtf8=*/true, /*multiKey=*/false, /*multiLine=*/false};
};

ProfileFile::ProfileFile(TextView path) : impl_(std::make_unique<Impl>()) {
  impl_->path = Text(path);
  impl_->ini.SetSpaces(false);
  // A missing or unreadable file reads as empty, as the Windows functions do.
  if (!FileExists(path)) return;
  try {
    std::string contents = FileContentsRead(path);
    impl_->ini.LoadData(contents.data(), contents.size());
  } catch (const PlatformError&) {
  }
}

ProfileFile::~ProfileFile() = default;

Text ProfileFile::RawStringGet(TextView section, TextView key, TextView defaultValue) const {
  const char* value =
      impl_->ini.GetValue(Native(section).c_str(), Native(key).c_str(), nullptr, nullptr);
  if (!value) return Text(defaultValue);
  Text text = Utf8ToText(value);
  if (text.size() >= 2 && text.front() == u'"' && text.back() == u'"') {
    text = text.substr(1, text.size() - 2);
  }
  return text;
}

void ProfileFile::RawStringSet(TextView section, TextView key, TextView value) {
  impl_->ini.SetValue(Native(section).c_str(), Native(key).c_str(), Native(value).c_str());
}

void ProfileFile::Flush() {
  std::string contents;
  impl_->ini.Save(contents);
  FileReplace(impl_->path, contents);
}

void FileReplace(TextView path, std::string_view contents) {
  // Written beside the target and renamed over it, so a crash never leaves half a file.
  std::string target = Native(path);
  std::string temp = target + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) SystemErrorThrow("Cannot write file", path, errno);
  FileDescriptor file(fd);
  const char* data = contents.data();
  size_t left = contents.size();
  while (left > 0) {
    ssize_t wrote = ::write(fd, data, left);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote < 0) {
      int error = errno;
      ::unlink(temp.c_str());
      SystemErrorThrow("Cannot write file", path, error);
    }
    data += wrote;
    left -= static_cast<size_t>(wrote);
  }
  ::fchmod(fd, 0644);
  if (::fsync(fd) != 0 || ::rename(temp.c_str(), target.c_str()) != 0) {
    int error = errno;
    ::unlink(temp.c_str());
    SystemErrorThrow("Cannot write file", path, error);
  }
}

// --- Conversions, version, shell -------------------------------------------------------------

Text AnsiCodePageToText(std::string_view bytes) {
  iconv_t cd = ::iconv_open("UTF-16LE", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) throw PlatformError("iconv: code page CP932 missing");
  std::string out;
  std::array<char, 4096> buffer{};
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  while (inLeft > 0) {
    char* outPtr = buffer.data();
    size_t outLeft = buffer.size();
    size_t result = ::iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    out.append(buffer.data(), static_cast<size_t>(outPtr - buffer.data()));
    if (result == static_cast<size_t>(-1) && errno != E2BIG) {
      // A byte that starts no character, or a character cut off at the end.
      out.append("\xFD\xFF", 2);
      ++in;
      --inLeft;
    }
  }
  ::iconv_close(cd);
  return Utf16LeToText(out);
}

Text VersionGet() { return AsciiToText(KELVORA_FILE_VERSION); }

void ShellOpen(TextView target) {
  // A shell starts the opener in the background and ends at once: the opener, which may run as
  // long as the browser it starts, is no child of ours to wait for.
  std::string arg = Native(target);
  char shell[] = "/bin/sh", dashC[] = "-c", name[] = "sh";
  char script[] = "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &";
  char* argv[] = {shell, dashC, script, name, arg.data(), nullptr};
  pid_t pid = 0;
  if (::posix_spawn(&pid, shell, nullptr, nullptr, argv, environ) == 0) ::waitpid(pid, nullptr, 0);
}

CommandConsole::CommandConsole() = default;
CommandConsole::~CommandConsole() = default;

ComApartment::ComApartment() = default;
ComApartment::~ComApartment() = default;

void EnvironmentSet(const std::string& name, TextView value) {
  if (value.empty()) {
    ::unsetenv(name.c_str());
  } else {
    ::setenv(name.c_str(), Native(value).c_str(), 1);
  }
}
