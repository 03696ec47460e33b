#pragma once
// The table definitions of a Jet 4 file: format::TableDefinition, decoded
// with this engine's policy (a damaged definition is refused), and the layout
// of a new table's columns.
#include <cstdint>
#include <span>
#include <vector>

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
TableDefinition DecodeTableDefinition(std::span<const uint8_t> stream);

// Lays out a new table's columns: numbers, positions, fixed offsets, max
// columns and variable indexes (in column order, or with memo and long binary
// columns after the others when `longValuesLast`), and the General sort order
// (decimal columns keep their precision and scale instead).
void AssignColumnLayout(TableDefinition& definition, bool longValuesLast);

}  // namespace tarvex::dao
