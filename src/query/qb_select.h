#pragma once
// Select queries:
//   SELECT [DISTINCT|DISTINCTROW] columns
//   FROM tables or joins
//   [WHERE …] [GROUP BY …] [HAVING …] [ORDER BY …]
#include "query/query_builder.h"
#include "query/select_parts.h"

namespace tarvex::query {

class CQBSelect : public CQB {
 public:
  void Build(const QueryRowList& rows, std::u16string& sqlOut) override;

 private:
  void ProcessRow(const CQueryAttributes& row);

  CSelectParts parts_;
  std::u16string columnList_;
};

}  // namespace tarvex::query
