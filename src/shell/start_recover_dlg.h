#pragma once
// The start dialog: the repair mode and the damaged (and template) file. Its
// OK checks that the paths it needs are given; the window then checks that
// the files can be read and starts the repair.
#include <QDialog>

#include "shell/user_prompts.h"

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tarvex::shell {

struct StartRequest {
  QString damagedFile;
  QString templateFile;  // empty in Standard Mode
  bool templateMode = false;
};

class CStartRecoverDlg : public QDialog {
  Q_OBJECT

 public:
  CStartRecoverDlg(UserPrompts prompts, QWidget* parent);

  StartRequest Request() const;

  // The controls, for the tests that fill the dialog in as a user would.
  QRadioButton* templateModeChoice() const { return templateMode_; }
  QLineEdit* damagedFileField() const { return damagedFile_; }
  QPushButton* damagedFileBrowse() const { return browseDamaged_; }

  void accept() override;

 private:
  void ShowModeControls();
  // Puts the file the user chooses into `field`, unless it is no Access file.
  void Browse(const QString& title, QLineEdit* field);

  UserPrompts prompts_;
  QRadioButton* standardMode_;
  QRadioButton* templateMode_;
  QLineEdit* damagedFile_;
  QLineEdit* templateFile_;
  QPushButton* browseDamaged_;
  QPushButton* browseTemplate_;
};

}  // namespace tarvex::shell
