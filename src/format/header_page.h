#pragma once
// Page 0 of an Access file, read and written: the engine name and format
// version in the clear, the rest of the fields in the region masked with the
// header key stream (header_mask.h). Jet 4 and later also mask the password
// with the creation date; an empty password is that mask itself.
#include <cstdint>
#include <optional>
#include <vector>

#include "format/data_reader.h"
#include "format/database_format.h"

namespace tarvex::format {

struct HeaderPage {
  DatabaseFormat format = DatabaseFormat::kJet4;
  uint16_t codePage = 1252;
  uint16_t sortOrder = 1033;  // the database's default text sort order
  uint8_t sortVersion = 0;    // Jet 4 and later: 0 General Legacy, 1 General (2010 on)
  double creationDate = 0;    // Jet 4 and later; keys the password's mask
  uint32_t engineBuild = 0;   // Jet 4 and later: the build of the engine that made the file
  uint32_t databaseKey = 0;   // non-zero: the pages are encrypted
  uint8_t versionFlags = 0;   // the byte after the version (1 in files Access 2010 made)
  uint16_t jet3Word56 = 0;    // Jet 3: a word of unknown meaning after the password
};

// The fields of `page` (at least the masked region long); nothing when it is
// not the header of a Jet or ACE file of a known version.
std::optional<HeaderPage> ReadHeaderPage(Bytes page);

// A whole header page, with an empty password, for the format's page size.
std::vector<uint8_t> EncodeHeaderPage(const HeaderPage& header);

}  // namespace tarvex::format
