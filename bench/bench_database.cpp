#include "bench_database.h"

#include <algorithm>
#include <string>
#include <vector>

#include "dao/database.h"
#include "dao/field_type.h"
#include "dao/recordset.h"
#include "dao/table_def.h"

namespace tarvex::bench {
namespace {

constexpr char kLocale[] = ";LANGID=0x0409;CP=1252;COUNTRY=0";
constexpr char16_t kNarrowTable[] = u"BenchRows";
constexpr char16_t kMixedTable[] = u"BenchMixed";
constexpr uint64_t kRowsPerBatch = 100000;  // rows of each table between two size checks

std::u16string Text(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

int Code(dao::FieldType type) { return static_cast<int>(type); }

void CreateNarrowTable(dao::Database& db) {
  dao::TableDef def(db);
  def.Create(kNarrowTable, 0);
  def.CreateField(u"ID", Code(dao::FieldType::kLong), 4, dao::kDbFixedField);
  def.CreateField(u"Customer", Code(dao::FieldType::kText), 50, dao::kDbVariableField);
  def.CreateField(u"Amount", Code(dao::FieldType::kCurrency), 8, dao::kDbFixedField);
  def.CreateField(u"Created", Code(dao::FieldType::kDate), 8, dao::kDbFixedField);
  def.CreateField(u"Ratio", Code(dao::FieldType::kDouble), 8, dao::kDbFixedField);
  def.CreateField(u"Paid", Code(dao::FieldType::kBoolean), 1, dao::kDbFixedField);
  def.CreateField(u"Note", Code(dao::FieldType::kText), 255, dao::kDbVariableField);
  def.Append();
  def.Close();
}

void CreateMixedTable(dao::Database& db) {
  dao::TableDef def(db);
  def.Create(kMixedTable, 0);
  def.CreateField(u"ID", Code(dao::FieldType::kLong), 4, dao::kDbFixedField);
  def.CreateField(u"Title", Code(dao::FieldType::kText), 80, dao::kDbVariableField);
  def.CreateField(u"Quantity", Code(dao::FieldType::kInteger), 2, dao::kDbFixedField);
  def.CreateField(u"Weight", Code(dao::FieldType::kDouble), 8, dao::kDbFixedField);
  def.CreateField(u"Price", Code(dao::FieldType::kCurrency), 8, dao::kDbFixedField);
  def.CreateField(u"Shipped", Code(dao::FieldType::kDate), 8, dao::kDbFixedField);
  def.CreateField(u"Active", Code(dao::FieldType::kBoolean), 1, dao::kDbFixedField);
  def.CreateField(u"Remarks", Code(dao::FieldType::kMemo), 0, dao::kDbVariableField);
  def.CreateField(u"Score", Code(dao::FieldType::kSingle), 4, dao::kDbFixedField);
  def.CreateField(u"Level", Code(dao::FieldType::kByte), 1, dao::kDbFixedField);
  def.Append();
  def.Close();
}

std::u16string DateText(uint64_t id) {
  return Text("0" + std::to_string(1 + id % 9) + "/1" + std::to_string(id % 10) +
              "/2019 10:20:30 AM");
}

void AppendNarrowRows(dao::Database& db, uint64_t first, uint64_t count) {
  dao::Recordset rs(db);
  rs.Open(-1, std::u16string(u"SELECT * FROM [") + kNarrowTable + u"]", 0);
  for (uint64_t id = first; id < first + count; ++id) {
    rs.AddNew();
    rs.SetFieldValue(0, Text(std::to_string(id)));
    rs.SetFieldValue(1, Text("Customer number " + std::to_string(id % 9973)));
    rs.SetFieldValue(2, Text(std::to_string(id % 100000) + "." + std::to_string(id % 100)));
    rs.SetFieldValue(3, DateText(id));
    rs.SetFieldValue(4, Text(std::to_string(static_cast<double>(id) / 7.0)));
    rs.SetFieldValue(5, id % 3 ? u"True" : u"False");
    rs.SetFieldValue(6, Text("Row " + std::to_string(id) +
                             " of the scan benchmark, with a note of ordinary length"));
    rs.Update();
  }
  rs.Close();
}

// A memo text: short for most rows, a few hundred characters for every tenth.
std::string Remarks(uint64_t id) {
  std::string text = "Remarks on item " + std::to_string(id);
  if (id % 10 == 0)
    while (text.size() < 400) text += ", checked again on delivery and found in order";
  return text;
}

void AppendMixedRows(dao::Database& db, uint64_t first, uint64_t count) {
  dao::Recordset rs(db);
  rs.Open(-1, std::u16string(u"SELECT * FROM [") + kMixedTable + u"]", 0);
  for (uint64_t id = first; id < first + count; ++id) {
    rs.AddNew();
    rs.SetFieldValue(0, Text(std::to_string(id)));
    rs.SetFieldValue(1, Text("Item " + std::to_string(id % 50021) + " in the mixed table"));
    rs.SetFieldValue(2, Text(std::to_string(static_cast<int>(id % 65536) - 32768)));
    rs.SetFieldValue(3, Text(std::to_string(static_cast<double>(id) / 3.0)));
    rs.SetFieldValue(4, Text(std::to_string(id % 10000) + "." + std::to_string(id % 10000)));
    rs.SetFieldValue(5, DateText(id + 3));
    rs.SetFieldValue(6, id % 2 ? u"True" : u"False");
    // Every seventh memo is left null, so that rows with and without one are read.
    if (id % 7 != 0) rs.SetFieldValue(7, Text(Remarks(id)));
    rs.SetFieldValue(8, Text(std::to_string(static_cast<float>(id % 1000) / 8.0f)));
    rs.SetFieldValue(9, Text(std::to_string(id % 256)));
    rs.Update();
  }
  rs.Close();
}

}  // namespace

uint64_t WriteBenchDatabase(const std::filesystem::path& path, uint64_t minimumBytes) {
  uint64_t rows = 0;
  {
    dao::Database db;
    db.Create(path, kLocale, dao::kDbVersion40);
    CreateNarrowTable(db);
    CreateMixedTable(db);
    db.Close();
  }
  uint64_t first = 1;
  while (std::filesystem::file_size(path) < minimumBytes) {
    dao::Database db;
    db.Open(path, true, false, "");
    AppendNarrowRows(db, first, kRowsPerBatch);
    AppendMixedRows(db, first, kRowsPerBatch);
    db.Close();
    first += kRowsPerBatch;
    rows += 2 * kRowsPerBatch;
  }
  return rows;
}

bool HasBenchTables(const std::filesystem::path& path) {
  try {
    dao::Database db;
    db.Open(path, false, true, "");
    const auto names = db.TableNames();
    auto has = [&](const char16_t* name) {
      return std::find(names.begin(), names.end(), name) != names.end();
    };
    return has(kNarrowTable) && has(kMixedTable);
  } catch (const dao::DaoException&) {
    return false;
  }
}

}  // namespace tarvex::bench
