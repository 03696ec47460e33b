#include "shell/application.h"

#include <QCoreApplication>

namespace tarvex::shell {

void SetApplicationNames() {
  QCoreApplication::setOrganizationName(QStringLiteral("Local AppWizard-Generated Applications"));
  QCoreApplication::setApplicationName(QStringLiteral("Tarvex for Access"));
}

std::optional<ShellInstance> OpenShell(const std::filesystem::path& lockFile,
                                       ShellOptions options) {
  auto lock = SingleInstanceLock::Acquire(lockFile);
  if (!lock) {
    const UserPrompts prompts =
        options.prompts.tell ? options.prompts : UserPrompts::Dialogs(nullptr);
    prompts.tell(QStringLiteral("Tarvex for Access is already running."));
    return std::nullopt;
  }
  return ShellInstance{std::move(*lock), std::make_unique<MainWindow>(std::move(options))};
}

}  // namespace tarvex::shell
