#include "writer/table_order.h"

#include <algorithm>

namespace tarvex::writer {

void CAccessRelationReferenceTableList::InsertBefore(const std::u16string& name,
                                                     const std::u16string& before) {
  names_.insert(std::find(names_.begin(), names_.end(), before), name);
}

bool CAccessRelationReferenceTableList::Contains(const std::u16string& name) const {
  return std::find(names_.begin(), names_.end(), name) != names_.end();
}

void CAccessRelationReferenceTableList::MoveTablesToEnd(model::CAccessTableList& tables) const {
  for (const auto& name : names_) tables.MoveToEnd(name);
}

CAccessRelationReferenceTableList BuildReferenceTables(const CAccessRelationTablesList& relations) {
  CAccessRelationReferenceTableList order;
  // Places the tables that `table` refers to in front of it, looking from
  // relationship `from` on, and each parent's own parents (from the first
  // relationship) before going on: a depth-first walk, kept on a stack of its
  // own because a file may chain any number of relationships. Every placement
  // adds a new name, so the walk ends.
  struct Frame {
    std::u16string child;
    size_t next;
  };
  std::vector<Frame> stack;
  auto placeParents = [&](const std::u16string& table, size_t from) {
    stack.push_back({table, from});
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (frame.next >= relations.size()) {
        stack.pop_back();
        continue;
      }
      const auto& relation = relations[frame.next++];
      if (relation.tableName != frame.child || order.Contains(relation.foreignTableName)) continue;
      order.InsertBefore(relation.foreignTableName, frame.child);
      stack.push_back({relation.foreignTableName, 0});
    }
  };
  for (size_t r = 0; r < relations.size(); ++r) {
    for (const auto* name : {&relations[r].foreignTableName, &relations[r].tableName}) {
      if (order.Contains(*name)) continue;
      order.Append(*name);
      placeParents(*name, r);
    }
  }
  return order;
}

}  // namespace tarvex::writer
