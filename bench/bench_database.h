#pragma once
// A large Jet 4 database for the scan and repair benchmarks, written by the
// project's own database engine: one table of plain rows (numbers, dates,
// short texts) and one of ten mixed columns with a memo (short memos kept in
// the row, every tenth one long enough for a page of its own), grown
// together until the file reaches the size asked for.
#include <cstdint>
#include <filesystem>

namespace tarvex::bench {

// Writes the database at `path` (which must not exist) until it holds at least
// `minimumBytes`; returns the number of rows written to both tables.
uint64_t WriteBenchDatabase(const std::filesystem::path& path, uint64_t minimumBytes);

// True when `path` opens as a database holding both benchmark tables, so that
// a file left by an older generator is written anew.
bool HasBenchTables(const std::filesystem::path& path);

}  // namespace tarvex::bench
