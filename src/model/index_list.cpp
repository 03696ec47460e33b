#include "model/index_list.h"

namespace tarvex::model {

void CAccessTableIndexList::Add(const CAccessTableIndex& index) {
  CAccessTableIndex copy = index;
  const std::string name = "Index_" + std::to_string(indexes_.size());
  copy.name.assign(name.begin(), name.end());
  indexes_.push_back(std::move(copy));
}

void CAccessTableIndexList::MarkPrimaryKey(int position, bool value) {
  if (position < 0 || position >= count()) return;
  auto& index = indexes_[static_cast<size_t>(position)];
  index.primaryKey = value;
  index.name = u"Primary Key";
}

const CAccessTableIndex* CAccessTableIndexList::At(int position) const {
  if (position < 0 || position >= count()) return nullptr;
  return &indexes_[static_cast<size_t>(position)];
}

}  // namespace tarvex::model
