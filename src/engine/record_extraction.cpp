#include "engine/record_extraction.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <set>
#include <system_error>
#include <thread>
#include <utility>

#include "engine/row_text_writer.h"
#include "engine/row_values.h"
#include "engine/step_progress.h"
#include "format/calculated_value.h"
#include "format/data_page.h"
#include "format/header_mask.h"
#include "format/row_pointer.h"
#include "format/value_types.h"
#include "model/table_data_file.h"

namespace tarvex::engine {
namespace {

using format::JetLayout;

// The last page of a file cut short is read as far as it goes, the rest as
// zeros, as a torn write would leave it: the rows wholly in its first part
// still come back.
bool ReadPage(CDBFileReader& file, uint64_t fileSize, const JetLayout& layout, uint64_t offset,
              std::vector<uint8_t>& page) {
  if (offset >= fileSize) return false;
  const size_t present =
      static_cast<size_t>(std::min<uint64_t>(layout.pageSize, fileSize - offset));
  page.assign(layout.pageSize, 0);
  return file.ReadWhole(offset, std::span(page).first(present));
}

class TableExtractor {
 public:
  TableExtractor(const ScanContext& context, CDBFileReader& file, uint64_t fileSize,
                 std::atomic<int>& oleNumbers)
      : layout_(context.layout),
        job_(context.job),
        file_(file),
        fileSize_(fileSize),
        codePage_(DatabaseCodePage(file)),
        longValues_(file, fileSize, context.layout, &oleNumbers),
        cutter_(context.layout, codePage_, longValues_) {}

  // Writes the table's rows into its data file; false when a stop was requested.
  bool Extract(model::CAccessTable& table) {
    std::vector<format::RowColumn> columns;
    for (const auto& column : table.columnList)
      columns.push_back(RowColumnOf(column.colInfo, layout_));
    frame_.emplace(layout_, RowShapeOf(table), std::move(columns));
    cutter_.Prepare(table);
    // Only text an index keys needs the codes of characters beyond Latin-1.
    textColumns_.clear();
    for (const auto& column : table.columnList) {
      const auto& info = column.colInfo;
      textColumns_.push_back(
          info.type == static_cast<uint8_t>(format::ColumnType::kText) &&
          std::any_of(table.indexList.begin(), table.indexList.end(), [&](const auto& index) {
            return std::any_of(
                index.columns.begin(), index.columns.begin() + index.columnCount,
                [&](const auto& key) { return key.columnNumber == info.columnNumber; });
          }));
    }
    // Only what the definition scan found survives a new extraction.
    const bool definitionLost = table.losses.definitionLost;
    definitionRows_ = table.tableDefInfo.rowCount;
    checkRows_ = true;
    if (!ExtractRows(table, definitionLost)) return false;
    // Where no row of the table holds together, it is the definition (damaged, or not the
    // rows' own) that does not fit them: their offset words place them, and each row's own
    // checks decide.
    if (rowsWhole_ > 0 || rowsBroken_ < 2) return true;
    checkRows_ = false;
    return ExtractRows(table, definitionLost);
  }

 private:
  bool ExtractRows(model::CAccessTable& table, bool definitionLost) {
    model::CAccessTableDataFile output;
    auto& losses = table.losses;
    losses = {};
    losses.definitionLost = definitionLost;
    for (const auto& column : table.columnList) losses.values.push_back({column.colInfo.name});
    if (!output.Create(table.tableDefOffset)) {
      losses.dataFileFailed = true;
      return true;
    }
    RowTextWriter writer(output, ColumnFormats(table));
    PrepareCalculatedDecimals(table);
    const bool finished = CutRows(table, writer);
    KeepCalculatedDecimalScales(table);
    writer.Finish();
    if (writer.failed()) losses.dataFileFailed = true;
    if (writer.textBeyondLatin1()) table.textBeyondLatin1 = true;
    if (!output.Close()) losses.dataFileFailed = true;
    return finished;
  }

  // Calculated decimals each carry their own scale. The column takes the largest that leaves
  // room for the largest whole part, so that the repaired database can hold every value.
  void PrepareCalculatedDecimals(const model::CAccessTable& table) {
    calculatedDecimals_.clear();
    size_t i = 0;
    for (const auto& column : table.columnList) {
      if (column.colInfo.IsCalculated() &&
          column.colInfo.type == format::TypeCode(format::ColumnType::kNumeric))
        calculatedDecimals_.push_back({i});
      ++i;
    }
  }

  void NoteCalculatedDecimals() {
    for (auto& column : calculatedDecimals_) {
      if (!cells_.nullMaskBit[column.position]) continue;
      const auto decimal = format::ReadCalculatedDecimal(cells_.bytes[column.position]);
      if (!decimal) continue;
      int digits = 0;
      for (auto magnitude = decimal->value.magnitude; magnitude; magnitude /= 10) ++digits;
      column.scale = std::max(column.scale, decimal->scale);
      column.wholeDigits = std::max(column.wholeDigits, digits - decimal->scale);
    }
  }

  void KeepCalculatedDecimalScales(model::CAccessTable& table) const {
    constexpr int kPrecision = format::kMaxDecimalPrecision;
    for (const auto& column : calculatedDecimals_) {
      const int scale = std::clamp<int>(kPrecision - column.wholeDigits, 0, column.scale);
      table.columnList.At(static_cast<int>(column.position))->colInfo.extra =
          format::DecimalExtra(kPrecision, static_cast<uint8_t>(scale));
    }
  }

  std::vector<ColumnFormat> ColumnFormats(const model::CAccessTable& table) const {
    std::vector<ColumnFormat> formats;
    for (const auto& column : table.columnList) {
      const auto& info = column.colInfo;
      formats.push_back({info.type, cutter_.ContextOf(info),
                         formats.size() < textColumns_.size() && textColumns_[formats.size()]});
    }
    return formats;
  }

  // Cuts the table's rows and hands them to `writer`; false when a stop was requested.
  bool CutRows(model::CAccessTable& table, RowTextWriter& writer) {
    uint32_t accepted = 0;
    rowsWhole_ = rowsBroken_ = 0;
    std::vector<uint8_t> page;
    for (uint64_t pageOffset : table.dataPageList) {
      // A page that cannot be read costs its own rows only.
      if (!ReadPage(file_, fileSize_, layout_, pageOffset, page)) {
        table.losses.unreadablePages.push_back(pageOffset);
        continue;
      }
      // The scan took a page with a damaged signature only where its owner,
      // its table's map and its offset table agree.
      format::RestoreDataPageSignature(page, layout_);
      const uint32_t before = accepted;
      const bool finished = ExtractPage(page, pageOffset, table, writer, accepted);
      // Counted a page at a time: tables are cut on two threads that share the count.
      job_.progress().Step(static_cast<int>(accepted - before));
      if (!finished) return false;
    }
    const uint32_t before = accepted;
    const bool finished = TakeRowsOfLostPointers(table, writer, accepted);
    job_.progress().Step(static_cast<int>(accepted - before));
    if (!finished) return false;
    table.tableDefInfo.rowCount = accepted;
    return true;
  }

  format::RowFrame* Frame() { return checkRows_ ? &*frame_ : nullptr; }

  bool ExtractPage(format::Bytes page, uint64_t pageOffset, model::CAccessTable& table,
                   RowTextWriter& output, uint32_t& accepted) {
    auto& losses = table.losses;
    format::RowSlotWalker rows(page, layout_, Frame());
    for (uint32_t n = 0; n < rows.count(); ++n) {
      if (!job_.Running()) return false;
      const format::RowSlot slot = rows.Next();
      const bool placed = slot.located && !slot.deleted && !slot.moved;
      // A row a torn write cut is lost whichever definition reads it, so it tells nothing of
      // whether the definition fits the rows.
      if (placed && format::CutByZeroedSector(page, slot)) {
        losses.Skip(model::RowLoss::kFailedChecks, pageOffset);
        continue;
      }
      if (placed) ++(slot.whole ? rowsWhole_ : rowsBroken_);
      if (slot.MovedHere() && slot.located && slot.whole) movedHere_.emplace(pageOffset, n);
      if (slot.deleted) continue;
      if (!slot.located) {
        losses.Skip(model::RowLoss::kUnlocated, pageOffset);
        continue;
      }
      // A row torn by damage would come back with its lost bytes as values.
      if (!slot.whole) {
        losses.Skip(model::RowLoss::kFailedChecks, pageOffset);
        continue;
      }
      if (!slot.moved && ZeroedInside(page, slot, table)) {
        losses.Skip(model::RowLoss::kFailedChecks, pageOffset);
        continue;
      }
      std::optional<std::vector<uint8_t>> target;
      format::Bytes row = slot.Of(page);
      if (slot.moved) {
        const auto where = format::DecodeMovedRow(row);
        if (where)
          target = ReadRow(file_, fileSize_, layout_, layout_.PageOffset(where->page), where->row,
                           Frame());
        if (target && checkRows_ && !frame_->HoldsTogether(*target)) {
          losses.Skip(model::RowLoss::kFailedChecks, pageOffset);
          continue;
        }
        if (!target) {
          pointersToNowhere_.push_back(pageOffset);
          continue;
        }
        reached_.emplace(layout_.PageOffset(where->page), where->row);
        row = *target;
      }
      TakeRow(row, pageOffset, table, output, accepted);
    }
    return true;
  }

  // A disk sector of zeros wholly inside a long row may be its own bytes only where they can all be
  // zero: in its fixed area (numbers, null columns), or in one value of a column that holds bytes
  // rather than text. Anywhere else a torn write took it.
  bool ZeroedInside(format::Bytes page, const format::RowSlot& slot,
                    const model::CAccessTable& table) {
    constexpr size_t kSector = format::kDiskSectorSize;
    const format::Bytes row = slot.Of(page);
    bool decoded = false;
    for (size_t sector = (slot.start + kSector - 1) / kSector * kSector;
         sector + kSector <= slot.end; sector += kSector) {
      if (!format::InZeroedSector(page, sector)) continue;
      if (!decoded && inside_.Decode(row, layout_, RowShapeOf(table)) != format::RowProblem::kNone)
        return false;  // the row's own checks refuse it
      decoded = true;
      const size_t from = sector - slot.start;
      if (from + kSector <= inside_.FixedAreaEnd()) continue;
      const bool inBytesValue =
          std::any_of(table.columnList.begin(), table.columnList.end(), [&](const auto& column) {
            const auto type = static_cast<format::ColumnType>(column.colInfo.type);
            if (!column.colInfo.IsVariable() || type == format::ColumnType::kText ||
                type == format::ColumnType::kMemo)
              return false;
            const auto value = inside_.VariableBytes(column.colInfo.variableIndex);
            if (!value) return false;
            const auto at = static_cast<size_t>(value->data() - row.data());
            return at <= from && from + kSector <= at + value->size();
          });
      if (!inBytesValue) return true;
    }
    return false;
  }

  // A moved row is read through the pointer left where it was first. Where
  // damage took pointers, and exactly as many places moved rows went to were
  // reached by none (else those may be deleted rows), they are those rows.
  // Where a lost page took its pointers with it, the places are taken while the
  // rows the definition counts leave room for them: a file whose rows moved more
  // than once may keep stale copies where they went first, reached by no pointer.
  bool TakeRowsOfLostPointers(model::CAccessTable& table, RowTextWriter& output,
                              uint32_t& accepted) {
    std::vector<RowPlace> unreached;
    for (const auto& place : movedHere_)
      if (!reached_.contains(place)) unreached.push_back(place);
    const uint64_t counted = uint64_t{accepted} + table.losses.SkippedRowCount();
    if (unreached.size() == pointersToNowhere_.size() ||
        (unreached.size() > pointersToNowhere_.size() &&
         counted + unreached.size() <= definitionRows_)) {
      for (const auto& [pageOffset, row] : unreached) {
        if (!job_.Running()) return false;
        const auto bytes = ReadRow(file_, fileSize_, layout_, pageOffset, row, Frame());
        if (bytes && (!checkRows_ || frame_->HoldsTogether(*bytes)))
          TakeRow(*bytes, pageOffset, table, output, accepted);
        else
          table.losses.Skip(model::RowLoss::kFailedChecks, pageOffset);
      }
    } else {
      for (uint64_t pageOffset : pointersToNowhere_)
        table.losses.Skip(model::RowLoss::kMovedNowhere, pageOffset);
    }
    movedHere_.clear();
    reached_.clear();
    pointersToNowhere_.clear();
    return true;
  }

  // Hands one row's values to be written, or counts it skipped.
  void TakeRow(format::Bytes row, uint64_t pageOffset, model::CAccessTable& table,
               RowTextWriter& output, uint32_t& accepted) {
    const format::RowDecoder* decoded = checkRows_ ? &frame_->decoder() : nullptr;
    if (!cutter_.CutCells(row, table, cells_, &table.losses.values, decoded)) {
      table.losses.Skip(model::RowLoss::kFailedChecks, pageOffset);
      return;
    }
    if (!calculatedDecimals_.empty()) NoteCalculatedDecimals();
    output.AddRow(cells_.bytes, cells_.nullMaskBit);
    ++accepted;
  }

  const JetLayout& layout_;
  model::Job& job_;
  CDBFileReader& file_;
  uint64_t fileSize_;
  uint16_t codePage_;
  CLongValueReader longValues_;
  RowValueCutter cutter_;
  RowCells cells_;                 // the row being cut, its storage reused
  format::RowDecoder inside_;      // a long row whose bytes hold a sector of zeros
  std::vector<bool> textColumns_;  // per column of the table being extracted: indexed text
  struct CalculatedDecimalColumn {
    size_t position = 0;
    uint8_t scale = 0;    // the largest of its values'
    int wholeDigits = 0;  // the most digits before the point of its values
  };
  std::vector<CalculatedDecimalColumn> calculatedDecimals_;  // of the table being extracted
  std::optional<format::RowFrame> frame_;                    // of the table being extracted
  bool checkRows_ = true;                                    // whether rows are held to the frame
  uint32_t definitionRows_ = 0;  // the rows the table's definition counts
  uint64_t rowsWhole_ = 0;       // rows placed by their offset word that held together
  uint64_t rowsBroken_ = 0;      // and those that did not
  using RowPlace = std::pair<uint64_t, uint32_t>;  // page offset, row number
  std::set<RowPlace> movedHere_;                   // places rows of the table were moved to
  std::set<RowPlace> reached_;               // of those, the ones reached through their pointer
  std::vector<uint64_t> pointersToNowhere_;  // pages of moved rows whose pointer leads nowhere
};

int ClampedRowTotal(const model::CAccessData& model) {
  uint64_t total = 0;
  for (const auto& table : model.tableList) total += table->tableDefInfo.rowCount;
  return static_cast<int>(std::min<uint64_t>(total, INT32_MAX));
}

}  // namespace

uint16_t DatabaseCodePage(CDBFileReader& file) {
  std::array<uint8_t, format::kHeaderCodePageOffset + 2> header{};
  if (!file.ReadWhole(0, header)) return format::kDefaultCodePage;
  // The code page the texts are read with, so that a repair writes them in it too.
  return format::ReadableCodePage(
      format::HeaderCodePage(header).value_or(format::kDefaultCodePage));
}

std::optional<std::vector<uint8_t>> ReadRow(CDBFileReader& file, uint64_t fileSize,
                                            const JetLayout& layout, uint64_t pageOffset,
                                            uint32_t rowIndex, format::RowFrame* frame) {
  std::vector<uint8_t> page;
  if (!ReadPage(file, fileSize, layout, pageOffset, page)) return std::nullopt;
  const auto slot = format::LocateRow(page, layout, rowIndex, frame);
  if (!slot || (frame && format::CutByZeroedSector(page, *slot))) return std::nullopt;
  const format::Bytes row = slot->Of(page);
  return std::vector<uint8_t>(row.begin(), row.end());
}

bool ExtractTables(const ScanContext& context, std::vector<model::CAccessTable*> tables) {
  CDBFileReader file;
  CErrorHandler error;
  if (!file.Open(context.dataFile, error)) return true;
  const uint64_t size = file.Size();
  if (size == 0) return false;
  // Each table's rows go to a data file of its own, so two tables can be cut at once, on a reader
  // each; the largest go first, so that neither worker is left with a big one at the end.
  std::stable_sort(tables.begin(), tables.end(), [](const auto* a, const auto* b) {
    return a->dataPageList.size() > b->dataPageList.size();
  });
  std::atomic<size_t> next{0};
  std::atomic<bool> stopped{false};
  std::atomic<int> oleNumbers{0};
  const auto extract = [&](CDBFileReader& reader) {
    TableExtractor extractor(context, reader, size, oleNumbers);
    for (size_t at = next++; at < tables.size() && !stopped; at = next++) {
      SetCaption(context.job, "(Step 3/4) Parsing table records from raw table data: table - " +
                                  std::to_string(at + 1) + " / " + std::to_string(tables.size()));
      if (!context.job.Running() || !extractor.Extract(*tables[at])) stopped = true;
    }
  };
  // A helper that cannot have a thread or a reader of its own leaves every table to this one.
  std::thread helper;
  try {
    helper = std::thread([&] {
      CDBFileReader own;
      CErrorHandler ownError;
      if (own.Open(context.dataFile, ownError)) extract(own);
    });
  } catch (const std::system_error&) {
  }
  extract(file);
  if (helper.joinable()) helper.join();
  return !stopped;
}

bool ExtractRecords(const ScanContext& context, model::CAccessData& model) {
  if (!context.job.Running()) return false;
  context.job.progress().SetMaximum(ClampedRowTotal(model));
  context.job.progress().SetPosition(0);
  std::vector<model::CAccessTable*> tables;
  for (const auto& table : model.tableList) tables.push_back(table.get());
  if (!ExtractTables(context, std::move(tables))) return false;
  FinishStep(context);
  return true;
}

}  // namespace tarvex::engine
