#include "dao/query_def.h"

#include "dao/database_file.h"
#include "dao/query_sql_parser.h"
#include "dao/stored_query_rows.h"
#include "dao/table_def.h"
#include "format/unicode.h"

namespace tarvex::dao {

QueryDef::QueryDef(Database& database) : database_(database) {}

void QueryDef::Create(const std::u16string& name, const std::u16string& sql,
                      const std::u16string& connect,
                      std::optional<std::vector<SavedQueryRow>> storedRows) {
  if (created_) throw DaoException("The query definition has already been created.");
  CheckObjectName(name, "Query");
  if (database_.file().NameInUse(name))
    throw DaoException("The name '" + format::ToUtf8(name) + "' is already in use.");
  query_ = connect.empty() ? ParseQuerySql(sql) : PassThroughQuery(sql, connect);
  storedRowsMismatch_.clear();
  if (storedRows) {
    SortAsNumbered(*storedRows);
    storedRowsMismatch_ = dao::StoredRowsMismatch(query_, *storedRows);
    if (storedRowsMismatch_.empty()) query_.rows = std::move(*storedRows);
  }
  name_ = name;
  created_ = true;
}

void QueryDef::Append() {
  if (!created_) throw DaoException("The query definition has not been created.");
  if (appended_) throw DaoException("The query definition has already been appended.");
  database_.file().AddQuery(name_, query_);
  appended_ = true;
}

void QueryDef::Close() {
  created_ = false;
  appended_ = false;
  storedRowsMismatch_.clear();
  name_.clear();
  query_ = {};
}

}  // namespace tarvex::dao
