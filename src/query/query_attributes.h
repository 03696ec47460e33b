#pragma once
// One row of MSysQueries: a single clause element of a saved query.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "format/saved_query.h"
#include "model/ctlist.h"

namespace tarvex::query {

// What a row describes: the codes of its Attribute column.
using RowKind = format::QueryRowKind;

class CQueryAttributes {
 public:
  virtual ~CQueryAttributes() = default;

  // Builds a row from the MSysQueries values in table order: ObjectId, Attribute,
  // Order, Name1, Name2, Expression, Flag, LvExtra. A row cut short leaves the
  // missing fields empty; values past the eighth are ignored.
  static std::unique_ptr<CQueryAttributes> FromRowValues(const std::vector<std::u16string>& values);

  // A fresh row with the same ten strings and no link.
  std::unique_ptr<CQueryAttributes> Copy() const;

  // The attribute code as a kind; codes outside RowKind come back as they are.
  RowKind Kind() const;

  CQueryAttributes* next = nullptr;
  std::u16string attribute;   // attribute code: what the row describes
  std::u16string expression;  // column expression, condition, sort key or a union part's SQL
  std::u16string flag;        // meaning depends on the attribute code
  std::u16string spare7;      // LvExtra: kept, never read
  std::u16string name1;       // table, output alias, target column or sort direction
  std::u16string name2;       // alias, second table of a join, target field or union part marker
  std::u16string objectId;    // id of the owning query, as decimal text
  std::u16string spare2;      // Order: kept, never read
  // Working fields of join rows: the resolved table reference the first time a
  // table is met in the joins, empty afterwards.
  std::u16string leftReference;
  std::u16string rightReference;
};

using QueryRowList = model::CTList<CQueryAttributes>;

}  // namespace tarvex::query
