#pragma once
// The definition of the catalogue table MSysObjects, held by the program so
// that the catalogue's rows can be read even when page 2 of a file is damaged.
#include <cstdint>
#include <vector>

#include "format/jet_layout.h"

namespace tarvex::engine {

// One whole definition page for the layout describing MSysObjects: 17 columns
// (Id, ParentId, Name, Type, DateCreate, DateUpdate, Owner, Flags, Database,
// Connect, ForeignName, RmtInfoShort, RmtInfoLong, Lv, LvProp, LvModule,
// LvExtra), an index on (ParentId, Name) and the primary key on Id.
std::vector<uint8_t> CatalogueDefinitionPage(const format::JetLayout& layout);

}  // namespace tarvex::engine
