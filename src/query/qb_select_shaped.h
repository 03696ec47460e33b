#pragma once
// CQBSelectShaped: the builders whose text is a SELECT (select, append,
// crosstab). They read options, input tables, joins, WHERE, GROUP BY, HAVING and
// ORDER BY rows alike; each takes only the rows it reads its own way.
#include "query/query_builder.h"
#include "query/select_parts.h"

namespace tarvex::query {

class CQBSelectShaped : public CQB {
 protected:
  // Learns the input tables' aliases, then offers each row, in order, first to
  // TakeOwnRow and, when that declines it, to the shared clauses.
  void ReadRows(const QueryRowList& rows);

  // Takes a row this kind of query reads its own way; false leaves it to parts_.
  virtual bool TakeOwnRow(const CQueryAttributes& row) = 0;

  CSelectParts parts_;
};

}  // namespace tarvex::query
