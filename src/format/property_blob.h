#pragma once
// The property blob of a catalogue row (its LvProp): "MR2" in Jet 4 and later,
// "KKD" in Jet 3, then chunks. Each chunk is a 32-bit length (its 6-byte header
// included) and a 16-bit type: one list of property names, then one chunk of
// values for the object itself and one for each column that has properties. A
// values chunk starts with its object's name block (a 32-bit length, then the
// name); each value is a 16-bit length (this header included), a DDL byte, a
// type code, the index of its name and the 16-bit length of its data. Names are
// UTF-16LE in Jet 4 and code-page bytes in Jet 3; so is the data of text
// properties, which is never compressed.
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
// The data of one value, so that its record's 16-bit length holds it.
inline constexpr size_t kMaxPropertyData = 0xFFFF - kPropertyValueHeaderLength;

struct StoredProperty {
  std::u16string name;
  uint8_t type = 0;  // a column type code
  bool ddl = false;  // the engine enforces it
  std::vector<uint8_t> data;
  bool operator==(const StoredProperty&) const = default;
};

// The properties of one object: the object itself (its name empty) or one of
// a table's columns.
struct PropertyObject {
  bool column = false;
  std::u16string name;
  std::vector<StoredProperty> properties;

  const StoredProperty* Find(std::u16string_view property) const;
  bool operator==(const PropertyObject&) const = default;
};

// Every object the blob holds, as far as it can be read: a damaged chunk ends
// the reading and keeps what came before. `codePage` decodes Jet 3 names.
std::vector<PropertyObject> ReadPropertyBlob(Bytes blob, JetVersion version, uint16_t codePage);

// The blob of `objects`, objects and values in the order given, each name once
// in the name list; empty when no object has a property. Nothing when a name
// does not fit its 16-bit length, a Jet 3 name has no code in `codePage`, or a
// value's data is longer than kMaxPropertyData.
std::optional<std::vector<uint8_t>> EncodePropertyBlob(const std::vector<PropertyObject>& objects,
                                                       JetVersion version, uint16_t codePage);

}  // namespace tarvex::format
