#pragma once
// Data-definition and pass-through queries: Access keeps their text whole in
// the query's type row, ended by a U+0000 that is no part of it.
#include "query/query_builder.h"

namespace tarvex::query {

class CQBStoredText : public CQB {
 public:
  void Build(const QueryRowList& rows, std::u16string& sqlOut) override;
};

// The connect string of a pass-through query's rows; empty when they hold none.
std::u16string PassThroughConnect(const QueryRowList& rows);

}  // namespace tarvex::query
