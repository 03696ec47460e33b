#pragma once
// A new saved query: Create checks the name and reads the SQL into the rows
// Access keeps in MSysQueries, Append writes them with the query's catalogue
// entry. A refused query leaves the database as it was.
#include <string>

#include "dao/database.h"
#include "dao/saved_query_rows.h"

namespace tarvex::dao {

class QueryDef {
 public:
  explicit QueryDef(Database& database);

  // Throws DaoException for a name Access refuses or one a table or query
  // has, and for SQL it cannot take. A non-empty `connect` makes a
  // pass-through query, whose text goes to that server unread.
  void Create(const std::u16string& name, const std::u16string& sql,
              const std::u16string& connect = {});
  // Writes the query; throws when it was not created or was appended already.
  void Append();
  void Close();

 private:
  Database& database_;
  bool created_ = false;
  bool appended_ = false;
  std::u16string name_;
  SavedQuery query_;
};

}  // namespace tarvex::dao
