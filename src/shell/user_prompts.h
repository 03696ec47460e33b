#pragma once
// Every question and message the window puts to the user goes through these
// functions, so that tests can answer them instead of a person: message boxes
// and file dialogs would block a test that has nobody to click them.
#include <QString>
#include <functional>

class QWidget;

namespace tarvex::shell {

struct UserPrompts {
  // A question with Yes and No; true for Yes.
  std::function<bool(const QString& question)> askYesNo;
  // A message the user acknowledges.
  std::function<void(const QString& message)> tell;
  // An existing file to open, or the empty text when the user cancels.
  std::function<QString(const QString& title, const QString& filter)> chooseFileToOpen;
  // A file to save to (the dialog itself asks before an existing file is
  // replaced), or the empty text when the user cancels.
  std::function<QString(const QString& defaultPath, const QString& filter)> chooseFileToSave;

  // The message boxes and file dialogs of the desktop, with `parent` as their owner.
  static UserPrompts Dialogs(QWidget* parent);
};

}  // namespace tarvex::shell
