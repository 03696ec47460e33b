#pragma once
// The rows a recovered query had in the damaged file's MSysQueries, in the
// engine's form, so that the engine can keep them where they say what the
// rebuilt SQL says.
#include <optional>
#include <string>
#include <vector>

#include "dao/saved_query_rows.h"
#include "format/jet_layout.h"
#include "model/table_losses.h"
#include "query/query_attributes.h"

namespace tarvex::writer {

struct StoredQueryRows {
  std::optional<std::vector<dao::SavedQueryRow>> rows;  // nothing when they are damaged
  std::string damage;                                   // why they are not offered
};

// The rows of one query, each with its Order decoded from the binary value
// text of `version`. A row whose attribute, flag, LvExtra or Order is no
// number of its kind makes the rows damaged, and so do the losses the scan
// counted in MSysQueries: a lost row may have been any query's.
StoredQueryRows StoredRowsOf(const query::QueryRowList& rows, const model::TableLosses& losses,
                             format::JetVersion version);

}  // namespace tarvex::writer
