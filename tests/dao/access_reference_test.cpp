// A new database against an empty one Access made: the same header page and
// the same definitions of the four system tables.
#include <gtest/gtest.h>

#include <algorithm>

#include "dao/database_file.h"
#include "dao_test_util.h"
#include "format/unicode.h"
#include "support/test_paths.h"

namespace tarvex::dao::test {
namespace {

std::filesystem::path Reference() {
  return tarvex::test::FixturesDir() / "synthetic" / "empty-V2000.mdb";
}

// What must agree in a column: variable columns by variable index, fixed
// ones by fixed offset (Access leaves the other field arbitrary).
std::string Describe(const ColumnDefinition& c) {
  std::string text = format::ToUtf8(c.name) + " type " + std::to_string(c.type) + " number " +
                     std::to_string(c.number) + " flags " + std::to_string(c.flags) + " extra " +
                     std::to_string(c.extraFlags) + " length " + std::to_string(c.length);
  return text + (c.IsFixed() ? " fixed at " + std::to_string(c.fixedOffset)
                             : " variable " + std::to_string(c.varIndex));
}

std::vector<std::string> Describe(const TableDefinition& d) {
  std::vector<std::string> lines{"type " + std::to_string(d.tableType) + " columns " +
                                 std::to_string(d.maxColumns)};
  for (const auto& c : d.columns) lines.push_back(Describe(c));
  for (const auto& r : d.realIndexes) {
    std::string line = "real flags " + std::to_string(r.flags) + " keys";
    for (const auto& k : r.keys)
      line += " " + std::to_string(k.columnNumber) + (k.ascending ? "+" : "-");
    lines.push_back(line);
  }
  std::vector<std::string> logical;
  for (const auto& l : d.logicalIndexes)
    logical.push_back("logical " + format::ToUtf8(l.name) + " #" + std::to_string(l.number) +
                      " real " + std::to_string(l.realNumber) + " type " +
                      std::to_string(l.indexType));
  std::sort(logical.begin(), logical.end());  // Access lists them in no set order
  lines.insert(lines.end(), logical.begin(), logical.end());
  std::vector<uint16_t> longValueColumns;
  for (const auto& m : d.longValueMaps) longValueColumns.push_back(m.columnNumber);
  std::sort(longValueColumns.begin(), longValueColumns.end());
  for (uint16_t c : longValueColumns) lines.push_back("long value maps for " + std::to_string(c));
  return lines;
}

class AccessReference : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(Reference())) GTEST_SKIP() << "fixture missing";
    Database db;
    db.Create(File(), kLocale, kDbVersion40);
    db.Close();
  }
  std::filesystem::path File() const { return scratch_.path() / "new.mdb"; }
  tarvex::test::ScratchDir scratch_;
};

TEST_F(AccessReference, HeaderPageIsTheSame) {
  PageFile ours(File(), PageFile::Mode::kReadOnly, false, format::kJet4Layout);
  PageFile theirs(Reference(), PageFile::Mode::kReadOnly, false, format::kJet4Layout);
  EXPECT_TRUE(ours.Read(0) == theirs.Read(0));
}

TEST_F(AccessReference, SystemTablesAreDefinedTheSame) {
  auto ours = DatabaseFile::OpenExisting(File(), false, true);
  auto theirs = DatabaseFile::OpenExisting(Reference(), false, true);
  for (const char16_t* name : {u"MSysObjects", u"MSysACEs", u"MSysQueries", u"MSysRelationships"}) {
    SCOPED_TRACE(format::ToUtf8(name));
    auto ourPage = ours->FindTable(name);
    auto theirPage = theirs->FindTable(name);
    ASSERT_TRUE(ourPage && theirPage);
    EXPECT_EQ(*ourPage, *theirPage);
    EXPECT_EQ(Describe(ours->Table(*ourPage).definition()),
              Describe(theirs->Table(*theirPage).definition()));
  }
}

}  // namespace
}  // namespace tarvex::dao::test
