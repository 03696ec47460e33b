#include "bench_database.h"

#include <string>

#include "dao/database.h"
#include "dao/field_type.h"
#include "dao/recordset.h"
#include "dao/table_def.h"

namespace tarvex::bench {
namespace {

constexpr char kLocale[] = ";LANGID=0x0409;CP=1252;COUNTRY=0";
constexpr char16_t kTable[] = u"BenchRows";
constexpr uint64_t kRowsPerBatch = 200000;  // rows between two size checks

std::u16string Text(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

int Code(dao::FieldType type) { return static_cast<int>(type); }

void CreateTable(dao::Database& db) {
  dao::TableDef def(db);
  def.Create(kTable, 0);
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

void AppendRows(dao::Database& db, uint64_t first, uint64_t count) {
  dao::Recordset rs(db);
  rs.Open(-1, std::u16string(u"SELECT * FROM [") + kTable + u"]", 0);
  for (uint64_t id = first; id < first + count; ++id) {
    rs.AddNew();
    rs.SetFieldValue(0, Text(std::to_string(id)));
    rs.SetFieldValue(1, Text("Customer number " + std::to_string(id % 9973)));
    rs.SetFieldValue(2, Text(std::to_string(id % 100000) + "." + std::to_string(id % 100)));
    rs.SetFieldValue(3, Text("0" + std::to_string(1 + id % 9) + "/1" + std::to_string(id % 10) +
                             "/2019 10:20:30 AM"));
    rs.SetFieldValue(4, Text(std::to_string(static_cast<double>(id) / 7.0)));
    rs.SetFieldValue(5, id % 3 ? u"True" : u"False");
    rs.SetFieldValue(6, Text("Row " + std::to_string(id) +
                             " of the scan benchmark, with a note of ordinary length"));
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
    CreateTable(db);
    db.Close();
  }
  while (std::filesystem::file_size(path) < minimumBytes) {
    dao::Database db;
    db.Open(path, true, false, "");
    AppendRows(db, rows + 1, kRowsPerBatch);
    db.Close();
    rows += kRowsPerBatch;
  }
  return rows;
}

}  // namespace tarvex::bench
