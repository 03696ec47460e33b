#pragma once
// The definition of the catalogue MSysObjects as Access writes it: the
// scanner reads the catalogue's rows with it whatever page 2 holds, and the
// engine writes it into every new file.
#include "format/jet_layout.h"
#include "format/table_definition.h"

namespace tarvex::format {

// 17 columns (Id, ParentId, Name, Type, DateCreate, DateUpdate, Owner, Flags,
// Database, Connect, ForeignName, RmtInfoShort, RmtInfoLong, Lv, LvProp,
// LvModule, LvExtra), a unique index on (ParentId, Name) and the primary key
// on Id; usage maps and index roots not yet placed.
TableDefinition CatalogueDefinition(const JetLayout& layout);

}  // namespace tarvex::format
