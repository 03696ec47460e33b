#pragma once
// Whether a file can be given to a repair: the check that the command line
// and the window both run before they start one.
#include <filesystem>
#include <optional>
#include <string>

namespace tarvex::engine {

// Why `path` cannot be repaired (the reader's error text, or that no page of it
// is a Jet page), or nothing when it can be read as an Access database.
std::optional<std::string> WhyNotRepairable(const std::filesystem::path& path);

}  // namespace tarvex::engine
