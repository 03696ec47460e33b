#pragma once
// Append queries:
//   INSERT INTO target ( [col1], [col2] )
//   SELECT expr1, expr2
//   FROM … and the clauses of a select query
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
};

}  // namespace tarvex::query
