#pragma once
// Union queries: the two stored parts joined by UNION or UNION ALL, then the
// ORDER BY of the whole union.
#include <cstdint>

#include "query/query_builder.h"
#include "query/select_parts.h"

namespace tarvex::query {

class CQBUnion : public CQB {
 public:
  // Leaves `sqlOut` untouched unless the options row asks for UNION (3) or
  // UNION ALL (1).
  void Build(const QueryRowList& rows, std::u16string& sqlOut) override;

 private:
  std::u16string firstPart_;
  std::u16string secondPart_;
  int32_t unionMode_ = 0;
  CSelectParts parts_;  // only its ORDER BY is used
};

}  // namespace tarvex::query
