#pragma once
// CQueryEngine: groups the recovered MSysQueries rows into queries, names them
// from the MSysObjects catalogue and picks the builder for each query's kind.
#include <cstdint>
#include <memory>
#include <string>

#include "format/saved_query.h"
#include "model/ctlist.h"
#include "model/query_sys_object.h"
#include "query/query.h"
#include "query/query_builder.h"

namespace tarvex::query {

using QueryList = model::CTList<CQuery>;
using QueryCatalogue = model::CTList<model::CQuerySysObject>;

using QueryKind = format::QueryKind;

// The kind held in a Flags text. Flags also carry attribute bits beside the kind
// (3 on the hidden "~sq_" queries behind forms and reports, 8, 0x40000,
// 0x8000000, 0x10000000), so only the kind's own bits count.
int32_t QueryKindOf(const std::u16string& flagsText);

class CQueryEngine {
 public:
  // Moves every row into the query of its objectId, creating queries in the order
  // of their first rows; rows keep their relative order. `rows` ends empty.
  void GroupRows(QueryList& queries, QueryRowList& rows) const;

  // Gives each query the name and kind of the catalogue entry whose id equals its
  // objectId; a later entry with the same id overrides an earlier one.
  void AttachCatalogue(QueryList& queries, const QueryCatalogue& catalogue) const;

  // The builder for a kind, or null for an unknown kind.
  std::unique_ptr<CQB> CreateBuilder(const std::u16string& typeText) const;
};

}  // namespace tarvex::query
