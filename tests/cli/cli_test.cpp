// Runs the tarvex command line as a user would and checks what it prints and returns.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
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
  while (size_t got = std::fread(buffer.data(), 1, buffer.size(), pipe))
    outcome.output.append(buffer.data(), got);
  const int status = pclose(pipe);
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

TEST(Cli, MissingFileFailsWithTheSystemReason) {
  const auto outcome = RunTarvex("scan /nonexistent/damaged.mdb");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.output.find("No such file or directory"), std::string::npos) << outcome.output;
}

// Files that hold nothing of a database end in a clear message and a failure,
// never in a report of zero tables; a template is checked the same way.
TEST(Cli, AFileWithNoJetPageIsNotADatabase) {
  tarvex::test::ScratchDir scratch;
  const auto write = [&](const char* name, const std::string& bytes) {
    std::ofstream(scratch.path() / name, std::ios::binary) << bytes;
    return (scratch.path() / name).string();
  };
  std::string random(100000, '\0');
  uint32_t state = 12345;
  for (char& c : random) c = static_cast<char>((state = state * 1103515245 + 12345) >> 16);
  const std::string healthy = (tarvex::test::FixturesDir() / "real" / "jet4_decimal.mdb").string();
  const struct {
    std::string arguments, message;
  } cases[] = {
      {"scan " + write("empty.mdb", ""), "no page of it is a Jet page"},
      {"scan " + write("random.mdb", random), "no page of it is a Jet page"},
      {"scan " + write("text.mdb", std::string(20000, 'x')), "no page of it is a Jet page"},
      {"scan " + scratch.path().string(), "Is a directory"},
      {"repair " + healthy + " --template " + write("template.mdb", "x") + " -o " +
           (scratch.path() / "out.mdb").string(),
       "no page of it is a Jet page"},
  };
  for (const auto& c : cases) {
    const auto outcome = RunTarvex(c.arguments);
    EXPECT_EQ(outcome.status, 1) << c.arguments;
    EXPECT_NE(outcome.output.find(c.message), std::string::npos) << outcome.output;
  }
  // A damaged database is what the tool is for: its tables are listed and the scan succeeds.
  const std::string intact =
      (tarvex::test::FixturesDir() / "real" / "jet4_northwind2000.mdb").string();
  std::ifstream in(intact, std::ios::binary);
  std::string bytes{std::istreambuf_iterator<char>(in), {}};
  std::fill_n(bytes.begin() + 3 * 4096, 4096, '\0');
  const auto damaged = RunTarvex("scan " + write("damaged.mdb", bytes.substr(0, bytes.size() / 2)));
  EXPECT_EQ(damaged.status, 0);
  EXPECT_NE(damaged.output.find(" records in "), std::string::npos) << damaged.output;
  // A file its user may not read (root reads it all the same).
  if (geteuid() != 0) {
    const auto locked = write("locked.mdb", "x");
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    const auto outcome = RunTarvex("scan " + locked);
    EXPECT_EQ(outcome.status, 1);
    EXPECT_NE(outcome.output.find("Permission denied"), std::string::npos) << outcome.output;
  }
}

// Never a shared or guessable place instead of a folder of its own.
TEST(Cli, NoWorkingFolderStopsTheJob) {
  tarvex::test::ScratchDir scratch;
  std::ofstream(scratch.path() / "a-file") << "";
  const char* before = std::getenv("TARVEX_WORK_DIR");
  const std::string saved = before ? before : "";
  setenv("TARVEX_WORK_DIR", (scratch.path() / "a-file" / "work").c_str(), 1);
  const auto outcome =
      RunTarvex("scan " + (tarvex::test::FixturesDir() / "real" / "jet4_decimal.mdb").string());
  if (before)
    setenv("TARVEX_WORK_DIR", saved.c_str(), 1);
  else
    unsetenv("TARVEX_WORK_DIR");
  EXPECT_EQ(outcome.status, 1);
  EXPECT_NE(outcome.output.find("no working folder"), std::string::npos) << outcome.output;
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

std::string Fixture(const char* name) {
  return "'" + (tarvex::test::FixturesDir() / "real" / name).string() + "'";
}

TEST(Cli, JsonReportListsTablesColumnsAndIndexes) {
  const auto outcome = RunTarvex("scan --json " + Fixture("jet4_northwind2000.mdb"));
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_NE(outcome.output.find("\"name\": \"Order Details\""), std::string::npos);
  EXPECT_NE(outcome.output.find("\"rowCount\": 2155"), std::string::npos);
  EXPECT_NE(outcome.output.find("\"primaryKey\": true"), std::string::npos);
}

TEST(Cli, PreviewPrintsHeaderAndRowsAsCsv) {
  const auto outcome =
      RunTarvex("preview --csv --limit 1 " + Fixture("jet4_northwind2000.mdb") + " Shippers");
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_EQ(outcome.output, "ShipperID,CompanyName,Phone\r\n1,Speedy Express,(503) 555-9831\r\n");
  EXPECT_EQ(RunTarvex("preview " + Fixture("jet4_northwind2000.mdb") + " Nowhere").status, 1);
}

TEST(Cli, QueriesPrintsEveryKindWithItsSql) {
  const auto outcome = RunTarvex("queries " + Fixture("jet4_query_kinds.mdb"));
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  for (const char* expected :
       {"-- DeleteQuery (Delete)", "DELETE FROM [Table1]", "TRANSFORM Count(", "UNION ALL"}) {
    EXPECT_NE(outcome.output.find(expected), std::string::npos) << expected;
  }
}

}  // namespace

namespace {

namespace fs = std::filesystem;

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

TEST(CliRepair, WritesTheDatabaseAndItsReportAndReplacesAFileOnlyWhenForced) {
  tarvex::test::ScratchDir scratch;
  const fs::path output = scratch.path() / "out.mdb";
  const fs::path report = scratch.path() / "report.json";
  std::ofstream(output) << "old";
  const std::string command =
      "repair " + Fixture("jet4_northwind2000.mdb") + " -o " + Quoted(output);
  auto outcome = RunTarvex(command);
  EXPECT_EQ(outcome.status, 2) << outcome.output;
  EXPECT_NE(outcome.output.find("--force"), std::string::npos) << outcome.output;
  EXPECT_EQ(fs::file_size(output), 3u);

  outcome = RunTarvex(command + " --force --report " + Quoted(report));
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_NE(outcome.output.find("3204 rows recovered, 3204 rows written"), std::string::npos)
      << outcome.output;
  EXPECT_GT(fs::file_size(output), 4096u);
  std::ifstream in(report);
  const auto json = nlohmann::json::parse(in);
  EXPECT_EQ(json["rowsWritten"], 3204);
  EXPECT_EQ(json["output"], output.string());
  EXPECT_EQ(std::distance(fs::directory_iterator(scratch.path()), {}), 2) << "temporary files left";
}

TEST(CliRepair, AnOutputOfAnotherTypeKeepsTheDamagedFilesType) {
  tarvex::test::ScratchDir scratch;
  const auto outcome = RunTarvex("repair " + Fixture("jet4_types.mdb") + " -o " +
                                 Quoted(scratch.path() / "x.accdb"));
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_TRUE(fs::exists(scratch.path() / "x.accdb.mdb"));
}

// Ctrl-C while the database is being built (its temporary file stands beside
// the output) stops the save: nothing at the output path, nothing left behind.
TEST(CliRepair, CtrlCDuringTheSaveLeavesNoFile) {
  tarvex::test::ScratchDir scratch;
  const fs::path output = scratch.path() / "out.mdb";
  const pid_t pid = fork();
  if (pid == 0) {
    const int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    const auto source = tarvex::test::FixturesDir() / "synthetic" / "synthetic-V2000.mdb";
    execl(TARVEX_CLI, TARVEX_CLI, "repair", source.c_str(), "-o", output.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  bool building = false;
  while (!building && waitpid(pid, &status, WNOHANG) == 0) {
    for (const auto& entry : fs::directory_iterator(scratch.path()))
      building |= entry.path().filename().string().starts_with(".out.mdb.tarvex-");
    if (!building) usleep(500);
  }
  ASSERT_TRUE(building) << "the repair ended before its save could be stopped";
  kill(pid, SIGINT);
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130);
  EXPECT_EQ(std::distance(fs::directory_iterator(scratch.path()), {}), 0);
}

}  // namespace
