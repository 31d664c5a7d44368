// Where each viewer keeps its accounts and settings on this platform: one implementation per
// platform (viewer_folders_posix.cpp, viewer_folders_win32.cpp).
#pragma once

#include <vector>

#include "platform/unicode.h"

// The folders a viewer of the viewer table ("SecondLife", "Firestorm") may use, in the order
// they are tried; empty for a name that is no viewer's or when the home folder is unknown.
std::vector<Text> ViewerFolderCandidates(TextView viewerName);
