#pragma once
// The property blob ("MR2" format, "KKD" in Jet 3) kept in a table's
// catalogue row: here the column properties (such as DefaultValue) given when
// fields were created.
#include <cstdint>
#include <string>
#include <vector>

#include "dao/stored_text.h"

namespace tarvex::dao {

struct Property {
  std::u16string name;
  uint8_t type = 0;           // a column type code
  bool ddl = true;            // enforced by the engine
  std::vector<uint8_t> data;  // text as the database stores it
};

struct ColumnProperties {
  std::u16string column;
  std::vector<Property> properties;
};

// The blob, names stored as `text` says, or an empty vector when there is no
// property at all. Throws DaoException when a name cannot be stored.
std::vector<uint8_t> EncodePropertyBlob(const std::vector<ColumnProperties>& columns,
                                        const TextFormat& text);

}  // namespace tarvex::dao
