#pragma once
// The keys of a table's rows, and the checks Access makes on them when a
// record is added: a unique index takes no key twice (rows whose key columns
// are all null excepted), a required index no null, and no key may outgrow an
// index page.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "dao/field_type.h"
#include "dao/index_key.h"
#include "dao/row_codec.h"
#include "dao/table_definition.h"
#include "format/jet_layout.h"

namespace tarvex::dao {

struct KeyColumn {
  size_t index = 0;  // in definition.columns
  uint8_t type = 0;
  bool ascending = true;
};

// The key columns of `real`; throws DaoException when it names a missing column.
std::vector<KeyColumn> KeyColumnsOf(const TableDefinition& definition,
                                    const RealIndexDefinition& real);

struct KeyNulls {
  bool any = false;   // a key column is null (a Yes/No column never is)
  bool all = true;    // every key column is null
  bool exact = true;  // the key is the one Access makes (see AppendKeyColumn)
};

// Appends the key of one row to `key`; valueOf(column) gives the column's
// stored bytes, nothing for null (a Yes/No column: any bytes for True).
// `text` tells how text is keyed (see AppendKeyColumn).
template <typename ValueOf>
KeyNulls AppendRowKey(std::vector<uint8_t>& key, std::span<const KeyColumn> columns,
                      const KeyText& text, ValueOf&& valueOf) {
  KeyNulls nulls;
  for (const KeyColumn& c : columns) {
    const std::optional<std::span<const uint8_t>> value = valueOf(c);
    const bool null = !value && c.type != static_cast<uint8_t>(FieldType::kBoolean);
    nulls.any = nulls.any || null;
    nulls.all = nulls.all && null;
    nulls.exact = AppendKeyColumn(key, c.type, value, c.ascending, text) && nulls.exact;
  }
  return nulls;
}

// The stored bytes of a key column of `row` as AppendRowKey takes them.
std::optional<std::span<const uint8_t>> KeyValue(const RowView& row, const KeyColumn& column);

class IndexChecks {
 public:
  // `definition` and `text.codes` must outlive the checks; the definition keeps its indexes.
  IndexChecks(const TableDefinition& definition, const format::JetLayout& layout,
              const KeyText& text);

  // Remembers the keys of a row already in the table.
  void Remember(const RowView& row);
  // Throws DaoException when a record of `values` would break an index;
  // otherwise returns its unique keys, for Claim once the row is stored.
  std::vector<std::string> Check(std::span<const StoredValue> values) const;
  void Claim(std::vector<std::string> keys);

 private:
  // The keys of one unique index. Keys that come in increasing order (an
  // auto-number, rows copied in key order) are appended to a sorted list and
  // found with one comparison; only the others go to a hash set.
  class KeySet {
   public:
    bool Contains(const std::string& key) const;
    void Insert(std::string key);

   private:
    std::vector<std::string> ascending_;
    std::unordered_set<std::string> others_;
  };

  const TableDefinition& definition_;
  const format::JetLayout& layout_;
  KeyText text_;
  std::vector<std::vector<KeyColumn>> columns_;  // per real index
  std::vector<bool> checked_;                    // per real index: whether a key can break it
  std::vector<KeySet> unique_;                   // per real index; empty if not unique
};

}  // namespace tarvex::dao
