// Qt's message box, and its own (not the desktop's) file dialog, which can hold the encoding
// choice.
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>

#include "ui/qt/node_qt.h"

namespace ui {

void NativeMessageShow(TextView text, MessageKind kind) {
  QMessageBox box(kind == MessageKind::kError ? QMessageBox::Critical : QMessageBox::Warning,
                  Q(Application::Title()), Q(text), QMessageBox::Ok);
  box.exec();
}

std::optional<OpenFileResult> NativeOpenFileDialog(const OpenFileRequest& request) {
  QFileDialog dialog(nullptr, Q(Application::Title()), Q(request.initialFolder));
  dialog.setOption(QFileDialog::DontUseNativeDialog);  // so it can hold the encoding choice
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(Q(request.filterName) + " (" + Q(request.filterPattern) + ")");
  dialog.setDefaultSuffix(Q(request.defaultExtension));
  auto* encoding = new QComboBox(&dialog);
  for (const Text& name : request.encodings) encoding->addItem(Q(name));
  encoding->setCurrentIndex(request.encodingIndex);
  if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
    int row = grid->rowCount();
    grid->addWidget(new QLabel(QStringLiteral("Encoding:"), &dialog), row, 0);
    grid->addWidget(encoding, row, 1);
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return OpenFileResult{T(QDir::toNativeSeparators(dialog.selectedFiles().front())),
                        encoding->currentIndex()};
}

}  // namespace ui
