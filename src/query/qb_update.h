#pragma once
// Update queries:
//   UPDATE tables or joins
//   SET t.a = 1, t.b = 2
//   [WHERE …] [HAVING …]
#include "query/query_builder.h"
#include "query/select_parts.h"

namespace tarvex::query {

class CQBUpdate : public CQB {
 public:
  void Build(const QueryRowList& rows, std::u16string& sqlOut) override;

 private:
  void TakeRow(const CQueryAttributes& row);
  void AddAssignment(const CQueryAttributes& row);

  CSelectParts parts_;
  std::u16string setList_;
};

}  // namespace tarvex::query
