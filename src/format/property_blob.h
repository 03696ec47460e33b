#pragma once
// The property blob of a catalogue row (its LvProp): "MR2" in Jet 4 and later,
// "KKD" in Jet 3, then chunks. Each chunk is a 32-bit length (its 6-byte header
// included) and a 16-bit type: one list of property names, then one chunk of
// values for the table and one for each column that has properties. A values
// chunk starts with its object's name block (a 32-bit length, then the name);
// each value is a 16-bit length (this header included), a DDL byte, a type
// code, the index of its name and the 16-bit length of its data.
// One read half here; the engine writes blobs with the same constants.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "format/data_reader.h"
#include "format/jet_layout.h"

namespace tarvex::format {

inline constexpr uint8_t kPropertyBlobMagic[] = {'M', 'R', '2', 0};
inline constexpr uint8_t kJet3PropertyBlobMagic[] = {'K', 'K', 'D', 0};
inline constexpr uint16_t kPropertyNameListChunk = 0x80;
inline constexpr uint16_t kTablePropertiesChunk = 0x00;
inline constexpr uint16_t kColumnPropertiesChunk = 0x01;
inline constexpr size_t kPropertyChunkHeaderLength = 6;
inline constexpr size_t kPropertyValueHeaderLength = 8;

struct StoredProperty {
  std::u16string name;
  uint8_t type = 0;  // a column type code
  Bytes data;        // into the blob
};

// The properties of one object: the table (its name empty) or one of its columns.
struct PropertyObject {
  bool column = false;
  std::u16string name;
  std::vector<StoredProperty> properties;

  const StoredProperty* Find(std::u16string_view property) const;
};

// Every object the blob holds, as far as it can be read: a damaged chunk ends
// the reading and keeps what came before. `codePage` decodes Jet 3 names.
std::vector<PropertyObject> ReadPropertyBlob(Bytes blob, JetVersion version, uint16_t codePage);

}  // namespace tarvex::format
