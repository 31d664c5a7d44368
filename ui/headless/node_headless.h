// What the files of the headless binding share: controls held in memory, and the virtual
// clock's timers.
#pragma once

#include <utility>
#include <vector>

#include "ui/binding.h"
#include "ui/ui.h"

namespace ui {

struct Node {
  Node* parent = nullptr;
  std::vector<Node*> children;
  Bounds bounds;
  bool enabled = true;
  bool visible = false;  // forms: shown
  bool radio = false;
  Text text;
  std::vector<Text> items;
  int itemIndex = -1;
  bool checked = false;
  int minimum = 0, maximum = 0, maxLength = 0;
  int enabledImage = -1, disabledImage = -1;
  Handler onChange, onClick, onIdle, onEndSession;
  std::function<void(const Text&)> onLink;
  std::vector<std::pair<Text, Handler>> menu;  // a form's own menu

  explicit Node(Node* p, Bounds b = {}) : parent(p), bounds(b) {
    if (parent) parent->children.push_back(this);
  }
  ~Node() {
    if (parent)
      parent->children.erase(std::find(parent->children.begin(), parent->children.end(), this));
  }
};

struct TimerState {
  int interval = 1000;
  bool enabled = false;
  int remaining = 1000;
  Handler handler;
};

struct FileWatcherState {
  std::vector<Text> paths;
  std::function<void(const Text& path)> handler;
};

struct State {
  std::vector<Node*> forms;
  std::vector<TimerState*> timers;
  std::vector<FileWatcherState*> watchers;
};

State& Global();

}  // namespace ui
