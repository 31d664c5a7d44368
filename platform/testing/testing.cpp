#include "platform/testing/testing.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#endif

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace {

fs::path FsPath(const Text& path) { return fs::path(path); }

void EnvSet(const std::string& name, const std::string* value) {
  EnvironmentSet(name, value ? Utf8ToText(*value) : Text());
}

}  // namespace

TempFolder::TempFolder() {
  std::random_device device;
  fs::path base = fs::temp_directory_path();
  for (;;) {
    fs::path candidate = base / ("kelvora-test-" + std::to_string(device()));
    if (fs::create_directory(candidate)) {
      path_ = candidate.u16string();
      return;
    }
  }
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  fs::permissions(FsPath(path_), fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(FsPath(path_), ignored);
}

Text TempFolder::Join(std::u16string_view relative) const {
  Text native(relative);
  for (char16_t& c : native) {
    if (c == u'/') c = PathSeparator();
  }
  return PathJoin(path_, native);
}

EnvOverride::EnvOverride(std::string name, const Text& value) : name_(std::move(name)) {
  if (const char* old = std::getenv(name_.c_str())) {
    hadValue_ = true;
    oldValue_ = old;
  }
  std::string utf8 = TextToUtf8(value);
  EnvSet(name_, &utf8);
}

EnvOverride::~EnvOverride() { EnvSet(name_, hadValue_ ? &oldValue_ : nullptr); }

void FileWrite(const Text& path, std::string_view bytes) {
  std::ofstream out(FsPath(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write test file " + TextToUtf8(path));
}

void FileAppend(const Text& path, std::string_view bytes) {
  std::ofstream out(FsPath(path), std::ios::binary | std::ios::app);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot append to test file " + TextToUtf8(path));
}

void FolderMake(const Text& path) { fs::create_directories(FsPath(path)); }

std::string FileBytes(const Text& path) {
  std::ifstream in(FsPath(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

Text SourcePath(std::u16string_view relative) {
  const char* root = std::getenv("KELVORA_SOURCE");
  Text base = root ? Utf8ToText(root) : Text(u".");
  Text native(relative);
  for (char16_t& c : native) {
    if (c == u'/') c = PathSeparator();
  }
  return PathJoin(base, native);
}

void HiddenMark([[maybe_unused]] const Text& path) {
#ifdef _WIN32
  SetFileAttributesW(reinterpret_cast<const wchar_t*>(path.c_str()), FILE_ATTRIBUTE_HIDDEN);
#endif
}

std::vector<FixtureLog> FixtureLogsGet(const Text& folder) {
  std::vector<FixtureLog> logs;
  for (const FolderEntry& entry : FolderEntriesGet(folder, u"*")) {
    if (entry.name == u"." || entry.name == u".." || entry.isHidden) continue;
    Text path = PathJoin(folder, entry.name);
    if (entry.isFolder) {
      std::vector<FixtureLog> inner = FixtureLogsGet(path);
      logs.insert(logs.end(), inner.begin(), inner.end());
      continue;
    }
    if (entry.name.size() < 4 || entry.name.substr(entry.name.size() - 4) != u".txt") continue;
    Text spokenPath = path.substr(0, path.size() - 4) + u".spoken";
    if (!FileExists(spokenPath)) continue;
    FixtureLog log{folder, path, "", LinesSplit(Utf8ToText(FileContentsRead(spokenPath)))};
    if (!log.spoken.empty() && log.spoken[0].rfind(u"# ", 0) == 0) {
      log.args = TextToUtf8(log.spoken[0].substr(2));
      log.spoken.erase(log.spoken.begin());
    }
    logs.push_back(std::move(log));
  }
  return logs;
}

std::time_t LocalNoon(int year, int month, int day) {
  struct tm noon = {};
  noon.tm_year = year - 1900;
  noon.tm_mon = month - 1;
  noon.tm_mday = day;
  noon.tm_hour = 12;
  noon.tm_isdst = -1;
  return std::mktime(&noon);
}

std::string ViewerStamp(std::time_t when) {
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "[%Y/%m/%d %H:%M]  ", std::localtime(&when));
  return stamp;
}
