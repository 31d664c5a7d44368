// Test helpers: temporary folders, files written byte for byte, environment overrides.
#pragma once

#include <string>
#include <string_view>

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
std::string FileBytes(const Text& path);

// A checked-in file or folder, by its path in the source tree ("packaging/windows").
Text SourcePath(std::u16string_view relative);

// Gives the file the platform's hidden attribute (on POSIX the leading dot already does).
void HiddenMark(const Text& path);
