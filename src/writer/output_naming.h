#pragma once
// Where a repaired database is written: the default name offered for a damaged
// file, and the rules that turn the path a user chose into the output path.
// The command line and the desktop window both use these; neither the damaged
// file's nor the chosen path's case is ever changed.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace tarvex::writer {

inline constexpr size_t kMaxOutputPathLength = 245;

struct DefaultOutputName {
  std::string name;       // "Tarvex_" followed by the damaged file's name
  std::string extension;  // after the name's last ".", lower-cased; empty without "."
  std::string filter;     // the save dialog's file filter
};

DefaultOutputName DefaultOutputNameFor(const std::filesystem::path& damagedFile);

struct OutputPathDecision {
  std::filesystem::path path;  // empty when the chosen path is refused
  std::string message;         // why it is refused, to show before asking again
  bool replacesFile = false;   // a file already stands at `path` and will be replaced
};

// The output path for the path a user chose. Refused: a path longer than 245
// characters, a file name that is only ".mdb" or ".accdb". A chosen extension
// other than the default one (or none) gets the default appended, numbered
// ("x.accdb1.mdb") until the name is free; with the default extension the
// path is kept as chosen and an existing file there is to be replaced.
OutputPathDecision DecideOutputPath(
    const std::filesystem::path& chosen, const std::string& defaultExtension,
    const std::function<bool(const std::filesystem::path&)>& exists);

// Why no file can be made in `folder` (the system's reason), or nothing when
// one can: found by making and removing a file there, so that a save into a
// folder that cannot be written is refused before the hours of a scan.
std::optional<std::string> FolderWriteProblem(const std::filesystem::path& folder);

// Why a file-name prefix cannot be used, or nothing when it can.
std::optional<std::string> CheckFilePrefix(const std::u16string& prefix);

}  // namespace tarvex::writer
