#pragma once
// The text that sums up a save for the user, table by table: rows recovered,
// written and refused, what was not written, and where the database is. The
// command line prints it and the window shows it on its done page.
#include <string>

#include "writer/save_report.h"

namespace tarvex::writer {

// One line per table, then the totals, what was not written and the output
// path; every line ends with "\n".
std::string SaveSummaryText(const SaveReport& report);

}  // namespace tarvex::writer
