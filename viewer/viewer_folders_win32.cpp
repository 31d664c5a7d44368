// Folders beneath the roaming application-data folder; the 64-bit Firestorm, which most users
// run, under its "_x64" name.
#include "platform/platform.h"
#include "viewer/viewer_folders.h"

std::vector<Text> ViewerFolderCandidates(TextView viewerName) {
  Text base = AppDataGet();
  if (base.empty()) return {};
  if (viewerName == u"SecondLife") return {PathJoin(base, u"SecondLife")};
  if (viewerName == u"Firestorm") {
    return {PathJoin(base, u"Firestorm_x64"), PathJoin(base, u"Firestorm")};
  }
  return {};
}
