#pragma once
// The clauses of a statement and the rows the clauses of every SELECT-shaped
// query give alike: options and columns of the SELECT list, WHERE, GROUP BY,
// HAVING and ORDER BY.
#include <initializer_list>
#include <optional>
#include <string_view>
#include <vector>

#include "dao/query_sql_tokens.h"
#include "dao/saved_query_rows.h"

namespace tarvex::dao {

// A statement cut at its clause keywords. `keywords` lists the clauses the
// statement may have, in the order they must come; the first must open it.
// Throws DaoException for a clause out of order, twice, or of another kind of
// statement.
class SqlClauses {
 public:
  SqlClauses(const SqlText& text, SqlRange statement,
             std::initializer_list<std::string_view> keywords);
  // The tokens after the keyword up to the next clause; nothing when absent.
  std::optional<SqlRange> Get(std::string_view keyword) const;

 private:
  std::vector<std::string_view> keywords_;
  std::vector<std::optional<SqlRange>> ranges_;
};

// What SELECT is followed by: DISTINCT, DISTINCTROW or ALL, TOP n [PERCENT],
// then the columns, each an expression with its alias (or "*" alone).
struct SelectList {
  int32_t options = 0;
  std::u16string top;
  struct Column {
    std::u16string expression;
    std::u16string alias;
    SqlRange item;  // as written
  };
  std::vector<Column> columns;
};
SelectList ReadSelectList(const SqlText& text, SqlRange list);

// "expression [AS alias]"; the alias without its brackets.
SelectList::Column ReadColumn(const SqlText& text, SqlRange item);

// The options row; `always` writes it when no option is set as well.
void AddOptionsRow(const SelectList& list, bool always, std::vector<SavedQueryRow>& rows);
// WHERE, GROUP BY (with `groupFlag`), HAVING and ORDER BY rows of the clauses present.
void AddTrailingRows(const SqlText& text, const SqlClauses& clauses, int32_t groupFlag,
                     std::vector<SavedQueryRow>& rows);
// One row per ORDER BY item; name1 "D" for DESC.
void AddOrderRows(const SqlText& text, SqlRange list, std::vector<SavedQueryRow>& rows);
// A clause that needs text has none.
SqlRange NonEmpty(std::optional<SqlRange> clause, const char* what);

}  // namespace tarvex::dao
