// tarvex: repairs damaged Microsoft Access databases from the command line.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
  CLI::App app{
      "Tarvex for Access: recovers tables, rows and queries from damaged Access databases"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("tarvex ") + TARVEX_VERSION);
  // Every command's options on one page: what the man page is made from.
  app.set_help_all_flag("--help-all", "Print the help of every command and exit");
  tarvex::cli::RepairOptions repair;
  auto* repairCommand = app.add_subcommand("repair", "Repair a damaged database into a new one");
  repairCommand->add_option("DAMAGED", repair.dataFile, "The damaged .mdb or .accdb file")
      ->required();
  repairCommand->add_option(
      "-o,--output", repair.output,
      "The repaired database (default: Tarvex_ plus the damaged file's name, here)");
  repairCommand->add_option(
      "--template", repair.templateFile,
      "A healthy file with the same structure, whose table definitions are used");
  repairCommand->add_option("--report", repair.report,
                            "Write a JSON report of what was written and what was not");
  repairCommand->add_flag("--force", repair.force, "Replace an existing output file");

  tarvex::cli::ScanOptions scan;
  auto* scanCommand =
      app.add_subcommand("scan", "Scan a damaged database and list the tables it recovers");
  scanCommand->add_option("FILE", scan.dataFile, "The damaged .mdb or .accdb file")->required();
  scanCommand->add_option(
      "--template", scan.templateFile,
      "A healthy file with the same structure, whose table definitions are used");
  scanCommand->add_flag("--json", scan.json, "Print a machine-readable report of every table");

  tarvex::cli::PreviewOptions preview;
  auto* previewCommand = app.add_subcommand("preview", "Show the recovered rows of one table");
  previewCommand->add_option("FILE", preview.dataFile, "The damaged .mdb or .accdb file")
      ->required();
  previewCommand->add_option("TABLE", preview.table, "The table's name, as tarvex scan lists it")
      ->required();
  previewCommand->add_option(
      "--template", preview.templateFile,
      "A healthy file with the same structure, whose table definitions are used");
  previewCommand->add_option("--limit", preview.limit, "Show at most this many rows")
      ->check(CLI::NonNegativeNumber);
  previewCommand->add_flag("--csv", preview.csv,
                           "Print CSV (RFC 4180) instead of tab-separated text");

  tarvex::cli::QueriesOptions queries;
  auto* queriesCommand =
      app.add_subcommand("queries", "Show the saved queries a repair would write, as SQL");
  queriesCommand->add_option("FILE", queries.dataFile, "The damaged .mdb or .accdb file")
      ->required();
  queriesCommand->add_option(
      "--template", queries.templateFile,
      "A healthy file with the same structure, whose table definitions are used");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : 2;
  }
  const bool terminal = isatty(STDERR_FILENO) != 0;
  if (*repairCommand) return tarvex::cli::RunRepair(repair, terminal);
  if (*scanCommand) return tarvex::cli::RunScan(scan, terminal);
  if (*queriesCommand) return tarvex::cli::RunQueries(queries, terminal);
  if (*previewCommand) return tarvex::cli::RunPreview(preview, terminal);
  return 2;
}
