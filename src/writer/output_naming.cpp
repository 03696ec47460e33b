#include "writer/output_naming.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "format/unicode.h"

namespace tarvex::writer {
namespace {

std::string LowerAscii(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

// The text after the last "." of a file name, or nothing without one.
std::optional<std::string> ExtensionOf(const std::string& fileName) {
  const size_t dot = fileName.rfind('.');
  if (dot == std::string::npos) return std::nullopt;
  return fileName.substr(dot + 1);
}

}  // namespace

DefaultOutputName DefaultOutputNameFor(const std::filesystem::path& damagedFile) {
  DefaultOutputName result;
  result.name = "Tarvex_" + damagedFile.filename().string();
  result.extension = LowerAscii(ExtensionOf(result.name).value_or(""));
  if (result.extension == "mdb") {
    result.filter = "MS Access Files (*.mdb)|*.mdb||";
  } else if (result.extension == "accdb") {
    result.filter = "MS Access Files (*.accdb)|*.accdb||";
  } else {
    result.filter = "MS Access Files (*.accdb;*.mdb)|*.accdb;*.mdb||";
  }
  return result;
}

OutputPathDecision DecideOutputPath(
    const std::filesystem::path& chosen, const std::string& defaultExtension,
    const std::function<bool(const std::filesystem::path&)>& exists) {
  OutputPathDecision decision;
  if (format::FromUtf8(chosen.string()).size() > kMaxOutputPathLength) {
    decision.message = "File name should be less than 245 characters.";
    return decision;
  }
  const std::string fileName = chosen.filename().string();
  if (fileName == ".mdb" || fileName == ".accdb") {
    decision.message = "Please provide a valid file name.";
    return decision;
  }
  const auto extension = ExtensionOf(fileName);
  const bool sameType =
      defaultExtension.empty() || (extension && LowerAscii(*extension) == defaultExtension);
  if (sameType) {
    decision.path = chosen;
    decision.replacesFile = exists(chosen);
    return decision;
  }
  // The output type follows the damaged file: its extension is appended.
  const std::string base = chosen.string() + "." + defaultExtension;
  decision.path = base;
  for (unsigned number = 1; exists(decision.path); ++number)
    decision.path = base + std::to_string(number) + "." + defaultExtension;
  return decision;
}

std::optional<std::string> CheckFilePrefix(const std::u16string& prefix) {
  if (prefix.empty()) return "Please fill prefix";
  if (prefix.find_first_of(u"/\\|*:?<>'") != std::u16string::npos)
    return "Illegal character found in file pre fix ";
  return std::nullopt;
}

std::optional<std::string> FolderWriteProblem(const std::filesystem::path& folder) {
  std::string probe = (folder / ".tarvex-probe-XXXXXX").string();
  const int fd = mkstemp(probe.data());
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  ::unlink(probe.c_str());
  return std::nullopt;
}

}  // namespace tarvex::writer
