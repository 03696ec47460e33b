#include "support/oracle_readers.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "support/test_paths.h"

namespace tarvex::test {
namespace {

std::filesystem::path OraclesDir() { return SourceDir() / "tests" / "oracles"; }

std::string Quote(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

// Splits CSV as mdb-export writes it: comma-separated, '"' quoted, quotes doubled.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"')
        quoted = false;
      else
        field += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      row.push_back(field);
      field.clear();
    } else if (c == '\n') {
      row.push_back(field);
      field.clear();
      rows.push_back(row);
      row.clear();
    } else {
      field += c;
    }
  }
  if (!field.empty() || !row.empty()) {
    row.push_back(field);
    rows.push_back(row);
  }
  return rows;
}

}  // namespace

std::string RunCommand(const std::string& command, int& exitCode) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("cannot run " + command);
  std::string out;
  std::array<char, 65536> buffer{};
  size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
    out.append(buffer.data(), got);
  int status = ::pclose(pipe);
  exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

bool MdbReaderAvailable() {
  int code = 0;
  RunCommand("command -v node >/dev/null 2>&1", code);
  return code == 0 && std::filesystem::exists(OraclesDir() / "node_modules" / "mdb-reader");
}

nlohmann::json MdbReaderDump(const std::filesystem::path& file, bool systemTables) {
  int code = 0;
  std::string command = "node " + Quote((OraclesDir() / "dump_mdb.mjs").string()) + " " +
                        Quote(file.string()) + (systemTables ? " --system" : "") + " 2>&1";
  std::string out = RunCommand(command, code);
  if (code != 0) throw std::runtime_error("mdb-reader failed: " + out.substr(0, 2000));
  return nlohmann::json::parse(out);
}

nlohmann::json DumpTable(const nlohmann::json& dump, const std::string& name) {
  for (const auto& table : dump["tables"])
    if (table["name"] == name) return table;
  return nullptr;
}

std::vector<std::vector<std::string>> MdbExportRows(const std::filesystem::path& file,
                                                    const std::string& table) {
  int code = 0;
  std::string out = RunCommand("mdb-export -H -T '%Y-%m-%d %H:%M:%S' " + Quote(file.string()) +
                                   " " + Quote(table) + " 2>/dev/null",
                               code);
  if (code != 0) throw std::runtime_error("mdb-export failed on " + table);
  return ParseCsv(out);
}

std::vector<std::vector<std::string>> MdbExportRowsIfAny(const std::filesystem::path& file,
                                                         const std::string& table) {
  int code = 0;
  // Damage can send it into a loop that eats all memory: capped at 1 GiB and 10 seconds.
  std::string out =
      RunCommand("ulimit -v 1048576; timeout 10 mdb-export -H -b hex -T '%Y-%m-%d %H:%M:%S' " +
                     Quote(file.string()) + " " + Quote(table) + " 2>/dev/null",
                 code);
  if (code != 0) return {};
  return ParseCsv(out);
}

MdbExport MdbExportTable(const std::filesystem::path& file, const std::string& table) {
  MdbExport result;
  int code = 0;
  // The header does not quote names, which may hold commas: separators no name
  // can hold (Access refuses control characters in names), first row only.
  const std::string header =
      RunCommand("mdb-export -Q -d \"$(printf '\\037')\" -R \"$(printf '\\036')\" " +
                     Quote(file.string()) + " " + Quote(table) + " 2>/dev/null",
                 code);
  if (code != 0) throw std::runtime_error("mdb-export failed on " + table);
  std::istringstream names(header.substr(0, header.find('\036')));
  for (std::string name; std::getline(names, name, '\037');) result.columns.push_back(name);
  // The rows as CSV, where every text is quoted.
  const std::string rows =
      RunCommand("mdb-export -H -b hex -D '%Y-%m-%d' -T '%Y-%m-%dT%H:%M:%S' " +
                     Quote(file.string()) + " " + Quote(table) + " 2>/dev/null",
                 code);
  if (code != 0) throw std::runtime_error("mdb-export failed on " + table);
  result.rows = ParseCsv(rows);
  return result;
}

namespace {

// The lines a listing tool prints, one name each.
std::vector<std::string> ListedNames(const std::string& tool, const std::filesystem::path& file) {
  int code = 0;
  std::string out = RunCommand(tool + " -1 " + Quote(file.string()) + " 2>&1", code);
  if (code != 0) throw std::runtime_error(tool + " failed: " + out);
  std::vector<std::string> names;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);)
    if (!line.empty()) names.push_back(line);
  return names;
}

}  // namespace

std::vector<std::string> MdbTables(const std::filesystem::path& file) {
  return ListedNames("mdb-tables", file);
}

std::vector<std::string> MdbQueries(const std::filesystem::path& file) {
  return ListedNames("mdb-queries -L", file);
}

}  // namespace tarvex::test
