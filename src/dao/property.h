#pragma once
// Properties of a database, a document, a table or a field, as DAO's
// CreateProperty makes them: Access's own (Format, Caption, DefaultValue,
// AccessVersion, ...) or any other. The database keeps them in the property
// blob of the object's catalogue row.
#include <cstdint>
#include <string>
#include <vector>

#include "dao/stored_text.h"
#include "format/property_blob.h"

namespace tarvex::dao {

struct Property {
  std::u16string name;
  int type = 0;    // a field type: dbText, dbBoolean, dbLong, ...
  bool ddl = false;  // enforced by the engine: only the engine changes it
  // Text and Memo properties hold `text`, which the database stores in its
  // own encoding; every other type holds its stored bytes in `bytes`.
  std::vector<uint8_t> bytes;
  std::u16string text;
};

// True for the types whose property value is `text`.
bool IsTextProperty(int type);

// The property as the blob stores it; throws DaoException, naming the
// property and why, for an empty name, a type no field has, a value too long
// for the blob or text the database's code page cannot hold.
format::StoredProperty StoreProperty(const Property& property, const TextFormat& text);

// Sets `property` in `object`, replacing one of the same name.
void SetProperty(format::PropertyObject& object, format::StoredProperty property);

// The blob of `objects` (empty when none has a property); throws DaoException
// when a name cannot be stored.
std::vector<uint8_t> EncodeProperties(const std::vector<format::PropertyObject>& objects,
                                      const TextFormat& text);

}  // namespace tarvex::dao
