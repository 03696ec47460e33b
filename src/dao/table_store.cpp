#include "dao/table_store.h"

#include <algorithm>
#include <string>

#include "dao/dao_exception.h"
#include "dao/field_type.h"
#include "dao/index_key.h"
#include "dao/index_removal.h"
#include "format/data_page.h"
#include "format/data_reader.h"
#include "format/jet_layout.h"
#include "format/page_type.h"
#include "format/row_pointer.h"

namespace tarvex::dao {
namespace {

using format::CDataReader;

std::span<uint8_t> SlotBytes(std::vector<uint8_t>& page, const format::JetLayout& layout,
                             format::RowPointer at) {
  const auto slot = format::LocateRow(page, layout, at.row);
  if (!slot || slot->deleted)
    throw DaoException("A usage map points at a missing row (page " + std::to_string(at.page) +
                       ").");
  return std::span<uint8_t>(page).subspan(slot->start, slot->end - slot->start);
}

}  // namespace

std::vector<uint8_t> ReadMapRow(const PageFile& file, format::RowPointer at) {
  auto page = file.Read(at.page);
  auto row = SlotBytes(page, file.layout(), at);
  return {row.begin(), row.end()};
}

void UpdateMapRow(PageFile& file, format::RowPointer at,
                  const std::function<void(std::span<uint8_t>)>& update) {
  auto page = file.Read(at.page);
  update(SlotBytes(page, file.layout(), at));
  file.Write(at.page, page);
}

std::unique_ptr<TableStore> TableStore::Load(PageFile& file, uint32_t definitionPage) {
  auto stream = format::ReadDefinitionStream(definitionPage, file.layout(),
                                             [&](uint32_t page, std::span<uint8_t> into) {
                                               file.Read(page, into);  // throws outside the file
                                               return true;
                                             });
  if (stream.fault == format::DefinitionFault::kNotADefinition && stream.pages.size() == 1)
    throw DaoException("Page " + std::to_string(definitionPage) + " is not a table definition.");
  if (stream.fault != format::DefinitionFault::kNone)
    throw DaoException("The table definition at page " + std::to_string(definitionPage) +
                       " is damaged.");
  auto definition = DecodeTableDefinition(stream.bytes, file.layout(), file.textFormat());
  return std::unique_ptr<TableStore>(
      new TableStore(file, std::move(stream.pages), std::move(definition)));
}

TableStore::TableStore(PageFile& file, uint32_t definitionPage, TableDefinition definition)
    : TableStore(file, std::vector<uint32_t>{definitionPage}, std::move(definition)) {
  dirty_ = true;
  mapsLoaded_ = true;
}

TableStore::TableStore(PageFile& file, std::vector<uint32_t> definitionPages,
                       TableDefinition definition)
    : file_(file),
      definitionPages_(std::move(definitionPages)),
      definition_(std::move(definition)) {}

void TableStore::LoadMapsOnce() {
  if (mapsLoaded_) return;
  mapsLoaded_ = true;
  owned_ = ReadUsageMap(ReadMapRow(file_, format::RowPointer::FromU32(definition_.ownedMap)), file_,
                        file_.pageCount());
  free_ = ReadUsageMap(ReadMapRow(file_, format::RowPointer::FromU32(definition_.freeMap)), file_,
                       file_.pageCount());
}

void TableStore::StartAppendPage() {
  LoadMapsOnce();
  if (!appendPage_ && !owned_.empty()) {
    // Go on filling the table's last page when it has room; a page we cannot
    // continue is left as it is and rows go to a new page.
    auto bytes = file_.Read(owned_.back());
    const auto header = format::DecodeDataPageHeader(bytes, layout());
    if (header && header->owner == definitionPage()) {
      appendPage_ = format::DataPageBuilder::Continue(std::move(bytes), layout());
      appendPageNumber_ = owned_.back();
      if (appendPage_) return;
    }
  }
  appendPage_.emplace(layout(), definitionPage());
  appendPageNumber_ = file_.Allocate();
  owned_.Add(appendPageNumber_);
}

format::RowPointer TableStore::AppendRow(std::span<const StoredValue> values) {
  const auto row = encoder_.Encode(values);
  if (row.size() > layout().rowMaxLength) throw DaoException("The record is too large.");
  if (!appendPage_) StartAppendPage();
  if (!appendPage_->CanAdd(row.size())) {
    file_.Write(appendPageNumber_, appendPage_->bytes());
    free_.Remove(appendPageNumber_);
    appendPage_.emplace(layout(), definitionPage());
    appendPageNumber_ = file_.Allocate();
    owned_.Add(appendPageNumber_);
  }
  format::RowPointer at{appendPageNumber_, appendPage_->Add(row)};
  definition_.rowCount++;
  dirty_ = true;
  return at;
}

LongValueStore& TableStore::LongValues(uint16_t columnNumber) {
  auto found = longValues_.find(columnNumber);
  if (found != longValues_.end()) return *found->second;
  auto maps = std::find_if(definition_.longValueMaps.begin(), definition_.longValueMaps.end(),
                           [&](const LongValueMaps& m) { return m.columnNumber == columnNumber; });
  if (maps == definition_.longValueMaps.end())
    throw DaoException("The table definition has no long-value maps for column " +
                       std::to_string(columnNumber) + ".");
  auto owned = ReadUsageMap(ReadMapRow(file_, format::RowPointer::FromU32(maps->owned)), file_,
                            file_.pageCount());
  auto free = ReadUsageMap(ReadMapRow(file_, format::RowPointer::FromU32(maps->free)), file_,
                           file_.pageCount());
  auto store = std::make_unique<LongValueStore>(file_, std::move(owned), std::move(free));
  return *longValues_.emplace(columnNumber, std::move(store)).first->second;
}

std::vector<uint8_t> TableStore::StoreLongValue(size_t columnIndex, std::span<const uint8_t> data,
                                                bool inlineAllowed) {
  dirty_ = true;
  if (columnIndex >= definition_.columns.size()) throw DaoException("No such field.");
  return LongValues(definition_.columns[columnIndex].number).Store(data, inlineAllowed);
}

void TableStore::ForEachRow(const std::function<void(format::RowPointer, const RowView&)>& visit) {
  VisitRows([&](format::RowPointer at, const RowView& row, std::vector<uint8_t>&, uint32_t) {
    visit(at, row);
  });
}

void TableStore::VisitRows(const std::function<void(format::RowPointer, const RowView&,
                                                    std::vector<uint8_t>&, uint32_t)>& visit) {
  LoadMapsOnce();
  if (appendPage_) file_.Write(appendPageNumber_, appendPage_->bytes());
  std::vector<uint8_t> moved;
  const auto columns = RowColumns(definition_);
  const format::RowShape shape{definition_.maxColumns, definition_.VariableColumnCount() > 0};
  format::RowDecoder decoded;
  for (uint32_t number : owned_.pages()) {
    auto page = file_.Read(number);
    const auto header = format::DecodeDataPageHeader(page, layout());
    if (!header || header->owner != definitionPage()) continue;
    format::RowSlotWalker rows(page, layout());
    for (uint32_t r = 0; r < rows.count(); ++r) {
      const format::RowSlot slot = rows.Next();
      if (slot.deleted || !slot.located) continue;
      auto row = slot.Of(page);
      std::vector<uint8_t>* buffer = &page;
      uint32_t bufferPage = number;
      if (slot.moved) {
        const auto where = format::DecodeMovedRow(row);
        auto target = MovedRow(row, moved);
        if (!target) continue;
        row = *target;
        buffer = &moved;
        bufferPage = where->page;
      }
      decoded.Decode(row, layout(), shape);  // a row it cannot read has no values
      visit({number, static_cast<uint8_t>(r)}, RowView(columns, decoded), *buffer, bufferPage);
    }
  }
}

void TableStore::RewriteFixedValues(
    size_t columnIndex,
    const std::function<std::optional<std::vector<uint8_t>>(const RowView&)>& rewrite) {
  if (columnIndex >= definition_.columns.size() || !definition_.columns[columnIndex].IsFixed())
    throw DaoException("Only a fixed-length field can be rewritten in place.");
  VisitRows([&](format::RowPointer, const RowView& row, std::vector<uint8_t>& buffer,
                uint32_t bufferPage) {
    const auto old = row.Value(columnIndex);
    if (!old) return;
    const auto bytes = rewrite(row);
    if (!bytes || bytes->size() != old->size()) return;
    std::copy(bytes->begin(), bytes->end(),
              buffer.begin() + static_cast<std::ptrdiff_t>(old->data() - buffer.data()));
    file_.Write(bufferPage, buffer);
    dirty_ = true;
  });
  // The page being filled was changed under it: go on from what is stored.
  if (appendPage_)
    appendPage_ = format::DataPageBuilder::Continue(file_.Read(appendPageNumber_), layout());
}

std::optional<std::span<const uint8_t>> TableStore::MovedRow(std::span<const uint8_t> pointer,
                                                             std::vector<uint8_t>& page) const {
  const auto where = format::DecodeMovedRow(pointer);
  if (!where || where->page >= file_.pageCount()) return std::nullopt;
  page = file_.Read(where->page);
  // The place a moved row went to carries the deleted flag, so scans skip it.
  const auto slot = format::LocateRow(page, layout(), where->row);
  if (!slot) return std::nullopt;
  return slot->Of(page);
}

bool TableStore::IndexesRebuildable() const {
  for (const auto& real : definition_.realIndexes)
    for (const auto& key : real.keys) {
      const ColumnDefinition* column = definition_.ColumnByNumber(key.columnNumber);
      if (!column || !IsIndexableType(column->type)) return false;
    }
  return true;
}

IndexEntries TableStore::CollectIndexEntries(const RealIndexDefinition& real, bool* exact) {
  const auto keyColumns = KeyColumnsOf(definition_, real);
  IndexEntries entries;
  std::vector<uint8_t> key;
  ForEachRow([&](format::RowPointer at, const RowView& row) {
    key.clear();
    const KeyNulls nulls = AppendRowKey(key, keyColumns, KeyText{file_.textFormat(), textKeys_},
                                        [&](const KeyColumn& c) { return KeyValue(row, c); });
    if (!(nulls.all && (real.flags & format::kIndexIgnoreNulls))) entries.Add(key, at.page, at.row);
    if (exact && !nulls.exact) *exact = false;
  });
  return entries;
}

std::vector<std::string> TableStore::CheckKeys(std::span<const StoredValue> values) {
  if (!checks_) {
    checks_.emplace(definition_, layout(), KeyText{file_.textFormat(), textKeys_});
    if (definition_.rowCount > 0)
      ForEachRow([&](format::RowPointer, const RowView& row) { checks_->Remember(row); });
  }
  return checks_->Check(values);
}

std::vector<uint32_t> TableStore::RebuildIndexes(std::vector<uint32_t>& freedPages) {
  checks_.reset();  // no record is added any more; its keys make room for the trees
  std::vector<uint32_t> unbuilt;
  // One pass over the rows per index: only one index's entries are held at a
  // time (a single pass for all of them is no faster and holds them all).
  for (size_t r = 0; r < definition_.realIndexes.size(); ++r) {
    auto& real = definition_.realIndexes[r];
    bool exact = true;
    IndexEntries entries = CollectIndexEntries(real, &exact);
    // An index Access would find out of order is better left out than
    // written; the catalogue cannot do without its indexes.
    if (!exact && definition_.tableType != format::kSystemTableType) {
      unbuilt.push_back(static_cast<uint32_t>(r));
      continue;
    }
    const PageSet reusable = TreePages(real);
    auto built = BuildIndex(std::move(entries), definitionPage(), reusable, file_, freedPages);
    real.rootPage = built.rootPage;
    real.uniqueCount = static_cast<uint32_t>(built.distinctKeys);
    UpdateMapRow(file_, format::RowPointer::FromU32(real.usageMap),
                 [&](std::span<uint8_t> row) { WriteUsageMap(row, built.pages, file_); });
  }
  return unbuilt;
}

PageSet TableStore::TreePages(const RealIndexDefinition& real) const {
  const PageSet mapped = ReadUsageMap(ReadMapRow(file_, format::RowPointer::FromU32(real.usageMap)),
                                      file_, file_.pageCount());
  PageSet tree;
  for (uint32_t page : mapped.pages()) {
    auto bytes = file_.Read(page);
    if ((format::IsPageOfType(bytes, format::PageType::kIndexLeaf) ||
         format::IsPageOfType(bytes, format::PageType::kIndexNode)) &&
        CDataReader::U32(bytes, layout().dataPageOwnerOffset) == definitionPage())
      tree.Add(page);
  }
  return tree;
}

void TableStore::FreeTree(const RealIndexDefinition& real, std::vector<uint32_t>& freedPages) {
  const std::vector<uint8_t> zero(layout().pageSize, 0);
  const PageSet tree = TreePages(real);
  for (uint32_t page : tree.pages()) {
    file_.Write(page, zero);
    freedPages.push_back(page);
  }
}

std::vector<LogicalIndexDefinition> TableStore::RemoveIndexes(const std::set<uint32_t>& numbers,
                                                              std::vector<uint32_t>& freedPages) {
  auto removed = RemoveLogicalIndexes(mutableDefinition(), numbers);
  for (const auto& real : removed.real) FreeTree(real, freedPages);
  return std::move(removed.logical);
}

void TableStore::FollowRemoval(uint32_t page, const std::set<uint32_t>& removed) {
  if (dao::FollowRemoval(definition_, page, removed)) dirty_ = true;
}

void TableStore::WriteMaps() {
  LoadMapsOnce();
  PageSet free = free_;
  if (appendPage_) free.Set(appendPageNumber_, appendPage_->WorthFilling());
  UpdateMapRow(file_, format::RowPointer::FromU32(definition_.ownedMap),
               [&](std::span<uint8_t> row) { WriteUsageMap(row, owned_, file_); });
  UpdateMapRow(file_, format::RowPointer::FromU32(definition_.freeMap),
               [&](std::span<uint8_t> row) { WriteUsageMap(row, free, file_); });
  for (auto& entry : longValues_) {
    // Named, not bound: lambdas may not capture structured bindings before clang 16.
    const auto number = entry.first;
    auto& store = entry.second;
    auto maps = std::find_if(definition_.longValueMaps.begin(), definition_.longValueMaps.end(),
                             [&](const LongValueMaps& m) { return m.columnNumber == number; });
    UpdateMapRow(file_, format::RowPointer::FromU32(maps->owned),
                 [&](std::span<uint8_t> row) { WriteUsageMap(row, store->ownedPages(), file_); });
    UpdateMapRow(file_, format::RowPointer::FromU32(maps->free),
                 [&](std::span<uint8_t> row) { WriteUsageMap(row, store->FreePages(), file_); });
  }
}

void TableStore::WriteDefinition() {
  const auto stream = EncodeTableDefinition(definition_, layout(), file_.textFormat());
  const size_t needed = format::DefinitionPageCount(stream.size(), layout());
  if (needed > format::kMaxDefinitionPages)
    throw DaoException("The table definition is too large.");
  while (definitionPages_.size() < needed) definitionPages_.push_back(file_.Allocate());
  std::vector<uint8_t> page(layout().pageSize);
  for (size_t i = 0; i < definitionPages_.size(); ++i) {
    const uint32_t next = i + 1 < definitionPages_.size() ? definitionPages_[i + 1] : 0;
    format::EncodeDefinitionPage(stream, i, next, page, layout());
    file_.Write(definitionPages_[i], page);
  }
}

std::vector<uint32_t> TableStore::BuildIndexes(std::vector<uint32_t>& freedPages) {
  if (!dirty_) return {};
  if (appendPage_) file_.Write(appendPageNumber_, appendPage_->bytes());
  for (auto& [number, store] : longValues_) store->Flush();
  return RebuildIndexes(freedPages);
}

void TableStore::WriteBack() {
  if (!dirty_) return;
  WriteMaps();
  WriteDefinition();
  dirty_ = false;
}

}  // namespace tarvex::dao
