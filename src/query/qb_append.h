#pragma once
// Append queries:
//   INSERT INTO target ( [col1], [col2] )
//   SELECT expr1, expr2
//   FROM … and the clauses of a select query
// or, for values without a table:
//   INSERT INTO target ( [col1], [col2] )
//   VALUES (value1, value2)
#include "query/qb_select_shaped.h"

namespace tarvex::query {

class CQBAppend : public CQBSelectShaped {
 public:
  void Build(const QueryRowList& rows, std::u16string& sqlOut) override;

 private:
  bool TakeOwnRow(const CQueryAttributes& row) override;

  std::u16string columnList_;
  std::u16string targetTable_;
  std::u16string targetColumns_;
  int32_t columnItems_ = 0;
  int32_t valuesItems_ = 0;  // column rows flagged as VALUES items
  bool readsTable_ = false;
};

}  // namespace tarvex::query
