#pragma once
// How the source's properties and format reach the engine.
#include <cstdint>

#include "dao/database.h"
#include "format/database_format.h"
#include "format/property_blob.h"

namespace tarvex::writer {

// A property as the source stores it, for the engine: text decoded as the
// source's format stores it, every other value as its stored bytes.
dao::Property PlanProperty(const format::StoredProperty& stored, format::DatabaseFormat source,
                           uint16_t codePage);

// The Create option that makes a database of `format`.
int FormatOption(format::DatabaseFormat format);

}  // namespace tarvex::writer
