#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "ui/qt/node_qt.h"
#include "ui/testing/fields_user.h"

namespace ui {

namespace {

QDialog* OpenDialog() { return qobject_cast<QDialog*>(QApplication::activeModalWidget()); }

// Empties the field and presses the chord's keys in it (its modifiers held), as a user would.
void KeysPress(QKeySequenceEdit* field, TextView chord) {
  field->clear();
  QKeySequence keys = KeySequenceOf(chord);
  if (keys.isEmpty()) return;
  field->setFocus();
  QKeyEvent press(QEvent::KeyPress, keys[0].key(), keys[0].keyboardModifiers());
  QKeyEvent release(QEvent::KeyRelease, keys[0].key(), keys[0].keyboardModifiers());
  QApplication::sendEvent(field, &press);
  QApplication::sendEvent(field, &release);
}

}  // namespace

bool FieldsDialogAnswer(const std::optional<std::vector<Text>>& values) {
  QDialog* dialog = OpenDialog();
  auto* buttons = dialog ? dialog->findChild<QDialogButtonBox*>() : nullptr;
  if (!buttons) return false;
  if (!values) {
    buttons->button(QDialogButtonBox::Cancel)->click();
    return true;
  }
  for (size_t i = 0; i < values->size(); ++i) {
    QWidget* field = dialog->findChild<QWidget*>(QStringLiteral("field%1").arg(i));
    if (auto* spin = qobject_cast<QSpinBox*>(field)) {
      spin->findChild<QLineEdit*>()->setText(Q((*values)[i]));
      spin->interpretText();
    } else if (auto* check = qobject_cast<QCheckBox*>(field)) {
      check->setChecked((*values)[i] == u"1");
    } else if (auto* keys = qobject_cast<QKeySequenceEdit*>(field)) {
      KeysPress(keys, (*values)[i]);
    } else if (auto* edit = qobject_cast<QLineEdit*>(field)) {
      edit->setText(Q((*values)[i]));
    }
  }
  buttons->button(QDialogButtonBox::Ok)->click();
  return true;
}

std::vector<Text> FieldsDialogTexts() {
  std::vector<Text> texts;
  if (QDialog* dialog = OpenDialog()) {
    for (QLabel* label : dialog->findChildren<QLabel*>()) texts.push_back(T(label->text()));
  }
  return texts;
}

bool FieldsDialogTextFits() {
  QDialog* dialog = OpenDialog();
  if (!dialog) return false;
  for (QLabel* label : dialog->findChildren<QLabel*>()) {
    if (label->sizeHint().width() > label->width()) return false;
  }
  for (QLineEdit* edit : dialog->findChildren<QLineEdit*>()) {
    if (edit->fontMetrics().horizontalAdvance(edit->text()) + 8 > edit->width()) return false;
  }
  return true;
}

}  // namespace ui
