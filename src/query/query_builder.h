#pragma once
// CQB: the builder that turns one saved query's rows into SQL text. One builder
// object serves one query; the rows are only read.
#include <string>

#include "query/query_attributes.h"

namespace tarvex::query {

class CQB {
 public:
  virtual ~CQB() = default;
  // Fills `sqlOut` with the query's text. May leave it untouched when the rows
  // do not make a query of this kind.
  virtual void Build(const QueryRowList& rows, std::u16string& sqlOut) = 0;
};

}  // namespace tarvex::query
