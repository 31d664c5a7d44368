// Qt's message box, its own (not the desktop's) file dialog, which can hold the encoding choice,
// and the dialog of fields.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpinBox>

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

namespace {

// OK closes the dialog only when the request's check finds nothing wrong.
class FieldsDialogQt : public QDialog {
 public:
  explicit FieldsDialogQt(const FieldsRequest& request) : request_(request) {
    setWindowTitle(Q(request.caption));
    auto* form = new QFormLayout(this);
    for (size_t i = 0; i < request.fields.size(); ++i) {
      QWidget* input = InputFor(request.fields[i]);
      // Tests find the fields by these names.
      input->setObjectName(QStringLiteral("field%1").arg(i));
      form->addRow(Q(request.fields[i].label), input);
      inputs_.push_back(input);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
  }

  std::vector<Text> Values() const {
    std::vector<Text> values;
    for (QWidget* input : inputs_) {
      if (auto* spin = qobject_cast<QSpinBox*>(input)) {
        values.push_back(T(QString::number(spin->value())));
      } else if (auto* check = qobject_cast<QCheckBox*>(input)) {
        values.push_back(check->isChecked() ? u"1" : u"0");
      } else {
        values.push_back(T(static_cast<QLineEdit*>(input)->text()));
      }
    }
    return values;
  }

  void accept() override {
    Text problem = FieldsProblem(request_, Values());
    if (!problem.empty()) return MessageShow(problem, MessageKind::kWarning);
    QDialog::accept();
  }

 private:
  QWidget* InputFor(const DialogField& field) {
    switch (field.kind) {
      case DialogField::Kind::kNumber: {
        auto* spin = new QSpinBox(this);
        spin->setRange(field.minimum, field.maximum);
        spin->setValue(SpinTextValue(field.value, field.minimum));
        return spin;
      }
      case DialogField::Kind::kCheck: {
        auto* check = new QCheckBox(this);
        check->setChecked(field.value == u"1");
        return check;
      }
      case DialogField::Kind::kText:
        break;
    }
    auto* edit = new QLineEdit(Q(field.value), this);
    edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 24);  // room for any key
    return edit;
  }

  const FieldsRequest& request_;
  std::vector<QWidget*> inputs_;
};

}  // namespace

std::optional<std::vector<Text>> NativeFieldsDialog(const FieldsRequest& request) {
  FieldsDialogQt dialog(request);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Values();
}

}  // namespace ui
