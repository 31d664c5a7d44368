// Test helpers: temporary folders, files written byte for byte, environment overrides.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "platform/unicode.h"

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const Text& Path() const { return path_; }
  // path_ + separator + relative ("/" in relative is turned into the platform's separator).
  Text Join(std::u16string_view relative) const;

 private:
  Text path_;
};

// Sets an environment variable for the life of the object, then restores it.
class EnvOverride {
 public:
  EnvOverride(std::string name, const Text& value);
  ~EnvOverride();
  EnvOverride(const EnvOverride&) = delete;
  EnvOverride& operator=(const EnvOverride&) = delete;

 private:
  std::string name_;
  bool hadValue_ = false;
  std::string oldValue_;
};

void FileWrite(const Text& path, std::string_view bytes);
void FileAppend(const Text& path, std::string_view bytes);
void FolderMake(const Text& path);
// Noon of a day (month 1..12) in local time, as the viewers date their logs.
std::time_t LocalNoon(int year, int month, int day);
// The stamp a viewer writes before a line said at when, in the local clock:
// "[2026/12/10 04:20]  ".
std::string ViewerStamp(std::time_t when);
std::string FileBytes(const Text& path);

// A checked-in file or folder, by its path in the source tree ("packaging/windows").
Text SourcePath(std::u16string_view relative);

// A checked-in viewer log and what it should give: NAME.txt beside NAME.spoken, whose first line
// may be "# OPTIONS" (preview's options the log needs). The side files beside it are its folder's.
struct FixtureLog {
  Text folder;
  Text log;          // path of NAME.txt
  std::string args;  // the options of the "# " line; empty when there is none
  LineList spoken;   // the lines after it
};
// The logs of a folder and of the folders in it.
std::vector<FixtureLog> FixtureLogsGet(const Text& folder);

// Gives the file the platform's hidden attribute (on POSIX the leading dot already does).
void HiddenMark(const Text& path);
