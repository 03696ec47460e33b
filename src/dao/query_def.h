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
  // `storedRows`, the rows the query had in the file it comes from, are
  // written instead of the rows read from the SQL when they say the same
  // (see StoredRowsMismatch): the query then keeps what SQL has no words for.
  void Create(const std::u16string& name, const std::u16string& sql,
              const std::u16string& connect = {},
              std::optional<std::vector<SavedQueryRow>> storedRows = std::nullopt);
  // Why Create did not keep the stored rows it was given; empty when it kept them.
  const std::string& StoredRowsMismatch() const { return storedRowsMismatch_; }
  // Writes the query; throws when it was not created or was appended already.
  void Append();
  void Close();

 private:
  Database& database_;
  bool created_ = false;
  bool appended_ = false;
  std::string storedRowsMismatch_;
  std::u16string name_;
  SavedQuery query_;
};

}  // namespace tarvex::dao
