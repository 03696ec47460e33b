#pragma once
// Columns for a table whose definition was lost, read from its rows: how many
// columns each row carries, where the fixed area ends in each (cut there, so
// that every piece fits every row), and what its variable values look like
// (text where every value is well-formed text, memo or OLE where every value
// is a long value's header, binary otherwise).
#include <cstdint>

#include "engine/db_file_reader.h"
#include "format/jet_layout.h"
#include "model/access_table.h"

namespace tarvex::engine {

// Gives the table columns that read the rows on its data pages; none when it has no readable row.
void InferColumns(CDBFileReader& file, const format::JetLayout& layout, uint16_t codePage,
                  model::CAccessTable& table);

}  // namespace tarvex::engine
