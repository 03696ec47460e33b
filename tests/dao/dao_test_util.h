#pragma once
// Small helpers the engine tests share: building a table in one call and
// filling it row by row from texts.
#include <optional>
#include <string>
#include <vector>

#include "dao/database.h"
#include "dao/recordset.h"
#include "dao/table_def.h"

namespace tarvex::dao::test {

struct FieldSpec {
  std::u16string name;
  int type;
  long size;
  long attributes = 0;
};

inline void MakeTable(Database& db, const std::u16string& name,
                      const std::vector<FieldSpec>& fields) {
  TableDef table(db);
  table.Create(name, kDbAttachExclusive);
  for (const auto& f : fields) table.CreateField(f.name, f.type, f.size, f.attributes);
  table.Append();
  table.Close();
}

// Adds one row per entry; a missing value leaves its field unset.
inline void AddRows(Database& db, const std::u16string& table,
                    const std::vector<std::vector<std::optional<std::u16string>>>& rows) {
  Recordset rs(db);
  rs.Open(-1, u"SELECT * FROM [" + table + u"]", 0);
  for (const auto& row : rows) {
    rs.AddNew();
    for (size_t i = 0; i < row.size(); ++i)
      if (row[i]) rs.SetFieldValue(static_cast<int>(i), *row[i]);
    rs.Update();
  }
  rs.Close();
}

inline const std::string kLocale = ";LANGID=0x0409;CP=1252;COUNTRY=0";

}  // namespace tarvex::dao::test
