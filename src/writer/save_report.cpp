#include "writer/save_report.h"

namespace tarvex::writer {

uint64_t SaveReport::RowsRecovered() const {
  uint64_t total = 0;
  for (const auto& table : tables) total += table.rowsRecovered;
  return total;
}

uint64_t SaveReport::RowsWritten() const {
  uint64_t total = 0;
  for (const auto& table : tables) total += table.rowsWritten;
  return total;
}

uint64_t SaveReport::ValuesRefused() const {
  uint64_t total = 0;
  for (const auto& table : tables)
    for (const auto& [column, refused] : table.refusedValues) total += refused.count;
  return total;
}

}  // namespace tarvex::writer
