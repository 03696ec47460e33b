#pragma once
// What the command line shows of the saved queries: each query's name, kind and
// rebuilt SQL text.
#include <string>
#include <vector>

#include "model/ctlist.h"
#include "model/query_sys_object.h"
#include "query/query_attributes.h"

namespace tarvex::query {

struct RecoveredQuery {
  std::u16string name;  // empty when no catalogue entry names the query
  std::u16string kind;  // "Select", "Crosstab", …, or the kind number for unknown kinds
  std::u16string sql;   // empty for kinds that are not rebuilt
};

// The kind text of a catalogue Flags value.
std::u16string QueryKindText(const std::u16string& flagsText);

// Groups the MSysQueries rows into queries (in the order of their first rows),
// names them from the catalogue and rebuilds their text. `rows` ends empty.
std::vector<RecoveredQuery> RecoverQueries(QueryRowList& rows,
                                           const model::CTList<model::CQuerySysObject>& catalogue);

}  // namespace tarvex::query
