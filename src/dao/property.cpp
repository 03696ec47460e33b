#include "dao/property.h"

#include <algorithm>

#include "dao/dao_exception.h"
#include "dao/field_type.h"
#include "dao/table_def.h"
#include "format/unicode.h"

namespace tarvex::dao {

bool IsTextProperty(int type) {
  return type == static_cast<int>(FieldType::kText) || type == static_cast<int>(FieldType::kMemo);
}

format::StoredProperty StoreProperty(const Property& property, const TextFormat& text) {
  const std::string label = "Property '" + format::ToUtf8(property.name) + "'";
  if (property.name.empty()) throw DaoException("A property has no name.");
  try {
    NameForDefinition(property.name, text);
  } catch (const DaoException& error) {
    throw DaoException(label + ": " + error.what());
  }
  if (!TraitsOf(property.type))
    throw DaoException(label + " has type " + std::to_string(property.type) +
                       ", which no field has.");
  format::StoredProperty stored{property.name, static_cast<uint8_t>(property.type), property.ddl,
                                property.bytes};
  if (IsTextProperty(property.type)) {
    try {
      stored.data = EncodeStoredText(property.text, false, text);
    } catch (const DaoException& error) {
      throw DaoException(label + ": " + error.what());
    }
  }
  if (stored.data.size() > format::kMaxPropertyData)
    throw DaoException(label + " is longer than a property can be (" +
                       std::to_string(stored.data.size()) + " bytes).");
  return stored;
}

void SetProperty(format::PropertyObject& object, format::StoredProperty property) {
  auto& properties = object.properties;
  const auto same = std::find_if(properties.begin(), properties.end(),
                                 [&](const auto& p) { return SameNameNoCase(p.name, property.name); });
  if (same != properties.end())
    *same = std::move(property);
  else
    properties.push_back(std::move(property));
}

std::vector<uint8_t> EncodeProperties(const std::vector<format::PropertyObject>& objects,
                                      const TextFormat& text) {
  auto blob = format::EncodePropertyBlob(objects, text.version, text.codePage);
  if (!blob) throw DaoException("A property or field name cannot be stored in the properties.");
  return std::move(*blob);
}

}  // namespace tarvex::dao
