// tarvex: repairs damaged Microsoft Access databases from the command line.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands.h"

int main(int argc, char** argv) {
  CLI::App app{"Tarvex for Access: recovers tables, rows and queries from damaged Access databases"};
  app.require_subcommand(1);
  tarvex::cli::ScanOptions scan;
  auto* scanCommand = app.add_subcommand("scan", "Scan a damaged database and list the tables it recovers");
  scanCommand->add_option("FILE", scan.dataFile, "The damaged .mdb or .accdb file")->required();
  scanCommand->add_option("--template", scan.templateFile,
                          "A healthy file with the same structure, whose table definitions are used");
  scanCommand->add_flag("--json", scan.json, "Print a machine-readable report of every table");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : 2;
  }
  const bool terminal = isatty(STDERR_FILENO) != 0;
  if (*scanCommand) return tarvex::cli::RunScan(scan, terminal);
  return 2;
}
