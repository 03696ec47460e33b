#pragma once
// The settings dialog: the file-name prefix the window keeps while it runs.
#include <QDialog>

#include "shell/user_prompts.h"

class QLineEdit;

namespace tarvex::shell {

inline constexpr int kMaxFilePrefixLength = 50;

class CDlgSettings : public QDialog {
  Q_OBJECT

 public:
  CDlgSettings(const QString& prefix, UserPrompts prompts, QWidget* parent);

  QString prefix() const { return prefix_; }
  QLineEdit* prefixField() const { return field_; }

  // Keeps the dialog open, with a message, while the prefix is empty or holds a
  // character a file name cannot.
  void accept() override;

 private:
  UserPrompts prompts_;
  QLineEdit* field_;
  QString prefix_;
};

}  // namespace tarvex::shell
