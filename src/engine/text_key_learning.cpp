#include "engine/text_key_learning.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "engine/row_values.h"
#include "engine/step_progress.h"
#include "engine/table_definition.h"
#include "format/data_page.h"
#include "format/database_header.h"
#include "format/index_page.h"
#include "format/table_definition.h"
#include "format/value_text.h"
#include "format/value_types.h"

namespace tarvex::engine {
namespace {

using format::Bytes;

struct KeyPart {
  const model::CAccessColInfo* column = nullptr;
  bool ascending = true;
  bool learns = false;  // a text column in the sort order the repaired file is written in
};

class IndexLearner {
 public:
  IndexLearner(const model::Job& job, CDBFileReader& file, uint64_t fileSize,
               const format::JetLayout& layout, const model::CAccessTable& table,
               format::TextKeyCodes& codes)
      : job_(job),
        file_(file),
        layout_(layout),
        table_(table),
        codes_(codes),
        pageCount_(fileSize / layout.pageSize),
        definitionPage_(static_cast<uint32_t>(table.tableDefOffset / layout.pageSize)),
        shape_(RowShapeOf(table)),
        page_(layout.pageSize),
        dataPage_(layout.pageSize) {}

  void Learn(const format::RealIndexDefinition& index) {
    std::vector<KeyPart> parts;
    for (const auto& key : index.keys) {
      const auto column =
          std::find_if(table_.columnList.begin(), table_.columnList.end(),
                       [&](const auto& c) { return c.colInfo.columnNumber == key.columnNumber; });
      if (column == table_.columnList.end()) return;
      const auto& info = column->colInfo;
      parts.push_back({&info, key.ascending,
                       info.type == static_cast<uint8_t>(format::ColumnType::kText) &&
                           info.extra == format::kGeneralSortOrder});
    }
    if (std::none_of(parts.begin(), parts.end(), [](const KeyPart& p) { return p.learns; })) return;
    // Every page is queued at most once, so a damaged tree costs no more than the file's pages.
    std::vector<uint32_t> pending;
    std::unordered_set<uint32_t> seen;
    const auto queue = [&](uint32_t number) {
      if (number != 0 && number < pageCount_ && seen.insert(number).second)
        pending.push_back(number);
    };
    queue(index.rootPage);
    while (!pending.empty() && job_.Running()) {
      const uint32_t number = pending.back();
      pending.pop_back();
      if (!file_.ReadWhole(layout_.PageOffset(number), page_)) continue;
      const auto page = format::DecodeIndexPage(page_, layout_);
      if (!page || page->owner != definitionPage_) continue;
      for (const auto& entry : page->entries) {
        if (!page->leaf) {
          if (entry.size() >= format::kIndexChildPointerSize) queue(format::IndexChildPage(entry));
        } else if (entry.size() > format::kIndexRowPointerSize) {
          batch_.push_back({format::IndexEntryRow(entry).page,
                            static_cast<uint32_t>(batchBytes_.size()),
                            static_cast<uint32_t>(entry.size())});
          batchBytes_.insert(batchBytes_.end(), entry.begin(), entry.end());
          if (batch_.size() == kBatchEntries) LearnBatch(parts);
        }
      }
      if (!page->leaf) queue(page->tail);
    }
    LearnBatch(parts);
  }

 private:
  // Index order visits the data pages back and forth: a batch of entries is
  // taken in the order of their rows, so that each data page is read once.
  void LearnBatch(const std::vector<KeyPart>& parts) {
    std::sort(batch_.begin(), batch_.end(), [](const BatchEntry& a, const BatchEntry& b) {
      return a.page != b.page ? a.page < b.page : a.offset < b.offset;
    });
    for (const BatchEntry& entry : batch_)
      LearnEntry(parts, Bytes(batchBytes_).subspan(entry.offset, entry.length));
    batch_.clear();
    batchBytes_.clear();
  }

  void LearnEntry(const std::vector<KeyPart>& parts, Bytes entry) {
    const format::RowPointer at = format::IndexEntryRow(entry);
    const auto row = Row(at.page, at.row);
    if (!row || rows_.Decode(*row, layout_, shape_) != format::RowProblem::kNone) return;
    Bytes key = entry.first(entry.size() - format::kIndexRowPointerSize);
    for (const KeyPart& part : parts) {
      const auto length =
          format::KeyColumnLength(key, part.column->type, part.ascending, layout_.version);
      if (!length) return;
      if (part.learns && *length > 1) {
        const auto value = rows_.Value(RowColumnOf(*part.column, layout_));
        if (value)
          codes_.Learn(format::DecodeJet4Text(*value), key.subspan(1, *length - 1), part.ascending);
      }
      key = key.subspan(*length);
    }
  }

  // The row at `row` of data page `number` when the page belongs to the table.
  std::optional<Bytes> Row(uint32_t number, uint8_t row) {
    if (number != dataPageNumber_) {
      dataPageNumber_ = number;
      dataPageRows_.clear();
      if (number != 0 && number < pageCount_ &&
          file_.ReadWhole(layout_.PageOffset(number), dataPage_) &&
          format::IsDataPage(dataPage_, layout_) &&
          format::CDataReader::U32(dataPage_, layout_.dataPageOwnerOffset) == definitionPage_)
        dataPageRows_ = format::RowSlots(dataPage_, layout_);
    }
    if (row >= dataPageRows_.size()) return std::nullopt;
    const format::RowSlot& slot = dataPageRows_[row];
    if (!slot.located || !slot.whole || slot.moved) return std::nullopt;
    return slot.Of(dataPage_);
  }

  static constexpr size_t kBatchEntries = 16384;

  const model::Job& job_;
  CDBFileReader& file_;
  const format::JetLayout& layout_;
  const model::CAccessTable& table_;
  format::TextKeyCodes& codes_;
  const uint64_t pageCount_;
  const uint32_t definitionPage_;
  const format::RowShape shape_;
  std::vector<uint8_t> page_;
  // Leaf entries not learned from yet: the data page of each, and its bytes in batchBytes_.
  struct BatchEntry {
    uint32_t page, offset, length;
  };
  std::vector<BatchEntry> batch_;
  std::vector<uint8_t> batchBytes_;
  std::vector<uint8_t> dataPage_;
  uint32_t dataPageNumber_ = 0;
  std::vector<format::RowSlot> dataPageRows_;  // none when the page is not the table's
  format::RowDecoder rows_;
};

}  // namespace

void LearnTextKeys(const ScanContext& context, model::CAccessData& model) {
  const auto& layout = context.layout;
  CDBFileReader file;
  CErrorHandler error;
  if (layout.version != format::JetVersion::kJet4 || !file.Open(context.definitionFile, error))
    return;
  const uint64_t size = file.Size();
  for (const auto& table : model.tableList) {
    if (!table->textBeyondLatin1 || !context.job.Running()) continue;
    // The stored definition names the index trees, the catalogue's included.
    const auto definition = ReadDefinitionChain(file, size, layout, table->tableDefOffset);
    IndexLearner learner(context.job, file, size, layout, *table, model.textKeyCodes);
    for (const auto& index :
         format::DecodeTableDefinition(definition, layout).definition.realIndexes)
      learner.Learn(index);
  }
  model.textKeyCodes.LearnWaiting();
}

}  // namespace tarvex::engine
