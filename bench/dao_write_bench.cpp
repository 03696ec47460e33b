// Writes 1,000,000 rows of a ten-column table of mixed types through the
// database engine, and the same rows into SQLite in one transaction, then
// prints both times, their ratio and the peak memory of the engine's run.
//   dao_write_bench [rows] [folder] [keep] [indexed]
// "keep" leaves both files for inspection; "indexed" gives the table a
// primary key on Id and an index on Name in both engines (SQLite builds them
// after its inserts, as the engine builds its trees when the file closes).
#include <sqlite3.h>
#include <sys/resource.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "dao/database.h"
#include "dao/recordset.h"
#include "dao/table_def.h"
#include "format/unicode.h"

namespace {

using tarvex::format::FromUtf8;
constexpr size_t kColumns = 10;
// Rows repeat a cycle of prepared texts, so that both engines are timed on
// storing them rather than on making them; only the Id is new in every row.
constexpr size_t kDistinctRows = 4096;
using RowTexts = std::array<std::string, kColumns>;
using WideRowTexts = std::array<std::u16string, kColumns>;

// Row i as the texts a writer passes: Long, Text, Integer, Double, Currency,
// Date, Yes/No, Memo, Single, Byte.
RowTexts MakeRow(size_t i) {
  char date[32];
  std::snprintf(date, sizeof(date), "%02zu/%02zu/%04zu %02zu:%02zu:%02zu %s", i % 12 + 1,
                i % 28 + 1, 1950 + i % 100, i % 12 + 1, i % 60, (i * 7) % 60, i % 2 ? "PM" : "AM");
  return {
      std::to_string(i + 1),
      "Customer name " + std::to_string(i),
      std::to_string(static_cast<int>(i % 65536) - 32768),
      std::to_string(static_cast<double>(i) / 7.0),
      std::to_string(i % 100000) + "." + std::to_string(i % 10000),
      date,
      i % 3 ? "True" : "False",
      "Notes for row " + std::to_string(i) + (i % 10 == 0 ? std::string(200, 'n') : std::string()),
      std::to_string(static_cast<float>(i) / 3.0f),
      std::to_string(i % 256)};
}

struct PreparedRows {
  std::vector<RowTexts> narrow;
  std::vector<WideRowTexts> wide;
};

PreparedRows Prepare() {
  PreparedRows rows;
  for (size_t i = 0; i < kDistinctRows; ++i) {
    rows.narrow.push_back(MakeRow(i));
    WideRowTexts wide;
    for (size_t c = 0; c < kColumns; ++c) wide[c] = FromUtf8(rows.narrow.back()[c]);
    rows.wide.push_back(std::move(wide));
  }
  return rows;
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double WriteWithEngine(const std::filesystem::path& file, size_t rows, const PreparedRows& prepared,
                       bool indexed) {
  auto start = std::chrono::steady_clock::now();
  tarvex::dao::Database db;
  db.Create(file, ";LANGID=0x0409;CP=1252;COUNTRY=0", tarvex::dao::kDbVersion40);
  tarvex::dao::TableDef table(db);
  table.Create(u"Bench", tarvex::dao::kDbAttachExclusive);
  const std::array<std::pair<const char16_t*, int>, kColumns> fields{{{u"Id", 4},
                                                                      {u"Name", 10},
                                                                      {u"Small", 3},
                                                                      {u"Ratio", 7},
                                                                      {u"Amount", 5},
                                                                      {u"Stamp", 8},
                                                                      {u"Active", 1},
                                                                      {u"Notes", 12},
                                                                      {u"Score", 6},
                                                                      {u"Level", 2}}};
  for (const auto& [name, type] : fields) table.CreateField(name, type, type == 10 ? 50 : 0, 0);
  if (indexed) {
    table.CreateIndex({.name = u"PrimaryKey", .fields = {{u"Id", false}}, .primary = true});
    table.CreateIndex({.name = u"ByName", .fields = {{u"Name", false}}});
  }
  table.Append();
  table.Close();
  tarvex::dao::Recordset rs(db);
  rs.Open(-1, u"SELECT * FROM [Bench]", 0);
  std::u16string id;
  for (size_t i = 0; i < rows; ++i) {
    const auto& texts = prepared.wide[i % kDistinctRows];
    rs.AddNew();
    std::string digits = std::to_string(i + 1);
    id.assign(digits.begin(), digits.end());
    rs.SetFieldValue(0, id);
    for (size_t c = 1; c < kColumns; ++c) rs.SetFieldValue(static_cast<int>(c), texts[c]);
    rs.Update();
  }
  rs.Close();
  db.Close();
  return Seconds(start);
}

double WriteWithSqlite(const std::filesystem::path& file, size_t rows, const PreparedRows& prepared,
                       bool indexed) {
  auto start = std::chrono::steady_clock::now();
  sqlite3* db = nullptr;
  sqlite3_open(file.c_str(), &db);
  sqlite3_exec(db,
               "CREATE TABLE Bench (Id INTEGER, Name TEXT, Small INTEGER, Ratio REAL, Amount "
               "NUMERIC, Stamp TEXT, "
               "Active TEXT, Notes TEXT, Score REAL, Level INTEGER); BEGIN;",
               nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO Bench VALUES (?,?,?,?,?,?,?,?,?,?)", -1, &insert, nullptr);
  for (size_t i = 0; i < rows; ++i) {
    const auto& texts = prepared.narrow[i % kDistinctRows];
    std::string id = std::to_string(i + 1);
    sqlite3_bind_text(insert, 1, id.c_str(), static_cast<int>(id.size()), SQLITE_TRANSIENT);
    for (size_t c = 1; c < kColumns; ++c)
      sqlite3_bind_text(insert, static_cast<int>(c + 1), texts[c].c_str(),
                        static_cast<int>(texts[c].size()), SQLITE_TRANSIENT);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  if (indexed)
    sqlite3_exec(
        db, "CREATE UNIQUE INDEX PrimaryKey ON Bench (Id); CREATE INDEX ByName ON Bench (Name);",
        nullptr, nullptr, nullptr);
  sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return Seconds(start);
}

long PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

}  // namespace

int main(int argc, char** argv) {
  size_t rows = argc > 1 ? std::stoul(argv[1]) : 1000000;
  std::filesystem::path folder = argc > 2 ? argv[2] : std::filesystem::temp_directory_path();
  auto mdb = folder / "dao_write_bench.mdb";
  auto sqlite = folder / "dao_write_bench.sqlite";
  bool keep = false, indexed = false;
  for (int i = 3; i < argc; ++i) {
    keep = keep || std::string(argv[i]) == "keep";
    indexed = indexed || std::string(argv[i]) == "indexed";
  }
  std::filesystem::remove(mdb);
  std::filesystem::remove(sqlite);
  try {
    auto prepared = Prepare();
    double ours = WriteWithEngine(mdb, rows, prepared, indexed);
    long peak = PeakMegabytes();
    double theirs = WriteWithSqlite(sqlite, rows, prepared, indexed);
    std::printf("rows %zu\nengine %.2f s (%.1f MB file)\nsqlite %.2f s (%.1f MB file)\n", rows,
                ours, std::filesystem::file_size(mdb) / 1e6, theirs,
                std::filesystem::file_size(sqlite) / 1e6);
    std::printf("ratio engine/sqlite %.2f\npeak memory during the engine run %ld MB\n",
                ours / theirs, peak);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "benchmark failed: %s\n", e.what());
    return 1;
  }
  if (!keep) {
    std::filesystem::remove(mdb);
    std::filesystem::remove(sqlite);
  }
  return 0;
}
