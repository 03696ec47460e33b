// Decimal columns through a whole repair: every scale of the widest precision
// keeps its 28-digit values exactly, as mdb-reader and mdbtools read them, and
// the repaired columns of Access's own files keep their precision and scale.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "dao/database.h"
#include "dao/recordset.h"
#include "dao/table_def.h"
#include "engine_repair.h"
#include "support/oracle_readers.h"
#include "support/test_paths.h"

namespace tarvex::writer::test {
namespace {

namespace fs = std::filesystem;
using tarvex::test::ScratchDir;

constexpr int kPrecision = 28;
constexpr int kScales = kPrecision + 1;

// `digits` with a decimal point before the last `scale` of them, as readers write it.
std::string WithPoint(std::string digits, int scale) {
  if (scale == 0) return digits;
  const size_t s = static_cast<size_t>(scale);
  if (digits.size() <= s) digits.insert(0, s + 1 - digits.size(), '0');
  digits.insert(digits.size() - s, 1, '.');
  return digits;
}

// Per row, the text of each scale's column: the widest value, a negative one
// with every digit, the smallest step and zero.
std::vector<std::vector<std::string>> Rows() {
  std::vector<std::vector<std::string>> rows(4);
  for (int scale = 0; scale < kScales; ++scale) {
    rows[0].push_back(WithPoint(std::string(kPrecision, '9'), scale));
    rows[1].push_back("-" + WithPoint("1234567890123456789012345678", scale));
    rows[2].push_back("-" + WithPoint("1", scale));
    rows[3].push_back(WithPoint("0", scale));
  }
  return rows;
}

std::u16string Ascii(const std::string& text) { return {text.begin(), text.end()}; }

std::u16string ColumnName(int scale) { return Ascii("S" + std::to_string(scale)); }

void MakeSource(const fs::path& path) {
  dao::Database db;
  db.Create(path, ";LANGID=0x0409;CP=1252;COUNTRY=0", dao::kDbVersion40);
  dao::TableDef table(db);
  table.Create(u"Decimals", dao::kDbAttachExclusive);
  for (int scale = 0; scale < kScales; ++scale) {
    dao::FieldInfo field;
    field.name = ColumnName(scale);
    field.type = 16;
    field.precision = kPrecision;
    field.scale = scale;
    table.CreateField(field);
  }
  table.Append();
  dao::Recordset rs(db);
  rs.Open(-1, u"SELECT * FROM [Decimals]", 0);
  for (const auto& row : Rows()) {
    rs.AddNew();
    for (int i = 0; i < kScales; ++i) rs.SetFieldValue(i, Ascii(row[static_cast<size_t>(i)]));
    rs.Update();
  }
  rs.Close();
  db.Close();
}

// The decimal columns in mdb-schema's text, "[name] Numeric (p, s)" each
// (what follows, such as NOT NULL, left out).
std::set<std::string> NumericColumns(const fs::path& file) {
  int exitCode = 0;
  std::istringstream schema(
      tarvex::test::RunCommand("mdb-schema '" + file.string() + "'", exitCode));
  EXPECT_EQ(exitCode, 0);
  std::set<std::string> columns;
  for (std::string line; std::getline(schema, line);) {
    const size_t name = line.find('[');
    const size_t type = line.find("Numeric (");
    if (name == std::string::npos || type == std::string::npos) continue;
    const size_t nameEnd = line.find(']', name);
    columns.insert(line.substr(name, nameEnd + 1 - name) + " " +
                   line.substr(type, line.find(')', type) + 1 - type));
  }
  return columns;
}

TEST(DecimalRepair, EveryScaleOfTwentyEightDigitsReadsBackExactly) {
  ScratchDir scratch;
  const fs::path source = scratch.path() / "decimals.mdb";
  const fs::path output = scratch.path() / "repaired.mdb";
  MakeSource(source);
  const SaveReport report = Repair(source, output);
  ASSERT_TRUE(report.saved);
  ASSERT_EQ(report.tables.size(), 1u);
  EXPECT_EQ(report.tables[0].rowsWritten, Rows().size());
  EXPECT_TRUE(report.tables[0].refusedValues.empty());

  const auto expected = Rows();
  if (tarvex::test::MdbReaderAvailable()) {
    const auto table = tarvex::test::DumpTable(tarvex::test::MdbReaderDump(output), "Decimals");
    ASSERT_EQ(table["rows"].size(), expected.size());
    for (size_t row = 0; row < expected.size(); ++row)
      for (size_t scale = 0; scale < kScales; ++scale)
        EXPECT_EQ(table["rows"][row][scale], expected[row][scale]) << "scale " << scale;
  }
  const auto exported = tarvex::test::MdbExportRows(output, "Decimals");
  const auto exportedSource = tarvex::test::MdbExportRows(source, "Decimals");
  EXPECT_EQ(exported, exportedSource);
  ASSERT_EQ(exported.size(), expected.size());
  EXPECT_EQ(exported[0], expected[0]);

  const auto columns = NumericColumns(output);
  EXPECT_EQ(columns, NumericColumns(source));
  for (int scale = 0; scale < kScales; ++scale) {
    const std::string scaleText = std::to_string(scale);
    EXPECT_TRUE(columns.contains("[S" + scaleText + "] Numeric (28, " + scaleText + ")"));
  }
}

class AccessDecimalRepair : public testing::TestWithParam<std::string> {};

// Values are compared with the source by the repair of every fixture.
TEST_P(AccessDecimalRepair, KeepsEveryColumnsPrecisionAndScale) {
  const fs::path source = tarvex::test::FixturesDir() / "real" / GetParam();
  if (!fs::exists(source)) GTEST_SKIP() << "fixture missing";
  ScratchDir scratch;
  const fs::path output = scratch.path() / ("Tarvex_" + GetParam());
  ASSERT_TRUE(Repair(source, output).saved);
  const auto columns = NumericColumns(source);
  EXPECT_FALSE(columns.empty());
  EXPECT_EQ(NumericColumns(output), columns);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, AccessDecimalRepair,
                         testing::Values("jet4_decimal.mdb", "ace12_all_types.accdb"),
                         [](const auto& info) { return tarvex::test::TestNameOf(info.param); });

}  // namespace
}  // namespace tarvex::writer::test
