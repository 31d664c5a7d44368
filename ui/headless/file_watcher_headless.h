// The headless binding's file watcher is scripted: a test says which file changed.
#pragma once

#include <vector>

#include "platform/unicode.h"

namespace ui {

// Tells every watcher that watches path, or the folder that holds it, of a change.
void FileChangeNotify(TextView path);
// What the watchers watch, all of them.
std::vector<Text> WatchedPathsGet();

}  // namespace ui
