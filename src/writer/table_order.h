#pragma once
// The order in which tables get their rows: tables tied by relationships come
// last, each referenced table before the tables that refer to it, so that a
// row never arrives before the row it refers to.
#include <deque>
#include <string>
#include <vector>

#include "model/table_list.h"

namespace tarvex::writer {

// A created relationship, as the table order needs it.
struct CAccessRelationTables {
  long attributes = 0;
  std::u16string tableName;         // the referencing table
  std::u16string foreignTableName;  // the referenced table
};

// Newest first: each created relationship is inserted at the front.
using CAccessRelationTablesList = std::deque<CAccessRelationTables>;

// Table names in the order their rows are filled.
class CAccessRelationReferenceTableList {
 public:
  void Append(const std::u16string& name) { names_.push_back(name); }
  // Inserts `name` in front of the first entry `before`; appends it when there is none.
  void InsertBefore(const std::u16string& name, const std::u16string& before);
  bool Contains(const std::u16string& name) const;
  // Moves the first table of each listed name to the end of `tables`, in list order.
  void MoveTablesToEnd(model::CAccessTableList& tables) const;
  const std::vector<std::u16string>& names() const { return names_; }

 private:
  std::vector<std::u16string> names_;
};

// Every table of the relationships, each after the tables it refers to
// (directly or through others), in the order of the newest relationship first.
CAccessRelationReferenceTableList BuildReferenceTables(const CAccessRelationTablesList& relations);

}  // namespace tarvex::writer
