// The tray icon through QSystemTrayIcon, where the desktop has a tray.
#include <QIcon>
#include <QMenu>
#include <QSystemTrayIcon>

#include "ui/qt/node_qt.h"

namespace ui {

struct TrayIcon::Impl {
  std::unique_ptr<QSystemTrayIcon> icon;  // none without a tray
  QMenu menu;
  QString tooltip;
  std::function<void(const std::string&)> handler;
};

TrayIcon::TrayIcon(Form&) : impl_(std::make_unique<Impl>()) {}

void TrayIcon::Show() {
  if (impl_->icon || !QSystemTrayIcon::isSystemTrayAvailable()) return;
  QIcon picture = QIcon::fromTheme(QStringLiteral("com.example.vortane.KelvoraPro"),
                                   QIcon(QStringLiteral(":/images/logo.png")));
  impl_->icon = std::make_unique<QSystemTrayIcon>(picture);
  impl_->icon->setContextMenu(&impl_->menu);
  impl_->icon->setToolTip(impl_->tooltip);
  impl_->icon->show();
}

TrayIcon::~TrayIcon() = default;

void TrayIcon::MenuSet(const std::vector<std::pair<Text, std::string>>& items) {
  impl_->menu.clear();
  for (const auto& [caption, action] : items) {
    if (caption.empty()) {
      impl_->menu.addSeparator();
      continue;
    }
    QObject::connect(impl_->menu.addAction(Q(caption)), &QAction::triggered, &impl_->menu,
                     [impl = impl_.get(), action = action] {
                       if (impl->handler) Application::Dispatch([&] { impl->handler(action); });
                     });
  }
}

void TrayIcon::OnAction(std::function<void(const std::string&)> handler) {
  impl_->handler = std::move(handler);
}

void TrayIcon::TooltipSet(TextView text) {
  impl_->tooltip = Q(text);
  if (impl_->icon) impl_->icon->setToolTip(impl_->tooltip);
}

}  // namespace ui
