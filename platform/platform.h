// The operating system as the program sees it: folders, files, profile strings, the ANSI code
// page, the program's version and the shell. One implementation per platform
// (platform_posix.cpp, platform_win32.cpp); shared helpers in platform.cpp.
//
// Folder lookups honour environment overrides, so tests and portable setups can redirect them:
//   KELVORA_LOCAL_APPDATA  per-user local application data (home of Setup.ini's folder)
//   KELVORA_APPDATA        roaming application data (where the viewers keep their folders)
//   KELVORA_PROGRAM_DIR    the program's own folder (home of the side files)
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unicode.h"

// A failing system call: the message names the call's object (a file, a folder) and the
// system's reason.
class PlatformError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// --- Paths -----------------------------------------------------------------------------------

// "\" on Windows, "/" elsewhere.
char16_t PathSeparator();
// folder + separator (unless folder already ends in one) + name.
Text PathJoin(TextView folder, TextView name);
// folder with a separator at its end (unless it has one already, or is empty).
Text PathWithSeparator(TextView folder);
// Everything up to and including the last separator; empty when there is none.
Text PathFolderPart(TextView path);
// What follows the last separator: the file's own name.
Text PathNamePart(TextView path);
// The folder that holds path, without the separator at its end; a root keeps its separator.
Text PathFolderOf(TextView path);

// --- Folders ---------------------------------------------------------------------------------

// Per-user, non-roaming application data, without a trailing separator; empty when unknown.
// POSIX: $XDG_CONFIG_HOME, else ~/.config. Windows: CSIDL_LOCAL_APPDATA.
Text LocalAppDataGet();
// Per-user roaming application data, without a trailing separator; empty when unknown.
// POSIX: the home folder, where the viewers keep their dot-folders. Windows: CSIDL_APPDATA.
// The viewers' folders beneath it are viewer/'s to know.
Text AppDataGet();
// The folder of the program file, without a trailing separator.
Text ProgramFolderGet();
// Whether the user's side files are looked for in the user's settings folder before the
// program's (an installed program's folder is not the user's to write): POSIX yes, Windows no.
// Not when KELVORA_PROGRAM_DIR names the program's folder.
bool SideFilesInSettingsFolder();

// --- Files -----------------------------------------------------------------------------------

// True when a file (not a folder) exists at path; a symbolic link counts as its target.
bool FileExists(TextView path);
bool FolderExists(TextView path);
// Creates the folder and any missing parents; throws PlatformError.
void FolderCreate(TextView path);

struct FolderEntry {
  Text name;
  bool isFolder = false;
  bool isHidden = false;
  // Last modification, in the platform's own ticks: only for comparing entries of one folder.
  int64_t modified = 0;
  int64_t size = -1;  // bytes, as the folder's listing has it; -1 when unknown
};

// The entries of folder whose names match the wildcard pattern ("*", "?"; "*.*" matches every
// name, as on Windows), hidden and system entries included, "." and ".." included where the
// system reports them, in the system's enumeration order. Empty when the folder cannot be
// enumerated.
std::vector<FolderEntry> FolderEntriesGet(TextView folder, TextView pattern);

// Size of the file at path, or -1 when it cannot be opened for reading. The probe only reads,
// and shares reading, writing and deletion with other processes.
int64_t FileSizeProbe(TextView path);

// A file opened for reading that other processes may go on writing, renaming or deleting.
class SharedFile {
 public:
  // Throws PlatformError naming the file and the system's reason.
  explicit SharedFile(TextView path);
  ~SharedFile();
  SharedFile(const SharedFile&) = delete;
  SharedFile& operator=(const SharedFile&) = delete;

  int64_t Size() const;
  void Seek(int64_t offset);
  // Reads up to count bytes from the current position; fewer at the end of the file.
  std::string Read(size_t count);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The whole file; throws PlatformError when it exists but cannot be read.
std::string FileContentsRead(TextView path);
// Writes the file whole: a new file beside it, then put in its place, so it is never left half
// written; throws PlatformError naming the file.
void FileReplace(TextView path, std::string_view contents);
// Up to count bytes from offset (fewer at the end of the file), the file opened as SharedFile
// opens it; throws PlatformError.
std::string FileRangeRead(TextView path, int64_t offset, size_t count);

// --- Profile strings (INI files) -------------------------------------------------------------

// One profile file, read and written with the platform's profile-string semantics: section and
// key names ignore letter case, a missing file, section or key is created on writing, a key
// keeps its place, and keys this program doesn't know are kept. Values with blanks at their
// ends are quoted on writing so they read back unchanged.
class ProfileFile {
 public:
  explicit ProfileFile(TextView path);
  ~ProfileFile();
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;

  // At most 2047 characters; defaultValue when the key is missing.
  Text StringGet(TextView section, TextView key, TextView defaultValue) const;
  // Decimal, or hexadecimal with "0x", "0X" or "$"; defaultValue when missing or no number.
  int32_t IntegerGet(TextView section, TextView key, int32_t defaultValue) const;
  // Line breaks in the value become blanks (a value is one line). Throws PlatformError naming
  // the file when it cannot be written.
  void StringSet(TextView section, TextView key, TextView value);
  void IntegerSet(TextView section, TextView key, int32_t value);
  // Makes sure everything set so far is on disk; throws PlatformError.
  void Flush();

 private:
  Text RawStringGet(TextView section, TextView key, TextView defaultValue) const;
  void RawStringSet(TextView section, TextView key, TextView value);

  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// --- Conversions -----------------------------------------------------------------------------

// Bytes in the system's ANSI code page (Shift-JIS, code page 932, on POSIX and on a Japanese
// Windows); undecodable bytes become U+FFFD.
Text AnsiCodePageToText(std::string_view bytes);

// Text read as a whole number the way profile values are: decimal, "0x"/"0X" or "$" hexadecimal,
// an optional sign; false when it is no 32-bit number.
bool TextToInteger(TextView text, int32_t& value);

// An environment variable of this process; empty when it is not set.
Text EnvironmentGet(const char* name);
// Sets an environment variable of this process (empty value: removes it).
void EnvironmentSet(const std::string& name, TextView value);

// --- Program and shell -----------------------------------------------------------------------

// File version of the program as "a.b.c.d"; empty when it has none.
Text VersionGet();
// Hands target (a web address) to the desktop's opener; the result is not checked.
void ShellOpen(TextView target);

// The console of the command that started the program, for the command-line commands' output,
// while it lives: on Windows, where the program is a window program without a console of its
// own, it attaches to the caller's console (when output is not redirected) and writes UTF-8 to
// it; nothing elsewhere.
class CommandConsole {
 public:
  CommandConsole();
  ~CommandConsole();
  CommandConsole(const CommandConsole&) = delete;
  CommandConsole& operator=(const CommandConsole&) = delete;

 private:
  [[maybe_unused]] unsigned previousCodePage_ = 0;  // Windows only
};

// The thread's COM apartment (single-threaded) for its lifetime, on Windows, where the speech
// runtimes need it; nothing elsewhere. The program entry holds one.
class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  [[maybe_unused]] bool entered_ = false;  // Windows only
};
