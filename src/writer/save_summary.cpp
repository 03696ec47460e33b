#include "writer/save_summary.h"

#include <sstream>

#include "format/unicode.h"

namespace tarvex::writer {

std::string SaveSummaryText(const SaveReport& report) {
  std::ostringstream out;
  for (const auto& table : report.tables) {
    out << format::ToUtf8(table.name) << ": " << table.rowsRecovered << " rows recovered"
        << model::LossNote(table.losses) << ", " << table.rowsWritten << " written";
    if (table.savedName.empty()) out << " (not created: " << table.problem << ")";
    if (table.rowsRefused.count)
      out << ", " << table.rowsRefused.count << " refused (" << table.rowsInRefusedTable
          << " kept in '" << format::ToUtf8(table.refusedTable) << "')";
    out << "\n";
  }
  size_t fields = 0, indexes = 0;
  for (const auto& table : report.tables) {
    fields += table.fieldsNotCreated.size();
    indexes += table.indexesNotCreated.size();
  }
  out << report.tables.size() << " tables, " << report.RowsRecovered() << " rows recovered, "
      << report.RowsWritten() << " rows written, " << report.ValuesRefused() << " values refused\n";
  if (fields || indexes || !report.relationshipsSkipped.empty() || !report.queriesSkipped.empty())
    out << "Not written: " << fields << " fields, " << indexes << " indexes, "
        << report.relationshipsSkipped.size() << " relationships, " << report.queriesSkipped.size()
        << " queries\n";
  for (const auto& query : report.queriesRebuilt)
    out << "Query '" << format::ToUtf8(query.name)
        << "' rebuilt from its SQL text: " << query.reason << "\n";
  for (const auto& [name, rows] : report.relationshipOrphanRows)
    out << "Relationship '" << format::ToUtf8(name) << "': " << rows
        << " rows refer to no row of the referenced table\n";
  out << "Repaired database: " << report.outputPath.string() << "\n";
  return out.str();
}

}  // namespace tarvex::writer
