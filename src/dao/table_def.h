#pragma once
// A new table definition: Create, then CreateField per column (fields are
// numbered from 0 in creation order), then Append writes it to the database.
#include <memory>
#include <string>
#include <vector>

#include "dao/database.h"
#include "dao/property.h"
#include "dao/table_definition.h"

namespace tarvex::dao {

class TableDef {
 public:
  explicit TableDef(Database& database);

  // Starts a definition; throws for a name Access refuses or one in use.
  void Create(const std::u16string& name, long attributes);
  // Throws for an unknown type, a bad or duplicate name, or a bad size.
  void CreateField(const std::u16string& name, int type, long size, long attributes);
  void CreateField(const FieldInfo& info);
  // Adds an index over fields already created; its tree is built when the
  // database closes. Throws for a bad or duplicate name, a second primary
  // key, no or more than 10 fields, an unknown field, or a field that cannot
  // be indexed (memo, OLE, multi-valued).
  void CreateIndex(const IndexInfo& info);
  // Sets a property of the table (`field` empty) or of one of its fields,
  // replacing one of the same name; throws (the definition unchanged) when
  // the field is unknown or StoreProperty refuses the property. A field's
  // UnicodeCompression property decides whether its text is compressed.
  void CreateProperty(const std::u16string& field, const Property& property);
  // Writes the table; throws when it has no fields or was not created.
  void Append();
  void Close();

 private:
  void RequireCreated() const;

  Database& database_;
  bool created_ = false;
  bool appended_ = false;
  std::u16string name_;
  TableDefinition definition_;
  // The table's own properties first, then one object per field that has any.
  std::vector<format::PropertyObject> properties_;
};

// Whether two object names are the same to Access, which ignores the case of ASCII letters.
bool SameNameNoCase(std::u16string_view a, std::u16string_view b);

// Throws DaoException when Access would refuse `name` for a table or field.
void CheckObjectName(const std::u16string& name, const char* what);

// The nearest name CheckObjectName takes: refused characters (and halves of
// surrogate pairs without their other half) become "_",
// leading blanks are dropped and the name is cut to 64 characters (never
// inside a surrogate pair). Empty when nothing of the name is left.
std::u16string AcceptableObjectName(std::u16string_view name);

}  // namespace tarvex::dao
