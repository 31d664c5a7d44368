// Linux dot-folders beneath the home folder (macOS folders where they differ). The viewers'
// own SECONDLIFE_USER_DIR and FIRESTORM_X64_USER_DIR override them, as the viewers do.
#include "platform/platform.h"
#include "viewer/viewer_folders.h"

std::vector<Text> ViewerFolderCandidates(TextView viewerName) {
  Text base = AppDataGet();
  if (base.empty()) return {};
#ifdef __APPLE__
  Text support = PathJoin(base, u"Library/Application Support");
  if (viewerName == u"SecondLife") return {PathJoin(support, u"SecondLife")};
  if (viewerName == u"Firestorm") {
    return {PathJoin(support, u"Firestorm_x64"), PathJoin(support, u"Firestorm")};
  }
#else
  if (viewerName == u"SecondLife") {
    Text own = EnvironmentGet("SECONDLIFE_USER_DIR");
    return {own.empty() ? PathJoin(base, u".secondlife") : own};
  }
  if (viewerName == u"Firestorm") {
    Text own = EnvironmentGet("FIRESTORM_X64_USER_DIR");
    if (!own.empty()) return {own};
    return {PathJoin(base, u".firestorm_x64"), PathJoin(base, u".firestorm"),
            PathJoin(base, u".var/app/org.firestormviewer.FirestormViewer/.firestorm_x64")};
  }
#endif
  return {};
}
