#pragma once
// Answers the window's questions for a test and records what it was told.
#include <QStringList>
#include <deque>

#include "shell/user_prompts.h"

namespace tarvex::test {

struct ScriptedPrompts {
  std::deque<bool> answers;  // Yes/No answers in turn; Yes when none is left
  QStringList questions;
  QStringList told;
  QString fileToOpen;
  QStringList filesToSave;  // in turn; the empty text (cancel) when none is left
  QStringList saveFilters;

  shell::UserPrompts Prompts() {
    return {
        .askYesNo =
            [this](const QString& question) {
              questions << question;
              if (answers.empty()) return true;
              const bool answer = answers.front();
              answers.pop_front();
              return answer;
            },
        .tell = [this](const QString& message) { told << message; },
        .chooseFileToOpen = [this](const QString&, const QString&) { return fileToOpen; },
        .chooseFileToSave =
            [this](const QString&, const QString& filter) {
              saveFilters << filter;
              return filesToSave.isEmpty() ? QString() : filesToSave.takeFirst();
            },
    };
  }
};

}  // namespace tarvex::test
