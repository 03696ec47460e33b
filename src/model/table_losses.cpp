#include "model/table_losses.h"

#include <numeric>

namespace tarvex::model {

std::string_view RowLossText(RowLoss reason) {
  switch (reason) {
    case RowLoss::kUnlocated:
      return "row offset damaged";
    case RowLoss::kMovedNowhere:
      return "moved row points nowhere";
    case RowLoss::kFailedChecks:
      break;
  }
  return "row fails its checks";
}

void TableLosses::Skip(RowLoss reason, uint64_t pageOffset) {
  if (skipped.empty() || skipped.back().reason != reason || skipped.back().pageOffset != pageOffset)
    skipped.push_back({reason, pageOffset, 0});
  ++skipped.back().rows;
}

uint64_t TableLosses::SkippedRowCount() const {
  return std::accumulate(skipped.begin(), skipped.end(), uint64_t{0},
                         [](uint64_t sum, const SkippedRows& s) { return sum + s.rows; });
}

uint64_t TableLosses::PartialValueCount() const {
  return std::accumulate(values.begin(), values.end(), uint64_t{0},
                         [](uint64_t sum, const ColumnLosses& c) { return sum + c.partial; });
}

uint64_t TableLosses::UnreadableValueCount() const {
  return std::accumulate(values.begin(), values.end(), uint64_t{0},
                         [](uint64_t sum, const ColumnLosses& c) { return sum + c.unreadable; });
}

namespace {

std::string Counted(uint64_t count, const char* what) {
  return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

}  // namespace

std::string LossNote(const TableLosses& losses) {
  std::vector<std::string> parts;
  if (const auto n = losses.SkippedRowCount()) parts.push_back(std::to_string(n) + " skipped");
  if (const auto n = losses.PartialValueCount()) parts.push_back(Counted(n, "partial value"));
  if (const auto n = losses.UnreadableValueCount()) parts.push_back(Counted(n, "unreadable value"));
  if (const auto n = losses.unreadablePages.size()) parts.push_back(Counted(n, "unreadable page"));
  if (losses.dataFileFailed) parts.push_back("rows not all kept: the working folder refused them");
  if (losses.definitionLost) parts.push_back("definition lost: columns read from the rows");
  if (parts.empty()) return {};
  std::string note = " (";
  for (size_t i = 0; i < parts.size(); ++i) note += (i ? ", " : "") + parts[i];
  return note + ")";
}

}  // namespace tarvex::model
