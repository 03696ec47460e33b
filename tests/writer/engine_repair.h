#pragma once
// A whole repair through the real engine: the scan of a source file, then the
// save of what it recovered.
#include <filesystem>

#include "writer/save_report.h"

namespace tarvex::writer::test {

// Scans `source` and saves what it recovered at `output`; test failures when either step fails.
SaveReport Repair(const std::filesystem::path& source, const std::filesystem::path& output);

}  // namespace tarvex::writer::test
