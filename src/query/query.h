#pragma once
// CQuery: one saved query with its name and kind from the catalogue and the rows
// that describe it.
#include <string>

#include "query/query_attributes.h"

namespace tarvex::query {

class CQuery {
 public:
  virtual ~CQuery() = default;

  // Builds, stores and returns the SQL text; empty when the kind has no builder.
  std::u16string BuildSQL();
  const std::u16string& GetName() const { return name; }
  const std::u16string& GetTypeText() const { return typeText; }
  QueryRowList& GetRows() { return rows; }
  const QueryRowList& GetRows() const { return rows; }

  // The objectId of the first row: the key that identifies the query. Null
  // while the query has no rows.
  const std::u16string* ObjectId() const;

  CQuery* next = nullptr;
  std::u16string sql;
  std::u16string name;      // from the catalogue; empty when no entry matched
  std::u16string typeText;  // the catalogue's Flags as text; empty when no entry matched
  QueryRowList rows;
};

}  // namespace tarvex::query
