#pragma once
// Opens the window of the one instance the user may run.
#include <filesystem>
#include <memory>
#include <optional>

#include "shell/main_window.h"
#include "shell/single_instance.h"

namespace tarvex::shell {

// The settings' place (QSettings) and the application's names.
void SetApplicationNames();

struct ShellInstance {
  SingleInstanceLock lock;  // held while the window lives
  std::unique_ptr<MainWindow> window;
};

// The window, made once the lock on `lockFile` is taken; nothing, after
// telling the user "Tarvex for Access is already running.", when another
// instance holds it.
std::optional<ShellInstance> OpenShell(const std::filesystem::path& lockFile, ShellOptions options);

}  // namespace tarvex::shell
