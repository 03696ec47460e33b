#pragma once
// The property blob ("MR2" format) kept in a table's catalogue row: here the
// column properties (such as DefaultValue) given when fields were created.
#include <cstdint>
#include <string>
#include <vector>

namespace tarvex::dao {

struct Property {
  std::u16string name;
  uint8_t type = 0;  // a column type code
  bool ddl = true;   // enforced by the engine
  std::vector<uint8_t> data;
};

struct ColumnProperties {
  std::u16string column;
  std::vector<Property> properties;
};

// The blob, or an empty vector when there is no property at all.
std::vector<uint8_t> EncodePropertyBlob(const std::vector<ColumnProperties>& columns);

}  // namespace tarvex::dao
