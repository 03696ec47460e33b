#pragma once
// What the window is made with: the defaults for a user at the desktop, and
// the seams tests use (quicker timers, no pauses, answered questions).
#include <chrono>

#include "engine/process_file.h"
#include "shell/user_prompts.h"
#include "writer/access_save_repaired_file.h"

namespace tarvex::shell {

struct ShellOptions {
  // How often the window looks at a running repair or save.
  std::chrono::milliseconds timerPeriod{1000};
  engine::ScanSettings scan;
  writer::SaveSettings save;
  // Empty: the desktop's message boxes and file dialogs.
  UserPrompts prompts;
  // The start dialog opens by itself the first time the window is shown.
  bool startDialogAtFirstShow = true;
};

}  // namespace tarvex::shell
