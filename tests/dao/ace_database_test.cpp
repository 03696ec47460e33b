// Databases of every ACE version (Access 2007 to 2019): the version the
// readers name, the system tables Access makes, tables and rows read back,
// and a reopened file extended.
#include <gtest/gtest.h>

#include "dao/database_file.h"
#include "dao_test_util.h"
#include "format/unicode.h"
#include "support/oracle_readers.h"
#include "support/test_paths.h"

namespace tarvex::dao::test {
namespace {

using tarvex::test::RunCommand;
using format::DatabaseFormat;

struct AceVersion {
  int option;
  DatabaseFormat format;
};

class AceDatabase : public testing::TestWithParam<AceVersion> {};

TEST_P(AceDatabase, ReadersNameItsVersionAndReadItsRows) {
  tarvex::test::ScratchDir scratch;
  const auto file = scratch.path() / "new.accdb";
  {
    Database db;
    db.Create(file, kLocale, GetParam().option);
    EXPECT_EQ(db.Format(), GetParam().format);
    MakeTable(db, u"Items", {{u"Id", 4, 4, kDbAutoIncrField}, {u"Name", 10, 40}, {u"Notes", 12, 0}});
    AddRows(db, u"Items", {{std::nullopt, u"first", u"one"}, {std::nullopt, u"second", u"two"}});
    db.Close();
  }
  {
    Database db;
    db.Open(file, false, false, "");
    EXPECT_EQ(db.Format(), GetParam().format);
    AddRows(db, u"Items", {{std::nullopt, u"third", std::nullopt}});
    db.Close();
  }
  int code = 0;
  EXPECT_EQ(RunCommand("mdb-ver '" + file.string() + "'", code),
            std::string(format::FormatName(GetParam().format)) + "\n");
  EXPECT_EQ(tarvex::test::MdbTables(file), std::vector<std::string>{"Items"});
  const auto rows = tarvex::test::MdbExportRows(file, "Items");
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[2], (std::vector<std::string>{"3", "third", ""}));
  if (!tarvex::test::MdbReaderAvailable()) GTEST_SKIP() << "mdb-reader is not installed";
  const auto dump = tarvex::test::MdbReaderDump(file);
  EXPECT_EQ(tarvex::test::DumpTable(dump, "Items")["rows"].size(), 3u);
}

INSTANTIATE_TEST_SUITE_P(Versions, AceDatabase,
                         testing::Values(AceVersion{kDbVersion120, DatabaseFormat::kAce12},
                                         AceVersion{kDbVersion140, DatabaseFormat::kAce14},
                                         AceVersion{kDbVersion150, DatabaseFormat::kAce15},
                                         AceVersion{kDbVersion160, DatabaseFormat::kAce16},
                                         AceVersion{kDbVersion170, DatabaseFormat::kAce17}),
                         [](const auto& info) {
                           return std::string(format::FormatName(info.param.format));
                         });

}  // namespace
}  // namespace tarvex::dao::test
