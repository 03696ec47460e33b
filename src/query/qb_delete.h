#pragma once
// Delete queries:
//   DELETE [columns]
//   FROM tables or joins
//   [WHERE …] [HAVING …]
// Without columns the statement starts DELETE FROM.
#include "query/query_builder.h"
#include "query/select_parts.h"

namespace tarvex::query {

class CQBDelete : public CQB {
 public:
  void Build(const QueryRowList& rows, std::u16string& sqlOut) override;

 private:
  void TakeRow(const CQueryAttributes& row);

  CSelectParts parts_;  // its tables, joins, WHERE and HAVING
  std::u16string columnList_;
};

}  // namespace tarvex::query
