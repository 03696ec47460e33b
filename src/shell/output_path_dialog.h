#pragma once
// Asks the user where the repaired database goes, and applies the naming
// rules of the save to the answer, asking again while it is refused.
#include <filesystem>

#include "shell/user_prompts.h"

namespace tarvex::shell {

// The output path for a repair of `damagedFile`, or an empty path when the
// user cancels. The dialog starts in the damaged file's folder with the
// default name. An existing file is not removed here: the save builds the new
// database beside it and only replaces it once it is complete.
std::filesystem::path ChooseOutputPath(const UserPrompts& prompts,
                                       const std::filesystem::path& damagedFile);

}  // namespace tarvex::shell
