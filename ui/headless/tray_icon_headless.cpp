#include "ui/headless/tray_icon_headless.h"

namespace ui {

namespace {

struct Live {
  std::vector<std::pair<Text, std::string>> menu;
  Text tooltip;
  std::function<void(const std::string&)> handler;
};
Live* live = nullptr;

}  // namespace

struct TrayIcon::Impl {
  Live live;
};

TrayIcon::TrayIcon(Form&) : impl_(std::make_unique<Impl>()) { live = &impl_->live; }
TrayIcon::~TrayIcon() {
  if (live == &impl_->live) live = nullptr;
}
void TrayIcon::MenuSet(const std::vector<std::pair<Text, std::string>>& items) {
  impl_->live.menu = items;
}
void TrayIcon::OnAction(std::function<void(const std::string&)> handler) {
  impl_->live.handler = std::move(handler);
}
void TrayIcon::TooltipSet(TextView text) { impl_->live.tooltip = Text(text); }
void TrayIcon::Show() {}

std::vector<std::pair<Text, std::string>> TrayMenuGet() {
  return live ? live->menu : std::vector<std::pair<Text, std::string>>{};
}
Text TrayTooltipGet() { return live ? live->tooltip : Text(); }
void TrayMenuChoose(const std::string& action) {
  if (live && live->handler) Application::Dispatch([&] { live->handler(action); });
}

}  // namespace ui
