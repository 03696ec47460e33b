#pragma once
// Step 3: cuts every row of every table from its data pages and writes the
// text of each column value into the table's data file.
#include <optional>
#include <vector>

#include "engine/db_file_reader.h"
#include "engine/definition_scan.h"
#include "format/row.h"

namespace tarvex::engine {

bool ExtractRecords(const ScanContext& context, model::CAccessData& model);
// Cuts the rows of `tables` again, each into a new data file; false when a stop was requested.
bool ExtractTables(const ScanContext& context, std::vector<model::CAccessTable*> tables);

// The database's default code page from its header; the default one when the header cannot be read.
uint16_t DatabaseCodePage(CDBFileReader& file);

// The bytes of row `rowIndex` of the data page at `pageOffset`, or nothing when
// the page is outside the file, is not a data page, or the row's bounds are
// unusable; given the frame of the page's table, rows are placed as its walker does and a row a
// torn write cut is refused.
std::optional<std::vector<uint8_t>> ReadRow(CDBFileReader& file, uint64_t fileSize,
                                            const format::JetLayout& layout, uint64_t pageOffset,
                                            uint32_t rowIndex, format::RowFrame* frame = nullptr);

}  // namespace tarvex::engine
