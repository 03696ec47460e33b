// Every healthy fixture, scanned whole, against the ground-truth dump of an
// independent strict reader: the same user tables, columns, row counts and values.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <set>

#include "format/unicode.h"
#include "format/value_types.h"
#include "support/scan_file.h"
#include "support/test_paths.h"
#include "support/truth_values.h"

namespace tarvex::test {
namespace {

using nlohmann::json;

// Columns whose values the dumps render in a form our texts do not have: complex
// columns (an object there, a key here) and types no format defines (raw bytes
// there, "Default N" here).
bool Comparable(const model::CAccessColInfo& column) {
  return column.type != format::TypeCode(format::ColumnType::kComplex) &&
         std::ranges::any_of(format::kColumnTypes, [&](const auto& info) {
           return format::TypeCode(info.type) == column.type;
         });
}

// One row as comparable text: each value normalised to the dump's form.
using CanonicalRow = std::vector<std::string>;

std::string Join(const CanonicalRow& row) {
  std::string out;
  for (const auto& value : row) out += value.substr(0, 80) + " | ";
  return out;
}

class FixtureTruth : public testing::TestWithParam<TruthFixture> {};

TEST_P(FixtureTruth, UserTablesColumnsRowsAndValuesMatch) {
  const TruthFixture& fixture = GetParam();
  std::ifstream in(fixture.truth);
  const json truth = json::parse(in);
  auto repair = ScanFile(fixture.file);
  ASSERT_NE(repair->model(), nullptr);
  const auto& model = *repair->model();
  const bool jet3 = truth.value("jetFormat", "").find("3") != std::string::npos;
  // A healthy file costs nothing, its system tables' rows included.
  for (const auto& table : model.tableList) {
    EXPECT_EQ(table->losses.SkippedRowCount(), 0u) << format::ToUtf8(table->name);
    EXPECT_EQ(table->losses.UnreadableValueCount(), 0u) << format::ToUtf8(table->name);
  }

  for (const auto& truthTable : truth["tables"]) {
    if (truthTable.value("system", false) || !truthTable.contains("rows")) continue;
    const std::string name = truthTable["name"];
    SCOPED_TRACE(fixture.file.filename().string() + " table " + name);
    const model::CAccessTable* table = nullptr;
    for (const auto& candidate : model.tableList) {
      if (format::ToUtf8(candidate->name) == name) table = candidate.get();
    }
    ASSERT_NE(table, nullptr) << "table not recovered";

    std::vector<std::string> ourNames;
    for (const auto& column : table->columnList)
      ourNames.push_back(format::ToUtf8(column.colInfo.name));
    std::vector<std::string> truthNames;
    for (const auto& column : truthTable["columns"]) truthNames.push_back(column["name"]);
    ASSERT_EQ(ourNames, truthNames);

    const auto ourRows = ReadRows(*table);
    const auto& truthRows = truthTable["rows"];
    ASSERT_EQ(ourRows.size(), truthRows.size());

    std::multiset<std::string> ours, theirs;
    for (const auto& row : ourRows) {
      CanonicalRow canonical;
      for (size_t c = 0; c < row.size(); ++c) {
        const auto& info = table->columnList.At(static_cast<int>(c))->colInfo;
        if (!Comparable(info)) continue;
        // A calculated decimal's text keeps its own scale, as the dump does.
        TruthColumnContext ctx{jet3 ? format::JetVersion::kJet3 : format::JetVersion::kJet4,
                               info.IsCalculated() ? uint8_t{0} : info.Scale()};
        canonical.push_back(NormaliseOurValue(info.type, row[c], ctx));
      }
      ours.insert(Join(canonical));
    }
    for (const auto& row : truthRows) {
      CanonicalRow canonical;
      for (size_t c = 0; c < row.size(); ++c) {
        const auto& info = table->columnList.At(static_cast<int>(c))->colInfo;
        if (!Comparable(info)) continue;
        canonical.push_back(NormaliseTruthValue(
            info.type, row[c].is_null() ? std::nullopt : std::optional(row[c].get<std::string>())));
      }
      theirs.insert(Join(canonical));
    }
    std::vector<std::string> onlyOurs, onlyTheirs;
    std::set_difference(ours.begin(), ours.end(), theirs.begin(), theirs.end(),
                        std::back_inserter(onlyOurs));
    std::set_difference(theirs.begin(), theirs.end(), ours.begin(), ours.end(),
                        std::back_inserter(onlyTheirs));
    EXPECT_TRUE(onlyOurs.empty()) << onlyOurs.size() << " rows differ; first ours:\n  "
                                  << onlyOurs.front() << "\nfirst theirs:\n  "
                                  << onlyTheirs.front();
  }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureTruth, testing::ValuesIn(FixturesWithTruth()),
                         [](const auto& info) { return TestNameOf(info.param.file); });

}  // namespace
}  // namespace tarvex::test
