#include <iostream>
#include <string>

#include "cli/commands.h"
#include "cli/repair_runner.h"
#include "format/unicode.h"
#include "model/table_preview.h"

namespace tarvex::cli {
namespace {

// A CSV field: quoted when it holds a separator, a quote or a line break.
std::string CsvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

// A tab-separated field: tabs and line breaks shown as escapes so that a row stays one line.
std::string PlainField(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\t')
      out += "\\t";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

void PrintLine(const std::vector<std::u16string>& cells, bool csv) {
  std::string line;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (i) line += csv ? "," : "\t";
    const std::string text = format::ToUtf8(cells[i]);
    line += csv ? CsvField(text) : PlainField(text);
  }
  std::cout << line << (csv ? "\r\n" : "\n");
}

const model::CAccessTable* FindTable(const model::CAccessData& model, const std::string& name) {
  for (const auto& table : model.tableList) {
    if (format::ToUtf8(table->name) == name) return table.get();
  }
  return nullptr;
}

}  // namespace

int RunPreview(const PreviewOptions& options, bool terminal) {
  session::RepairSession session(engine::ScanSettings::WithoutPause());
  if (!RunRepair(session, {options.dataFile, options.templateFile}, {terminal, false}))
    return kExitFailure;
  const model::CAccessTable* table = FindTable(*session.model(), options.table);
  if (!table) {
    std::cerr << "tarvex: no recovered table is named \"" << options.table
              << "\" (tarvex scan lists the tables)\n";
    return kExitFailure;
  }
  int64_t shown = 0;
  model::PreviewTable(
      *table, [&] { return options.limit >= 0 && shown >= options.limit; },
      {.header = [&](const std::vector<std::u16string>& names) { PrintLine(names, options.csv); },
       .row =
           [&](const model::TablePreviewRow& row) {
             PrintLine(row.cells, options.csv);
             ++shown;
           }});
  return kExitOk;
}

}  // namespace tarvex::cli
