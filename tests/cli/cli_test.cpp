// Runs the tarvex command line as a user would and checks what it prints and returns.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include "support/test_paths.h"

namespace {

struct Outcome {
  int status;
  std::string output;  // stdout and stderr together
};

Outcome RunTarvex(const std::string& arguments) {
  const std::string command = std::string(TARVEX_CLI) + " " + arguments + " 2>&1";
  std::FILE* pipe = popen(command.c_str(), "r");
  Outcome outcome{-1, {}};
  if (!pipe) return outcome;
  std::array<char, 4096> buffer{};
  while (size_t got = std::fread(buffer.data(), 1, buffer.size(), pipe)) outcome.output.append(buffer.data(), got);
  const int status = pclose(pipe);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

TEST(Cli, MissingFileFailsWithTheSystemReason) {
  const auto outcome = RunTarvex("scan /nonexistent/damaged.mdb");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.output.find("No such file or directory"), std::string::npos) << outcome.output;
}

TEST(Cli, UsageErrorsExitWithTwo) {
  EXPECT_EQ(RunTarvex("").status, 2);
  EXPECT_EQ(RunTarvex("scan").status, 2);
  EXPECT_EQ(RunTarvex("--help").status, 0);
}

TEST(Cli, ScanPrintsTheSummary) {
  const auto file = tarvex::test::FixturesDir() / "real" / "jet4_types.mdb";
  const auto outcome = RunTarvex("scan '" + file.string() + "'");
  EXPECT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_NE(outcome.output.find("Tables."), std::string::npos) << outcome.output;
}

std::string Fixture(const char* name) { return "'" + (tarvex::test::FixturesDir() / "real" / name).string() + "'"; }

TEST(Cli, JsonReportListsTablesColumnsAndIndexes) {
  const auto outcome = RunTarvex("scan --json " + Fixture("jet4_northwind2000.mdb"));
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_NE(outcome.output.find("\"name\": \"Order Details\""), std::string::npos);
  EXPECT_NE(outcome.output.find("\"rowCount\": 2155"), std::string::npos);
  EXPECT_NE(outcome.output.find("\"primaryKey\": true"), std::string::npos);
}

TEST(Cli, PreviewPrintsHeaderAndRowsAsCsv) {
  const auto outcome = RunTarvex("preview --csv --limit 1 " + Fixture("jet4_northwind2000.mdb") + " Shippers");
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_EQ(outcome.output, "ShipperID,CompanyName,Phone\r\n1,Speedy Express,(503) 555-9831\r\n");
  EXPECT_EQ(RunTarvex("preview " + Fixture("jet4_northwind2000.mdb") + " Nowhere").status, 1);
}

TEST(Cli, QueriesPrintsEveryKindWithItsSql) {
  const auto outcome = RunTarvex("queries " + Fixture("jet4_query_kinds.mdb"));
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  for (const char* expected : {"-- DeleteQuery (Delete)", "DELETE FROM [Table1]", "TRANSFORM Count(", "UNION ALL"}) {
    EXPECT_NE(outcome.output.find(expected), std::string::npos) << expected;
  }
}

}  // namespace
