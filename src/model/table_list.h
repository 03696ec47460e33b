#pragma once
// The recovered tables, in the order their definitions were found.
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/access_table.h"

namespace tarvex::model {

class CAccessTableList {
 public:
  // Appends a new, empty table defined at `tableDefOffset`.
  CAccessTable& Append(uint64_t tableDefOffset);
  // The first table defined at that offset, or null.
  CAccessTable* Find(uint64_t tableDefOffset);
  // The first table named exactly `name`, or null.
  CAccessTable* FindNamed(std::u16string_view name) const;
  // Gives the table defined at `tableDefOffset` one more data page; no such table: nothing.
  void AppendDataPage(uint64_t tableDefOffset, uint64_t pageOffset);
  // Gives a data page to the table whose definition at `tableDefOffset` was
  // lost, appending that table (its columns to be inferred) on its first page.
  void AppendPageOfLostDefinition(uint64_t tableDefOffset, uint64_t pageOffset);
  // Removes (and deletes) every table whose keep flag is clear, keeping the others' order.
  void Purge();
  // Moves the first table named exactly `name` to the end of the list; no such table: nothing.
  void MoveToEnd(const std::u16string& name);
  // Every table whose id text is the record's owner id gets it on its column of that name.
  void AttachComplexInfo(const CMSysComplexColumnsData& record);

  int count() const { return static_cast<int>(tables_.size()); }
  CAccessTable* At(int position) const;
  auto begin() const { return tables_.begin(); }
  auto end() const { return tables_.end(); }

 private:
  void Reindex();

  std::vector<std::unique_ptr<CAccessTable>> tables_;
  std::unordered_map<uint64_t, CAccessTable*> byOffset_;  // first table of each offset
};

}  // namespace tarvex::model
