#include "shell/start_recover_dlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "shell/access_file_names.h"

namespace tarvex::shell {

CStartRecoverDlg::CStartRecoverDlg(UserPrompts prompts, QWidget* parent)
    : QDialog(parent),
      prompts_(std::move(prompts)),
      standardMode_(new QRadioButton(QStringLiteral("Standard Mode"))),
      templateMode_(new QRadioButton(QStringLiteral("Template Mode"))),
      damagedFile_(new QLineEdit),
      templateFile_(new QLineEdit),
      browseDamaged_(new QPushButton(QStringLiteral("Browse..."))),
      browseTemplate_(new QPushButton(QStringLiteral("Browse..."))) {
  setWindowTitle(QStringLiteral("Tarvex for Access"));
  standardMode_->setChecked(true);

  auto* grid = new QGridLayout;
  grid->addWidget(standardMode_, 0, 0, 1, 3);
  grid->addWidget(
      new QLabel(QStringLiteral("This is default mode to repair corrupted MS Access file")), 1, 0,
      1, 3);
  grid->addWidget(templateMode_, 2, 0, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral(
                      "Select this mode if you have template file having same structure")),
                  3, 0, 1, 3);
  grid->addWidget(new QLabel(QStringLiteral("Corrupted file:")), 4, 0);
  grid->addWidget(damagedFile_, 4, 1);
  grid->addWidget(browseDamaged_, 4, 2);
  grid->addWidget(new QLabel(QStringLiteral("Template file:")), 5, 0);
  grid->addWidget(templateFile_, 5, 1);
  grid->addWidget(browseTemplate_, 5, 2);
  grid->setColumnMinimumWidth(1, 360);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(buttons);

  connect(buttons, &QDialogButtonBox::accepted, this, &CStartRecoverDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CStartRecoverDlg::reject);
  connect(templateMode_, &QRadioButton::toggled, this, &CStartRecoverDlg::ShowModeControls);
  connect(browseDamaged_, &QPushButton::clicked, this,
          [this] { Browse(QStringLiteral("Select Corrupted MS Access file..."), damagedFile_); });
  connect(browseTemplate_, &QPushButton::clicked, this,
          [this] { Browse(QStringLiteral("Select template file..."), templateFile_); });
  ShowModeControls();
}

StartRequest CStartRecoverDlg::Request() const {
  const bool templateMode = templateMode_->isChecked();
  return {damagedFile_->text().trimmed(),
          templateMode ? templateFile_->text().trimmed() : QString(), templateMode};
}

void CStartRecoverDlg::accept() {
  const StartRequest request = Request();
  if (request.damagedFile.isEmpty()) {
    prompts_.tell(QStringLiteral("Please Select Corrupted MS Access Database File."));
    return;
  }
  if (request.templateMode && request.templateFile.isEmpty()) {
    prompts_.tell(QStringLiteral("Please Select Template MS Access Database File."));
    return;
  }
  QDialog::accept();
}

void CStartRecoverDlg::ShowModeControls() {
  const bool templateMode = templateMode_->isChecked();
  templateFile_->setEnabled(templateMode);
  browseTemplate_->setEnabled(templateMode);
}

void CStartRecoverDlg::Browse(const QString& title, QLineEdit* field) {
  const QString chosen = prompts_.chooseFileToOpen(title, kAccessFilesFilter);
  if (!chosen.isEmpty() && IsAccessFileName(chosen)) field->setText(chosen);
}

}  // namespace tarvex::shell
