#pragma once
// The clauses that the SELECT-shaped builders (select, append, crosstab, update,
// delete) fill from their rows in the same way: options, input tables, joins,
// WHERE, GROUP BY, HAVING and ORDER BY.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "query/join_builder.h"
#include "query/query_attributes.h"

namespace tarvex::query {

class CSelectParts {
 public:
  // Learns the aliases of the query's input tables, which joins name tables by.
  void SetRows(const QueryRowList& rows);

  // Takes a row of a kind every SELECT-shaped query reads alike: options, input
  // table, join, WHERE, GROUP BY (items separated by ", "), HAVING, ORDER BY.
  // Returns false, taking nothing, for any other kind.
  bool TakeSelectRow(const CQueryAttributes& row);
  // Takes a WHERE or HAVING row, the only clauses update and delete queries
  // share with a select; returns false for any other kind.
  bool TakeFilterRow(const CQueryAttributes& row);

  // The options row: its flag bits and, for TOP, the row count in name1.
  void SetOptions(const CQueryAttributes& row);
  // An input table as the FROM list writes it: [table], or (subquery) for a
  // derived table, then " AS alias" if any.
  void AddInputTable(const CQueryAttributes& row);
  void AddJoin(const CQueryAttributes& row);
  void SetWhere(const CQueryAttributes& row);
  void AddGroupBy(const std::u16string& expression, const std::u16string& separator);
  void SetHaving(const CQueryAttributes& row);
  void AddOrderBy(const CQueryAttributes& row);

  // "SELECT", then DISTINCT or DISTINCTROW and TOP n [PERCENT] as the options row
  // asks.
  std::u16string SelectKeyword() const;
  // Every table the query reads, in input order: each join group's expression at
  // the place of its first input table, tables outside any join as they are, and
  // groups of tables that are no input at the end; separated by ", ".
  std::u16string TableList();
  // "FROM " + TableList(), or empty when the query reads no table.
  std::u16string FromClause();
  // WHERE, GROUP BY, HAVING and ORDER BY, each present one on a line of its own,
  // each led by a line feed.
  std::u16string TrailingClauses() const;

 private:
  struct InputTable {
    std::u16string key;  // the name joins use for it: the alias, else the table
    std::u16string item;
  };

  std::u16string ResolveOnFirstSight(const std::u16string& name);
  std::u16string ResolveTableReference(const std::u16string& name) const;

  std::map<std::u16string, std::u16string> tableOfAlias_;
  std::vector<InputTable> inputs_;
  std::set<std::u16string> seenTables_;
  CQueryJoinBuilder joinBuilder_;
  int32_t options_ = 0;
  std::u16string topValue_;
  std::u16string whereClause_;
  std::u16string groupByClause_;
  std::u16string havingClause_;
  std::u16string orderByList_;
};

}  // namespace tarvex::query
