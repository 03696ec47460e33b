#include "shell/dlg_settings.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

#include "writer/output_naming.h"

namespace tarvex::shell {

CDlgSettings::CDlgSettings(const QString& prefix, UserPrompts prompts, QWidget* parent)
    : QDialog(parent),
      prompts_(std::move(prompts)),
      field_(new QLineEdit(prefix)),
      prefix_(prefix) {
  setWindowTitle(QStringLiteral("Settings"));
  field_->setMaxLength(kMaxFilePrefixLength);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  auto* layout = new QFormLayout(this);
  layout->addRow(QStringLiteral("File prefix:"), field_);
  layout->addRow(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &CDlgSettings::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CDlgSettings::reject);
}

void CDlgSettings::accept() {
  const QString text = field_->text();
  if (auto problem = writer::CheckFilePrefix(text.toStdU16String())) {
    prompts_.tell(QString::fromStdString(*problem));
    return;
  }
  prefix_ = text;
  QDialog::accept();
}

}  // namespace tarvex::shell
