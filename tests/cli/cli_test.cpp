// Runs the tarvex command line as a user would and checks what it prints and returns.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/oracle_readers.h"
#include "support/test_paths.h"

namespace {

struct Outcome {
  int status;
  std::string output;  // stdout and stderr together
};

Outcome RunTarvex(const std::string& arguments) {
  Outcome outcome{-1, {}};
  outcome.output =
      tarvex::test::RunCommand(std::string(TARVEX_CLI) + " " + arguments + " 2>&1", outcome.status);
  return outcome;
}

std::string Fixture(const char* name) {
  return "'" + (tarvex::test::FixturesDir() / "real" / name).string() + "'";
}

// A run of the command line: its exit status and texts its output must hold.
struct Invocation {
  std::string arguments;
  int status;
  std::vector<std::string> printed;
};

void ExpectRun(const Invocation& run) {
  SCOPED_TRACE(run.arguments);
  const auto outcome = RunTarvex(run.arguments);
  EXPECT_EQ(outcome.status, run.status) << outcome.output;
  for (const auto& text : run.printed)
    EXPECT_NE(outcome.output.find(text), std::string::npos) << text << " in:\n" << outcome.output;
}

TEST(Cli, ExitStatusAndWhatItPrints) {
  const std::vector<Invocation> runs = {
      {"", 2, {}},  // usage errors
      {"scan", 2, {}},
      {"--help", 0, {}},
      {"scan /nonexistent/damaged.mdb", 1, {"No such file or directory"}},
      {"scan " + Fixture("jet4_types.mdb"), 0, {"Tables."}},
      {"scan --json " + Fixture("jet4_northwind2000.mdb"),
       0,
       {"\"name\": \"Order Details\"", "\"rowCount\": 2155", "\"primaryKey\": true"}},
      {"preview " + Fixture("jet4_northwind2000.mdb") + " Nowhere", 1, {}},
      {"queries " + Fixture("jet4_query_kinds.mdb"),
       0,
       {"-- DeleteQuery (Delete)", "DELETE Table1.col1, Table1.col2, Table1.col3\nFROM [Table1]",
        "PARAMETERS User Name Text;", "TRANSFORM Count(", "UNION ALL"}},
  };
  for (const auto& run : runs) ExpectRun(run);
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
  // A damaged database is what the tool is for: its tables are listed and the scan succeeds.
  std::ifstream in(tarvex::test::FixturesDir() / "real" / "jet4_northwind2000.mdb",
                   std::ios::binary);
  std::string damaged{std::istreambuf_iterator<char>(in), {}};
  std::fill_n(damaged.begin() + 3 * 4096, 4096, '\0');
  std::vector<Invocation> runs = {
      {"scan " + write("empty.mdb", ""), 1, {"no page of it is a Jet page"}},
      {"scan " + write("random.mdb", random), 1, {"no page of it is a Jet page"}},
      {"scan " + write("text.mdb", std::string(20000, 'x')), 1, {"no page of it is a Jet page"}},
      {"scan " + scratch.path().string(), 1, {"Is a directory"}},
      {"repair " + healthy + " --template " + write("template.mdb", "x") + " -o " +
           (scratch.path() / "out.mdb").string(),
       1,
       {"no page of it is a Jet page"}},
      {"scan " + write("damaged.mdb", damaged.substr(0, damaged.size() / 2)), 0, {" records in "}},
  };
  // A file its user may not read (root reads it all the same).
  if (geteuid() != 0) {
    const auto locked = write("locked.mdb", "x");
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    runs.push_back({"scan " + locked, 1, {"Permission denied"}});
  }
  for (const auto& run : runs) ExpectRun(run);
}

// A file that holds pages of a database but yields no table is no success either: the repair
// says what it found and writes nothing.
TEST(Cli, ARepairThatRecoversNoTableFailsAndWritesNothing) {
  tarvex::test::ScratchDir scratch;
  std::ifstream in(tarvex::test::FixturesDir() / "real" / "jet4_northwind2000.mdb",
                   std::ios::binary);
  std::string onlyHeader{std::istreambuf_iterator<char>(in), {}};
  std::fill(onlyHeader.begin() + 4096, onlyHeader.end(), '\0');
  const auto damaged = scratch.path() / "damaged.mdb";
  std::ofstream(damaged, std::ios::binary) << onlyHeader;
  const auto output = scratch.path() / "out.mdb";
  ExpectRun({"repair " + damaged.string() + " -o " + output.string(),
             1,
             {"no table could be recovered: its 686 pages (read as Jet 4) hold 0 data pages and 0 "
              "table definitions"}});
  ExpectRun({"scan " + damaged.string(), 1, {"no table could be recovered"}});
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path()), {}), 1);
}

// Never a shared or guessable place instead of a folder of its own.
TEST(Cli, NoWorkingFolderStopsTheJob) {
  tarvex::test::ScratchDir scratch;
  std::ofstream(scratch.path() / "a-file") << "";
  const char* before = std::getenv("TARVEX_WORK_DIR");
  const std::string saved = before ? before : "";
  setenv("TARVEX_WORK_DIR", (scratch.path() / "a-file" / "work").c_str(), 1);
  ExpectRun({"scan " + (tarvex::test::FixturesDir() / "real" / "jet4_decimal.mdb").string(),
             1,
             {"no working folder"}});
  if (before)
    setenv("TARVEX_WORK_DIR", saved.c_str(), 1);
  else
    unsetenv("TARVEX_WORK_DIR");
}

TEST(Cli, PreviewPrintsHeaderAndRowsAsCsv) {
  const auto outcome =
      RunTarvex("preview --csv --limit 1 " + Fixture("jet4_northwind2000.mdb") + " Shippers");
  ASSERT_EQ(outcome.status, 0) << outcome.output;
  EXPECT_EQ(outcome.output, "ShipperID,CompanyName,Phone\r\n1,Speedy Express,(503) 555-9831\r\n");
}

namespace fs = std::filesystem;

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

TEST(CliRepair, WritesTheDatabaseAndItsReportAndReplacesAFileOnlyWhenForced) {
  tarvex::test::ScratchDir scratch;
  const fs::path output = scratch.path() / "out.mdb";
  const fs::path report = scratch.path() / "report.json";
  std::ofstream(output) << "old";
  const std::string command =
      "repair " + Fixture("jet4_northwind2000.mdb") + " -o " + Quoted(output);
  ExpectRun({command, 2, {"--force"}});
  EXPECT_EQ(fs::file_size(output), 3u);

  const auto outcome = RunTarvex(command + " --force --report " + Quoted(report));
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
