#pragma once
// The table definitions of a Jet file: format::TableDefinition, decoded
// with this engine's policy (a damaged definition is refused), names in
// memory as text whatever the file stores, and the layout of a new table's
// columns.
#include <cstdint>
#include <span>
#include <vector>

#include "dao/stored_text.h"
#include "format/jet_layout.h"
#include "format/table_definition.h"

namespace tarvex::dao {

using format::ColumnDefinition;
using format::IndexKeyColumn;
using format::LogicalIndexDefinition;
using format::LongValueMaps;
using format::RealIndexDefinition;
using format::TableDefinition;

// Decodes a definition's stream, columns in column-number order; throws
// DaoException when it is damaged.
TableDefinition DecodeTableDefinition(std::span<const uint8_t> stream,
                                      const format::JetLayout& layout, const TextFormat& text);
// The definition's stream; throws DaoException when a name cannot be stored.
std::vector<uint8_t> EncodeTableDefinition(const TableDefinition& definition,
                                           const format::JetLayout& layout, const TextFormat& text);

// Lays out a new table's columns: numbers, positions, fixed offsets, max
// columns and variable indexes (in column order, or with memo and long binary
// columns after the others when `longValuesLast`), and the General sort order
// (decimal columns keep their precision and scale instead), in Jet 3 with the
// database's code page.
void AssignColumnLayout(TableDefinition& definition, bool longValuesLast, const TextFormat& text);

}  // namespace tarvex::dao
