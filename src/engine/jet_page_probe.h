#pragma once
// Whether a file holds anything of an Access database at all, so that an
// empty file, random bytes or another kind of file is told apart from a
// damaged database before a scan reports "0 tables" as if it had succeeded;
// and in which page layout its pages are laid out, whatever its header says.
#include <cstdint>
#include <filesystem>

#include "engine/db_file_reader.h"

namespace tarvex::engine {

// True when some page of the file, in the Jet 3 or the Jet 4 layout, is a
// header page naming its engine, a data page owned by a page inside the
// file, or a table definition whose counts fit its page. False also when the
// file cannot be read.
bool HasJetPage(const std::filesystem::path& path);

// How many pages of the file's first part hold together as the pages of each
// layout: table definitions whose counts fit their page, and data pages whose
// offset table places every row. Either layout's pages read in the other's
// page size hold together only by chance.
struct LayoutEvidence {
  uint32_t jet3Pages = 0;
  uint32_t jet4Pages = 0;
};
LayoutEvidence CountLayoutPages(CDBFileReader& file, uint64_t fileSize);

}  // namespace tarvex::engine
