#pragma once
// A large Jet 4 database for the scan benchmark, written by the project's own
// database engine: one table of plain rows (numbers, dates, short texts),
// grown until the file reaches the size asked for.
#include <cstdint>
#include <filesystem>

namespace tarvex::bench {

// Writes the database at `path` (which must not exist) until it holds at least
// `minimumBytes`; returns the number of rows written.
uint64_t WriteBenchDatabase(const std::filesystem::path& path, uint64_t minimumBytes);

}  // namespace tarvex::bench
