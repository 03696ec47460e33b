#pragma once
// Delete queries:
//   DELETE FROM [table]
//   [WHERE …] [HAVING …]
#include "query/query_builder.h"
#include "query/select_parts.h"

namespace tarvex::query {

class CQBDelete : public CQB {
 public:
  void Build(const QueryRowList& rows, std::u16string& sqlOut) override;

 private:
  void TakeRow(const CQueryAttributes& row);

  CSelectParts parts_;  // only its WHERE and HAVING clauses are used
  std::u16string targetTable_;
};

}  // namespace tarvex::query
