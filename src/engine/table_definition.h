#pragma once
// Reading one table definition from the definition file into the model: its
// chain of pages, then its header, columns, names and indexes.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/db_file_reader.h"
#include "format/data_reader.h"
#include "format/jet_layout.h"
#include "model/access_table.h"

namespace tarvex::engine {

// Decodes a Jet 3 name (code-page bytes) to text.
using NameDecoder = std::function<std::u16string(format::Bytes)>;

// The definition's stream (format::ReadDefinitionStream): what the chain
// holds up to its first fault. Empty when the first page is outside the file.
std::vector<uint8_t> ReadDefinitionChain(CDBFileReader& file, uint64_t fileSize,
                                         const format::JetLayout& layout, uint64_t firstOffset);

// Fills the table's header summary, columns (in stored order) and real indexes
// from a definition, keeping what a damaged one holds. Unnamed columns get
// "RecoveredField####N" names, N counted per table.
void ParseDefinition(format::Bytes definition, const format::JetLayout& layout,
                     const NameDecoder& decodeJet3Name, model::CAccessTable& table);

}  // namespace tarvex::engine
