#include "model/table_list.h"

#include <algorithm>

namespace tarvex::model {

CAccessTable& CAccessTableList::Append(uint64_t tableDefOffset) {
  tables_.push_back(std::make_unique<CAccessTable>(tableDefOffset));
  byOffset_.try_emplace(tableDefOffset, tables_.back().get());
  return *tables_.back();
}

CAccessTable* CAccessTableList::Find(uint64_t tableDefOffset) {
  auto found = byOffset_.find(tableDefOffset);
  return found == byOffset_.end() ? nullptr : found->second;
}

void CAccessTableList::AppendDataPage(uint64_t tableDefOffset, uint64_t pageOffset) {
  if (CAccessTable* table = Find(tableDefOffset)) table->dataPageList.push_back(pageOffset);
}

void CAccessTableList::AppendPageOfLostDefinition(uint64_t tableDefOffset, uint64_t pageOffset) {
  CAccessTable* table = Find(tableDefOffset);
  if (!table) {
    table = &Append(tableDefOffset);
    table->losses.definitionLost = true;
  }
  if (table->losses.definitionLost) table->dataPageList.push_back(pageOffset);
}

void CAccessTableList::Purge() {
  std::erase_if(tables_, [](const auto& table) { return !table->keep; });
  Reindex();
}

CAccessTable* CAccessTableList::FindNamed(std::u16string_view name) const {
  for (const auto& table : tables_)
    if (table->name == name) return table.get();
  return nullptr;
}

void CAccessTableList::MoveToEnd(const std::u16string& name) {
  auto found = std::find_if(tables_.begin(), tables_.end(),
                            [&](const auto& table) { return table->name == name; });
  if (found != tables_.end()) std::rotate(found, found + 1, tables_.end());
}

void CAccessTableList::AttachComplexInfo(const CMSysComplexColumnsData& record) {
  for (auto& table : tables_) {
    if (table->IdText() == record.ownerTableId) table->columnList.AttachComplexInfo(record);
  }
}

CAccessTable* CAccessTableList::At(int position) const {
  if (position < 0 || position >= count()) return nullptr;
  return tables_[static_cast<size_t>(position)].get();
}

void CAccessTableList::Reindex() {
  byOffset_.clear();
  for (const auto& table : tables_) byOffset_.try_emplace(table->tableDefOffset, table.get());
}

}  // namespace tarvex::model
