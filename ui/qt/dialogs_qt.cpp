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
#include <QHBoxLayout>
#include <QKeySequenceEdit>
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

QKeySequence KeySequenceOf(TextView chord) {
  std::optional<KeyChord> parsed = KeyChordParse(chord);
  if (!parsed) return {};
  Text text = KeyChordText({parsed->ctrl, parsed->alt, parsed->shift, false, parsed->key});
  if (parsed->super) text = u"Meta+" + text;
  return QKeySequence::fromString(Q(text), QKeySequence::PortableText);
}

Text ChordTextOf(const QKeySequence& sequence) {
  if (sequence.isEmpty()) return {};
  QKeyCombination pressed = sequence[0];
  Qt::KeyboardModifiers held = pressed.keyboardModifiers();
  KeyChord chord{held.testFlag(Qt::ControlModifier), held.testFlag(Qt::AltModifier),
                 held.testFlag(Qt::ShiftModifier), held.testFlag(Qt::MetaModifier),
                 T(QKeySequence(pressed.key()).toString(QKeySequence::PortableText))};
  Text text = KeyChordText(chord);
  return KeyChordParse(text) ? text : T(QKeySequence(pressed).toString(QKeySequence::NativeText));
}

namespace {

// OK closes the dialog only when the request's check finds nothing wrong.
class FieldsDialogQt : public QDialog {
 public:
  explicit FieldsDialogQt(const FieldsRequest& request) : request_(request) {
    setWindowTitle(Q(request.caption));
    setFont(FontOf(FontSpec{}));  // the main window's
    auto* form = new QFormLayout(this);
    Text heading;
    for (size_t i = 0; i < request.fields.size(); ++i) {
      const DialogField& field = request.fields[i];
      if (!field.heading.empty() && field.heading != heading) form->addRow(HeadingLabel(field));
      heading = field.heading;
      QWidget* input = InputFor(field);
      // Tests find the fields by these names.
      input->setObjectName(QStringLiteral("field%1").arg(i));
      form->addRow(Q(field.label), WithNote(input, field.note));
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
      } else if (auto* keys = qobject_cast<QKeySequenceEdit*>(input)) {
        values.push_back(ChordTextOf(keys->keySequence()));
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
  QLabel* HeadingLabel(const DialogField& field) {
    auto* label = new QLabel(Q(field.heading), this);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
  }

  // The input, with its note beside it when it has one.
  QWidget* WithNote(QWidget* input, const Text& note) {
    if (note.empty()) return input;
    auto* row = new QWidget(this);
    auto* line = new QHBoxLayout(row);
    line->setContentsMargins(0, 0, 0, 0);
    line->addWidget(input);
    line->addWidget(new QLabel(Q(note), row));
    return row;
  }

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
      case DialogField::Kind::kKey: {
        // Takes the keys as pressed; its clear button empties it (no key).
        auto* keys = new QKeySequenceEdit(KeySequenceOf(field.value), this);
        keys->setClearButtonEnabled(true);
        keys->setMinimumWidth(keys->fontMetrics().averageCharWidth() * 24);  // room for any key
        return keys;
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
