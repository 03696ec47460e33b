#pragma once
// The FROM list of a query as rows: an input-table row per table or derived
// table, in the order written, and join rows for every join, inner joins
// before the joins around them, as Access stores them.
#include <string>
#include <vector>

#include "dao/query_sql_tokens.h"
#include "dao/saved_query_rows.h"

namespace tarvex::dao {

class FromReader {
 public:
  explicit FromReader(const SqlText& text) : text_(text) {}

  // Reads a comma-separated list of tables and joins; throws DaoException
  // for one it cannot read.
  void Read(SqlRange from);

  std::vector<SavedQueryRow> inputs;
  std::vector<SavedQueryRow> joins;

 private:
  // Each returns the names (alias, else table) the joins know the tables read by.
  std::vector<std::u16string> ReadJoins(SqlRange range);
  std::vector<std::u16string> ReadTable(SqlRange range);
  std::u16string ReadAlias(SqlRange range, const char* what) const;
  void AddJoin(const std::vector<std::u16string>& left, const std::vector<std::u16string>& right,
               SqlRange condition, format::QueryJoin kind);
  std::vector<SqlRange> JoinConditions(SqlRange condition) const;
  std::u16string TableNamedIn(SqlRange condition, const std::vector<std::u16string>& names) const;

  const SqlText& text_;
};

}  // namespace tarvex::dao
