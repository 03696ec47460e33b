#include "shell/output_path_dialog.h"

#include "shell/access_file_names.h"
#include "writer/output_naming.h"

namespace tarvex::shell {
namespace {

// Each refusal shows its message and asks again; a user who keeps giving
// refused names is still asked only this often, so that the loop is bounded.
constexpr int kMaxAttempts = 100;

bool Exists(const std::filesystem::path& path) {
  std::error_code ignored;
  return std::filesystem::exists(std::filesystem::symlink_status(path, ignored));
}

}  // namespace

std::filesystem::path ChooseOutputPath(const UserPrompts& prompts,
                                       const std::filesystem::path& damagedFile) {
  const auto defaults = writer::DefaultOutputNameFor(damagedFile);
  const QString filter = DialogFilter(defaults.filter);
  QString proposed = QString::fromStdString((damagedFile.parent_path() / defaults.name).string());
  for (int attempt = 0; attempt < kMaxAttempts; ++attempt) {
    const QString chosen = prompts.chooseFileToSave(proposed, filter);
    if (chosen.isEmpty()) return {};
    const auto decision = writer::DecideOutputPath(std::filesystem::path(chosen.toStdString()),
                                                   defaults.extension, Exists);
    if (!decision.path.empty()) return decision.path;
    prompts.tell(QString::fromStdString(decision.message));
    proposed = chosen;
  }
  return {};
}

}  // namespace tarvex::shell
