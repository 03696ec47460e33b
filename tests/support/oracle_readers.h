#pragma once
// The independent readers our files are checked against: mdb-reader (npm,
// through tests/oracles/dump_mdb.mjs) and the mdbtools command-line tools.
#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace tarvex::test {

// Runs a shell command and returns what it printed on standard output;
// `exitCode` gets its exit status.
std::string RunCommand(const std::string& command, int& exitCode);

// True when node and the mdb-reader package are installed.
bool MdbReaderAvailable();
// mdb-reader's view of the file: {"tables":[{"name","columns","rowCount","rows"}]}.
nlohmann::json MdbReaderDump(const std::filesystem::path& file, bool systemTables = false);
// The table named `name` in a dump (null json when absent).
nlohmann::json DumpTable(const nlohmann::json& dump, const std::string& name);

// mdb-export's rows of a table (header row excluded), fields unquoted.
std::vector<std::vector<std::string>> MdbExportRows(const std::filesystem::path& file,
                                                    const std::string& table);
// The same of a damaged file: no rows when mdb-export fails, or runs away with time or memory.
std::vector<std::vector<std::string>> MdbExportRowsIfAny(const std::filesystem::path& file,
                                                         const std::string& table);
// A table as mdb-export reads it: column names in order, and every row's
// values as text (binary in hex, dates as "yyyy-MM-ddTHH:mm:ss"; a null and
// an empty text alike). Names and values are taken whole, whatever characters they hold.
struct MdbExport {
  std::vector<std::string> columns;
  std::vector<std::vector<std::string>> rows;
};
MdbExport MdbExportTable(const std::filesystem::path& file, const std::string& table);
// mdb-tables' list of user tables.
std::vector<std::string> MdbTables(const std::filesystem::path& file);
// mdb-queries' list of saved queries.
std::vector<std::string> MdbQueries(const std::filesystem::path& file);

}  // namespace tarvex::test
