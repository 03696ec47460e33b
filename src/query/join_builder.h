#pragma once
// Turns the join rows of one query into nested join expressions, one per group
// of connected tables:
//   ((T1) INNER JOIN (T2) ON (x)) LEFT JOIN (T3) ON (y)
#include <memory>
#include <string>
#include <vector>

#include "model/ctlist.h"
#include "query/query_attributes.h"

namespace tarvex::query {

// One group of joined tables and the join expression built for it so far.
class CQueryJoinStatement {
 public:
  virtual ~CQueryJoinStatement() = default;
  bool Contains(const std::u16string& name) const;
  void AddName(const std::u16string& name);  // no-op when already contained

  CQueryJoinStatement* next = nullptr;
  std::vector<std::u16string> tableNames;
  std::u16string text;
};

using JoinStatementList = model::CTList<CQueryJoinStatement>;

class CQueryJoinBuilder {
 public:
  // Takes a copy of a join row whose leftReference/rightReference the caller has
  // resolved. Rows past a bound far above what Jet allows in one query are
  // dropped, so that damaged rows cannot make the nesting grow without end.
  void AddJoinRow(std::unique_ptr<CQueryAttributes> copy);

  // Builds the groups once and returns them in the order they were completed;
  // later calls return the same groups. Empty when there are no join rows.
  const JoinStatementList& BuildJoinGroups();

  static constexpr int32_t kMaxJoinRows = 1024;

 private:
  void MergeRowsOfSamePair();
  void AddJoin(const CQueryAttributes& row);
  std::u16string Term(const std::u16string& reference, const std::u16string& name) const;
  void Register(std::unique_ptr<CQueryJoinStatement> statement, const CQueryAttributes& row);

  QueryRowList joinRows_;
  JoinStatementList statements_;
  bool built_ = false;
};

}  // namespace tarvex::query
