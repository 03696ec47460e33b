#pragma once
// Runs one step of a repair session (a repair, a save) in the foreground for
// the command line: follows the repair log and shows a progress line on a
// terminal, and passes Ctrl-C on as a stop request.
#include <filesystem>
#include <optional>
#include <string>

#include "model/access_data.h"
#include "session/repair_session.h"

namespace tarvex::cli {

struct MonitorOptions {
  bool showProgress = false;  // a progress line on standard error (a terminal)
  bool showLog = false;       // the repair log's lines on standard error as they come
};

// Waits while the session runs a step, showing what `options` ask for; on
// Ctrl-C asks the step to stop, once, and goes on waiting for it to end.
void MonitorJob(session::RepairSession& session, const MonitorOptions& options);

// Runs the repair on the session's worker and waits for it; the session keeps
// the result. False (with a message on stderr) when an input file cannot be
// read, the repair was stopped or it recovered no table.
bool RunRepair(session::RepairSession& session, const session::RepairRequest& request,
               const MonitorOptions& options);

// Names on stderr every table whose recovered rows the working folder could
// not hold whole; true when there is one (the job then did not succeed).
bool ReportRowsNotKept(const model::CAccessData& model);

}  // namespace tarvex::cli
