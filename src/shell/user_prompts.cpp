#include "shell/user_prompts.h"

#include <QFileDialog>
#include <QMessageBox>

namespace tarvex::shell {

UserPrompts UserPrompts::Dialogs(QWidget* parent) {
  const QString title = QStringLiteral("Tarvex for Access");
  return {
      .askYesNo =
          [parent, title](const QString& question) {
            return QMessageBox::question(parent, title, question,
                                         QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
          },
      .tell = [parent,
               title](const QString& message) { QMessageBox::information(parent, title, message); },
      .chooseFileToOpen =
          [parent](const QString& caption, const QString& filter) {
            return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
          },
      .chooseFileToSave =
          [parent](const QString& defaultPath, const QString& filter) {
            return QFileDialog::getSaveFileName(parent, QStringLiteral("Save As"), defaultPath,
                                                filter);
          },
  };
}

}  // namespace tarvex::shell
